#pragma once
// Thin owners for an SQLite connection and its prepared statements, with errors as results.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace varlo {

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteCloser>;

// One prepared statement; finalized with its owner. A statement that failed to prepare is empty
// and every step on it fails.
class SqliteStatement {
  public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    ~SqliteStatement() { sqlite3_finalize(m_statement); }

    // Binds by 1-based position; text is bound as a blob, copied by SQLite.
    SqliteStatement& Bind(int index, std::string_view text);
    // The same without a copy: `text` must stay until the statement is reset.
    SqliteStatement& BindUnowned(int index, std::string_view text);
    SqliteStatement& Bind(int index, int64_t value);
    SqliteStatement& BindNull(int index);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Resets the statement for another run with new bindings.
    void Reset();

    int64_t Int(int column) const { return sqlite3_column_int64(m_statement, column); }
    bool IsNull(int column) const {
        return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
    }
    std::string String(int column) const;
    bool Ok() const { return m_statement != nullptr; }

  private:
    sqlite3_stmt* m_statement = nullptr;
};

// Runs statements without results; the SQLite result code.
int SqliteExec(sqlite3* db, const char* sql);

}  // namespace varlo
