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

// A setting of the connection for as long as this lives: `set` runs now, `reset` when it goes.
class ScopedPragma {
  public:
    ScopedPragma(sqlite3* db, const char* set, const char* reset) : m_db(db), m_reset(reset) {
        SqliteExec(db, set);
    }
    ScopedPragma(const ScopedPragma&) = delete;
    ScopedPragma& operator=(const ScopedPragma&) = delete;
    ~ScopedPragma() { SqliteExec(m_db, m_reset); }

  private:
    sqlite3* m_db;
    const char* m_reset;
};

// Keeps the statement journals of the transactions begun while it lives in memory. Every
// statement that writes through a trigger saves the pages it touches first, so that it can be
// undone alone; SQLite keeps those copies in memory only up to 64 KB and then in a temporary
// file for the rest of the transaction, which turns each article stored into dozens of system
// calls. The copies of one statement are a few pages (the rows and index entries of one
// article), so holding them costs little; the setting goes back when this goes, as it also
// decides where temporary tables and a vacuum's copy of the whole store live.
class StatementJournalsInMemory : ScopedPragma {
  public:
    explicit StatementJournalsInMemory(sqlite3* db)
        : ScopedPragma(db, "PRAGMA temp_store=MEMORY", "PRAGMA temp_store=DEFAULT") {}
};

// A larger page cache for one large write: a transaction of many articles changes pages of a
// dozen indexes, and with the default 2 MB they spill to the log one by one before the commit.
// The connection goes back to the default when this goes, so that it holds no more between
// writes.
class LargerCacheWhileWriting : ScopedPragma {
  public:
    explicit LargerCacheWhileWriting(sqlite3* db)
        : ScopedPragma(db, "PRAGMA cache_size=-16384", "PRAGMA cache_size=-2000") {}
};

// A read transaction: many look-ups read one snapshot and take the log's read lock once instead
// of once each.
class ReadTransaction {
  public:
    explicit ReadTransaction(sqlite3* db) : m_db(db) {
        m_open = SqliteExec(db, "BEGIN") == SQLITE_OK;
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;
    ~ReadTransaction() {
        if (m_open) SqliteExec(m_db, "COMMIT");
    }

  private:
    sqlite3* m_db;
    bool m_open = false;
};

}  // namespace varlo
