#include "store/library.h"
#include "store/write_transaction.h"

namespace varlo {

bool CLibrary::ForgetServerIds() {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    WriteTransaction transaction(db);
    if (!transaction.Open()) return false;
    if (SqliteExec(db, "UPDATE articles SET server_id = NULL WHERE server_id IS NOT NULL") !=
            SQLITE_OK ||
        SqliteExec(db, "DELETE FROM pending_marks") != SQLITE_OK) {
        return false;
    }
    return transaction.Commit();
}

}  // namespace varlo
