#pragma once
// A write transaction on an SQLite connection: taken at once (so a second writer waits at BEGIN
// under the busy time-out instead of failing half-way) and rolled back unless committed.

#include <sqlite3.h>

#include "store/sqlite.h"

namespace varlo {

class WriteTransaction {
  public:
    explicit WriteTransaction(sqlite3* db) : m_db(db) {
        m_open = SqliteExec(db, "BEGIN IMMEDIATE") == SQLITE_OK;
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    ~WriteTransaction() {
        if (m_open) SqliteExec(m_db, "ROLLBACK");
    }
    bool Open() const { return m_open; }
    bool Commit() {
        if (!m_open) return false;
        m_open = false;
        if (SqliteExec(m_db, "COMMIT") == SQLITE_OK) return true;
        SqliteExec(m_db, "ROLLBACK");
        return false;
    }

  private:
    sqlite3* m_db;
    bool m_open = false;
};

}  // namespace varlo
