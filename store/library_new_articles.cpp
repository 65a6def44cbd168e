#include "store/library_views.h"

namespace varlo {

int64_t CLibraryViews::LastArticleId() {
    sqlite3* db = m_store.Connection();
    if (!db) return 0;
    SqliteStatement last(db, "SELECT coalesce(max(id), 0) FROM articles");
    return last.Step() == SQLITE_ROW ? last.Int(0) : 0;
}

std::vector<std::pair<int64_t, Text>> CLibraryViews::UnreadAfter(int64_t afterId) {
    std::vector<std::pair<int64_t, Text>> found;
    sqlite3* db = m_store.Connection();
    if (!db) return found;
    // The set of unread articles is keyed by the article's id: a range of it, read backwards.
    SqliteStatement query(db,
                          "SELECT u.id, f.url FROM unread u JOIN feeds f ON f.id = u.feed_id "
                          "WHERE u.id > ? AND u.stored = 1 AND u.hidden = 0 ORDER BY u.id DESC");
    query.Bind(1, afterId);
    while (query.Step() == SQLITE_ROW) found.emplace_back(query.Int(0), query.String(1));
    return found;
}

std::vector<CLibraryViews::RuleMatches> CLibraryViews::RuleMatchesAfter(int64_t afterId,
                                                                        size_t newest) {
    std::vector<RuleMatches> found;
    sqlite3* db = m_store.Connection();
    if (!db) return found;
    // A range of the articles' own key: only what the update stored is read.
    SqliteStatement query(
        db,
        "SELECT a.id, r.id, r.name FROM articles a JOIN rules r ON r.id = a.notify_rule "
        "WHERE a.id > ? AND a.notify_rule != 0 AND a.stored = 1 "
        "ORDER BY r.position, r.id, a.id DESC");
    query.Bind(1, afterId);
    int64_t rule = 0;
    while (query.Step() == SQLITE_ROW) {
        if (found.empty() || query.Int(1) != rule) {
            rule = query.Int(1);
            found.push_back({query.String(2), 0, {}});
        }
        RuleMatches& matches = found.back();
        ++matches.count;
        if (matches.newest.size() < newest) matches.newest.push_back(query.Int(0));
    }
    return found;
}

}  // namespace varlo
