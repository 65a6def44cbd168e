#include "store/sqlite.h"

namespace varlo {

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_statement, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
    // Blobs keep system text byte for byte; SQLite would otherwise take it for UTF-8.
    sqlite3_bind_blob(m_statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::BindUnowned(int index, std::string_view text) {
    sqlite3_bind_blob(m_statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_STATIC);
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, int64_t value) {
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
    sqlite3_bind_null(m_statement, index);
    return *this;
}

int SqliteStatement::Step() {
    return m_statement ? sqlite3_step(m_statement) : SQLITE_MISUSE;
}

void SqliteStatement::Reset() {
    if (!m_statement) return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

std::string SqliteStatement::String(int column) const {
    const auto* text = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
    if (text == nullptr) return {};
    return std::string(text, static_cast<size_t>(sqlite3_column_bytes(m_statement, column)));
}

int SqliteExec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

}  // namespace varlo
