#include "store/pending_marks.h"

namespace varlo {

bool QueueMarks(sqlite3* db, MarkKind kind, const std::string& rows,
                const std::function<void(SqliteStatement&)>& bind) {
    const bool read = kind == MarkKind::kRead;
    // The queue's order is the order marks were made: the new ones come after every queued one.
    SqliteStatement queue(
        db, std::string("INSERT INTO pending_marks(article_id, read_changed, starred_changed, seq) "
                        "SELECT id, ") +
                (read ? "1, 0" : "0, 1") +
                ", (SELECT coalesce(max(seq), 0) FROM pending_marks) + "
                "row_number() OVER (ORDER BY id) " +
                rows +
                " AND server_id IS NOT NULL ON CONFLICT(article_id) DO UPDATE SET "
                "read_changed = read_changed OR excluded.read_changed, "
                "starred_changed = starred_changed OR excluded.starred_changed, "
                "seq = excluded.seq");
    if (!queue.Ok()) return false;
    bind(queue);
    return queue.Step() == SQLITE_DONE;
}

MarkTransaction::MarkTransaction(sqlite3* db) : m_db(db), m_nested(!sqlite3_get_autocommit(db)) {
    m_open = SqliteExec(db, m_nested ? "SAVEPOINT mark" : "BEGIN IMMEDIATE") == SQLITE_OK;
}

MarkTransaction::~MarkTransaction() {
    if (!m_open) return;
    if (m_nested) {
        SqliteExec(m_db, "ROLLBACK TO mark");
        SqliteExec(m_db, "RELEASE mark");
    } else {
        SqliteExec(m_db, "ROLLBACK");
    }
}

bool MarkTransaction::Commit() {
    if (!m_open) return false;
    m_open = false;
    if (SqliteExec(m_db, m_nested ? "RELEASE mark" : "COMMIT") == SQLITE_OK) return true;
    if (m_nested) {
        SqliteExec(m_db, "ROLLBACK TO mark");
        SqliteExec(m_db, "RELEASE mark");
    } else {
        SqliteExec(m_db, "ROLLBACK");
    }
    return false;
}

}  // namespace varlo
