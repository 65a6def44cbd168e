// The whole articles fetched from the articles' pages, kept beside the feeds' texts.

#include <sqlite3.h>

#include "store/library_record.h"
#include "store/library_rows.h"
#include "store/library_views.h"
#include "store/write_transaction.h"

namespace varlo {

bool CLibraryRecorder::SetFullText(int64_t id, const std::string& html) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    // No article needs more; a page that makes one larger would crowd its site's other articles.
    if (static_cast<int64_t>(html.size()) > kMaxFullTextBytes) return false;
    const int result = WithSearchRepair([&] {
        WriteTransaction transaction(db);
        if (!transaction.Open()) return -1;
        // Only a stored article has a text in the search index for the whole one to replace.
        SqliteStatement article(db, "SELECT feed_id FROM articles WHERE id = ? AND stored = 1");
        article.Bind(1, id);
        if (article.Step() != SQLITE_ROW) return 0;
        const int64_t feedId = article.Int(0);
        // The whole article counts against its site's share as the feed's text does: the cost of
        // the one it replaces goes, its own comes.
        const std::string cost = StoredFullTextCostSql("html");
        SqliteStatement before(db, "UPDATE articles SET text_size = text_size - coalesce((SELECT " +
                                       cost +
                                       " FROM article_full_texts WHERE id = ?1), 0) "
                                       "WHERE id = ?1");
        before.Bind(1, id);
        if (before.Step() != SQLITE_DONE) return -1;
        SqliteStatement write(db,
                              "INSERT INTO article_full_texts(id, html) VALUES (?2, ?1) "
                              "ON CONFLICT(id) DO UPDATE SET html = excluded.html");
        write.Bind(1, html).Bind(2, id);
        if (write.Step() != SQLITE_DONE) return -1;
        SqliteStatement after(db, "UPDATE articles SET text_size = text_size + (SELECT " + cost +
                                      " FROM article_full_texts WHERE id = ?1) WHERE id = ?1");
        after.Bind(1, id);
        if (after.Step() != SQLITE_DONE || !TrimSite(feedId)) return -1;
        return transaction.Commit() ? 1 : -1;
    });
    return result > 0;
}

std::vector<CLibraryViews::FullTextWanted> CLibraryViews::FullTextsWanted(int64_t afterId,
                                                                          int64_t limit) {
    std::vector<FullTextWanted> wanted;
    sqlite3* db = m_store.Connection();
    if (!db) return wanted;
    SqliteStatement query(db,
                          "SELECT a.id, a.link, f.url FROM articles a "
                          "JOIN feeds f ON f.id = a.feed_id JOIN site_settings s ON s.url = f.url "
                          "WHERE a.id > ?1 AND a.stored = 1 AND a.hidden = 0 AND s.full_text = 1 "
                          "AND length(a.link) > 0 AND NOT EXISTS "
                          "(SELECT 1 FROM article_full_texts t WHERE t.id = a.id) "
                          "ORDER BY a.id DESC LIMIT ?2");
    query.Bind(1, afterId).Bind(2, limit);
    while (query.Step() == SQLITE_ROW) {
        wanted.push_back({query.Int(0), query.String(1), query.String(2)});
    }
    return wanted;
}

std::optional<std::string> CLibraryViews::FullText(int64_t id) {
    sqlite3* db = m_store.Connection();
    if (!db) return std::nullopt;
    SqliteStatement read(db, "SELECT html FROM article_full_texts WHERE id = ?");
    read.Bind(1, id);
    if (read.Step() != SQLITE_ROW) return std::nullopt;
    return read.String(0);
}

}  // namespace varlo
