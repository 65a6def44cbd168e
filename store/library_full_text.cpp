// The whole articles fetched from the articles' pages, kept beside the feeds' texts.

#include <sqlite3.h>

#include "store/library.h"

namespace varlo {

bool CLibrary::SetFullText(int64_t id, const std::string& html) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    bool stored = false;
    const int result = WithSearchRepair([&] {
        // Only a stored article has a text in the search index for the whole one to replace.
        SqliteStatement write(db,
                              "INSERT INTO article_full_texts(id, html) "
                              "SELECT id, ?1 FROM articles WHERE id = ?2 AND stored = 1 "
                              "ON CONFLICT(id) DO UPDATE SET html = excluded.html");
        write.Bind(1, html).Bind(2, id);
        if (write.Step() != SQLITE_DONE) return -1;
        stored = sqlite3_changes(db) > 0;
        return 1;
    });
    return result >= 0 && stored;
}

std::optional<std::string> CLibrary::FullText(int64_t id) {
    sqlite3* db = m_store.Connection();
    if (!db) return std::nullopt;
    SqliteStatement read(db, "SELECT html FROM article_full_texts WHERE id = ?");
    read.Bind(1, id);
    if (read.Step() != SQLITE_ROW) return std::nullopt;
    return read.String(0);
}

}  // namespace varlo
