#include "store/library_views.h"

#include <algorithm>
#include <string>

#include "store/library_rows.h"
#include "store/pending_marks.h"

namespace varlo {

std::map<Text, int64_t> CLibraryViews::UnreadCounts() {
    std::map<Text, int64_t> counts;
    if (!m_store.Connection()) return counts;
    SqliteStatement query(m_store.Connection(),
                          "SELECT f.url, c.n FROM (SELECT feed_id, count(*) AS n FROM unread "
                          "WHERE hidden = 0 GROUP BY feed_id) c JOIN feeds f ON f.id = c.feed_id");
    while (query.Step() == SQLITE_ROW) counts.emplace(query.String(0), query.Int(1));
    return counts;
}

int64_t CLibraryViews::UnreadCount(const Text& url) {
    if (!m_store.Connection()) return 0;
    SqliteStatement query(m_store.Connection(),
                          "SELECT count(*) FROM unread WHERE feed_id = "
                          "(SELECT id FROM feeds WHERE url = ?) AND hidden = 0");
    query.Bind(1, url);
    return query.Step() == SQLITE_ROW ? query.Int(0) : 0;
}

int64_t CLibraryViews::UnreadTotal() {
    return Count(LibraryView::Unread());
}

int64_t CLibraryViews::StarredCount() {
    return Count(LibraryView::Starred());
}

bool CLibraryViews::LimitToSites(const LibraryView& view) {
    sqlite3* db = m_store.Connection();
    if (!db || !view.sites || view.kind == LibraryView::Kind::kSite) return false;
    // The table lives with the connection: filled again when another list of sites is asked for,
    // or when the connection is a new one.
    const bool held =
        m_sitesHeld == view.sites &&
        sqlite3_table_column_metadata(db, "temp", "varlo_sites", "url", nullptr, nullptr, nullptr,
                                      nullptr, nullptr) == SQLITE_OK;
    if (!held) {
        m_sitesHeld.reset();
        if (SqliteExec(db,
                       "CREATE TEMP TABLE IF NOT EXISTS varlo_sites(url BLOB PRIMARY KEY) "
                       "WITHOUT ROWID") != SQLITE_OK ||
            SqliteExec(db, "DELETE FROM temp.varlo_sites") != SQLITE_OK) {
            return false;
        }
        SqliteStatement add(db, "INSERT OR IGNORE INTO temp.varlo_sites(url) VALUES(?)");
        for (const Text& url : *view.sites) {
            add.Reset();
            add.Bind(1, url);
            add.Step();
        }
        m_sitesHeld = view.sites;
    }
    // Where every site that has articles is among them (one subscription file, the usual case),
    // the views need no condition and keep the speed of their indexes alone.
    SqliteStatement outside(db,
                            "SELECT 1 FROM feeds f WHERE NOT EXISTS (SELECT 1 FROM "
                            "temp.varlo_sites s WHERE s.url = f.url) AND EXISTS (SELECT 1 FROM "
                            "articles INDEXED BY articles_by_site WHERE feed_id = f.id AND "
                            "stored = 1) LIMIT 1");
    return outside.Step() == SQLITE_ROW;
}

int64_t CLibraryViews::Count(const LibraryView& view) {
    if (!m_store.Connection()) return 0;
    if (view.kind == LibraryView::Kind::kSearch) {
        return static_cast<int64_t>(SearchResults(view.words, LimitToSites(view)).size());
    }
    const bool limited = LimitToSites(view);
    std::string sql = "SELECT count(*) FROM " + ViewClause(view.kind, limited);
    sql.resize(sql.find(" ORDER BY"));
    // Counting needs no order: the unread articles of some sites are read site by site, as many
    // as the sites hold rather than as many as the library holds.
    if (limited && view.kind == LibraryView::Kind::kUnread) {
        sql = std::string(
                  "SELECT count(*) FROM unread INDEXED BY unread_by_site WHERE stored = 1 "
                  "AND hidden = 0") +
              kInSites;
    }
    SqliteStatement query(m_store.Connection(), sql);
    if (view.kind == LibraryView::Kind::kSite) query.Bind(1, view.site);
    return query.Step() == SQLITE_ROW ? query.Int(0) : 0;
}

std::vector<int64_t> CLibraryViews::ViewIds(const LibraryView& view, int64_t offset, int64_t n) {
    std::vector<int64_t> ids;
    if (!m_store.Connection() || offset < 0) return ids;
    if (view.kind == LibraryView::Kind::kSearch) {
        const std::vector<int64_t>& all = SearchResults(view.words, LimitToSites(view));
        if (offset >= static_cast<int64_t>(all.size())) return ids;
        const int64_t end = n < 0 ? static_cast<int64_t>(all.size())
                                  : std::min<int64_t>(static_cast<int64_t>(all.size()), offset + n);
        return std::vector<int64_t>(all.begin() + offset, all.begin() + end);
    }
    // The ids come from the view's ordered index alone; skipping rows reads no article.
    const bool limited = LimitToSites(view);
    SqliteStatement query(m_store.Connection(), "SELECT id FROM " + ViewClause(view.kind, limited) +
                                                    " LIMIT ?2 OFFSET ?3");
    if (view.kind == LibraryView::Kind::kSite) {
        query.Bind(1, view.site);
    } else {
        query.BindNull(1);
    }
    query.Bind(2, n).Bind(3, offset);
    while (query.Step() == SQLITE_ROW) ids.push_back(query.Int(0));
    return ids;
}

std::vector<LibraryRow> CLibraryViews::Page(const LibraryView& view, int64_t offset, int64_t n) {
    if (n <= 0) return {};
    return Rows(ViewIds(view, offset, n));
}

std::vector<int64_t> CLibraryViews::Ids(const LibraryView& view) {
    return ViewIds(view, 0, -1);
}

std::vector<LibraryRow> CLibraryViews::Rows(const std::vector<int64_t>& ids, bool withHtml) {
    std::vector<LibraryRow> rows;
    if (!m_store.Connection()) return rows;
    rows.reserve(ids.size());
    SqliteStatement query(m_store.Connection(), RowQuery(withHtml, "WHERE a.id = ?"));
    for (const int64_t id : ids) {
        query.Reset();
        query.Bind(1, id);
        if (query.Step() == SQLITE_ROW) rows.push_back(RowFrom(query, withHtml));
    }
    return rows;
}

std::optional<LibraryRow> CLibraryViews::Article(int64_t id) {
    std::vector<LibraryRow> rows = Rows({id}, true);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::vector<LibraryRow> CLibraryViews::SiteArticles(const Text& url, int64_t limit) {
    return Rows(ViewIds(LibraryView::Site(url), 0, limit > 0 ? limit : -1), true);
}

}  // namespace varlo
