// The library's search: the index's hits newest first, checked against their texts where the
// index cannot tell, and the index mended when it is damaged.

#include "store/library_views.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>

#include "encoding/codepage.h"
#include "store/library_rows.h"
#include "store/library_schema.h"
#include "store/search_query.h"
#include "store/write_transaction.h"

namespace varlo {

void CLibraryViews::DropHidden(std::vector<int64_t>& ids) {
    if (ids.empty() || !m_store.Connection()) return;
    std::vector<int64_t> hidden;
    SqliteStatement query(m_store.Connection(),
                          "SELECT id FROM articles INDEXED BY articles_hidden WHERE hidden = 1 "
                          "AND stored = 1");
    while (query.Step() == SQLITE_ROW) hidden.push_back(query.Int(0));
    if (hidden.empty()) return;
    std::sort(hidden.begin(), hidden.end());
    std::erase_if(ids,
                  [&](int64_t id) { return std::binary_search(hidden.begin(), hidden.end(), id); });
}

namespace {

// Looking up a hit's date reads its article, a page of its own: it costs about as much as
// stepping this many entries of the index of articles by time.
constexpr double kLookUpCost = 150;

}  // namespace

std::vector<int64_t> CLibraryViews::FindHits(const std::string& words, int64_t limit,
                                             bool limited) {
    std::vector<int64_t> found;
    sqlite3* db = m_store.Connection();
    if (!db) return found;
    const SearchQuery query = BuildSearchQuery(words);
    if (query.Empty()) return found;
    if (limit > 0 && !limited && !query.GathersPrefixes() &&
        FirstHitsAmongNewest(query, limit, found)) {
        return found;
    }
    // The index's hits, by id (no article is read for them).
    std::vector<int64_t> hits;
    {
        SqliteStatement match(db, "SELECT rowid FROM article_search WHERE article_search MATCH ?");
        match.Bind(1, query.Match());
        int step = SQLITE_ROW;
        while ((step = match.Step()) == SQLITE_ROW) hits.push_back(match.Int(0));
        if (step != SQLITE_DONE) m_searchFailed = true;
        std::sort(hits.begin(), hits.end());
    }
    // The hits newest first.
    std::vector<int64_t> ordered;
    const size_t wanted =
        limit > 0 && !query.NeedsCheck() ? static_cast<size_t>(limit) : hits.size();
    // Each hit's date is looked up, or the articles are walked newest first and kept when they
    // are hits: the walk finds `wanted` of them after about wanted / share of hits articles.
    double articles = 0;
    {
        SqliteStatement highest(db, "SELECT coalesce(max(id), 0) FROM articles");
        if (highest.Step() == SQLITE_ROW) articles = static_cast<double>(highest.Int(0));
    }
    const double walkCost =
        hits.empty() ? 0 : std::min(articles, double(wanted) * articles / double(hits.size()));
    if (double(hits.size()) * kLookUpCost <= walkCost) {
        std::vector<std::pair<int64_t, int64_t>> dated;  // (sort_time, id)
        SqliteStatement date(db, std::string("SELECT sort_time FROM articles WHERE id = ? AND "
                                             "stored = 1") +
                                     (limited ? kInSites : ""));
        for (const int64_t id : hits) {
            date.Reset();
            date.Bind(1, id);
            if (date.Step() == SQLITE_ROW) dated.emplace_back(date.Int(0), id);
        }
        std::sort(dated.begin(), dated.end(), std::greater<>());
        for (const auto& [time, id] : dated) ordered.push_back(id);
    } else {
        SqliteStatement walk(db, std::string("SELECT id FROM articles WHERE stored = 1") +
                                     (limited ? kInSites : "") +
                                     " ORDER BY sort_time DESC, id DESC");
        while (ordered.size() < wanted && walk.Step() == SQLITE_ROW) {
            const int64_t id = walk.Int(0);
            if (std::binary_search(hits.begin(), hits.end(), id)) ordered.push_back(id);
        }
    }
    if (!query.NeedsCheck()) {
        if (limit > 0 && static_cast<int64_t>(ordered.size()) > limit) ordered.resize(limit);
        return ordered;
    }
    // The index holds pairs of characters and words without their places: each hit's own text
    // says whether it holds the longer run or the phrase.
    SqliteStatement text(db, "SELECT title, html FROM article_content WHERE id = ?");
    const int64_t most = limit > 0 ? limit : kMaxSearchResults;
    for (const int64_t id : ordered) {
        text.Reset();
        text.Bind(1, id);
        if (text.Step() != SQLITE_ROW) continue;
        if (query.Matches(text.String(0), text.String(1), TextForm::kHtml)) {
            found.push_back(id);
            if (static_cast<int64_t>(found.size()) >= most) break;
        }
    }
    return found;
}

bool CLibraryViews::FirstHitsAmongNewest(const SearchQuery& query, int64_t limit,
                                         std::vector<int64_t>& found) {
    // A page of a common word lies among the newest articles. They are taken from the index of
    // every article by time, and the search index is asked only for the ids they span: every
    // article newer than the last one taken is among them, so if enough of them are hits, those
    // are the first hits. Otherwise the caller reads the whole list of hits.
    sqlite3* db = m_store.Connection();
    std::vector<int64_t> newest;
    SqliteStatement walk(db,
                         "SELECT id FROM articles INDEXED BY articles_by_time WHERE stored = 1 "
                         "ORDER BY sort_time DESC, id DESC LIMIT ?");
    walk.Bind(1, m_newestFirst);
    while (walk.Step() == SQLITE_ROW) newest.push_back(walk.Int(0));
    const bool everything = static_cast<int64_t>(newest.size()) < m_newestFirst;
    if (newest.empty()) return true;
    const auto [lowest, highest] = std::minmax_element(newest.begin(), newest.end());
    std::vector<int64_t> hits;
    SqliteStatement match(db,
                          "SELECT rowid FROM article_search WHERE article_search MATCH ?1 "
                          "AND rowid >= ?2 AND rowid <= ?3");
    match.Bind(1, query.Match()).Bind(2, *lowest).Bind(3, *highest);
    int step = SQLITE_ROW;
    while ((step = match.Step()) == SQLITE_ROW) hits.push_back(match.Int(0));
    if (step != SQLITE_DONE) m_searchFailed = true;
    std::sort(hits.begin(), hits.end());
    std::optional<SqliteStatement> text;
    if (query.NeedsCheck()) {
        text.emplace(db, "SELECT title, html FROM article_content WHERE id = ?");
    }
    found.clear();
    for (const int64_t id : newest) {
        if (!std::binary_search(hits.begin(), hits.end(), id)) continue;
        if (text) {
            text->Reset();
            text->Bind(1, id);
            if (text->Step() != SQLITE_ROW ||
                !query.Matches(text->String(0), text->String(1), TextForm::kHtml)) {
                continue;
            }
        }
        found.push_back(id);
        if (static_cast<int64_t>(found.size()) >= limit) return true;
    }
    if (everything) return true;
    found.clear();
    return false;
}

const std::vector<int64_t>& CLibraryViews::SearchResults(const std::string& words, bool limited) {
    sqlite3* db = m_store.Connection();
    int64_t dataVersion = -1;
    if (db) {
        SqliteStatement version(db, "PRAGMA data_version");
        if (version.Step() == SQLITE_ROW) dataVersion = version.Int(0);
    }
    const int64_t changes = db ? sqlite3_total_changes64(db) : -1;
    const void* sites = limited ? m_sitesHeld.get() : nullptr;
    if (words != m_searchWords || changes != m_searchChanges ||
        dataVersion != m_searchDataVersion || sites != m_searchSites) {
        m_searchIds = FindHits(words, 0, limited);
        DropHidden(m_searchIds);
        m_searchWords = words;
        m_searchSites = sites;
        m_searchChanges = changes;
        m_searchDataVersion = dataVersion;
    }
    return m_searchIds;
}

std::vector<int64_t> CLibraryViews::Search(const std::string& words, int64_t limit) {
    if (limit <= 0) return SearchResults(words);
    // Hidden articles are found and then dropped: as many more are asked for as are hidden, so
    // that the limit is met whenever enough shown articles match.
    std::vector<int64_t> hits = FindHits(words, limit + HiddenCount());
    DropHidden(hits);
    if (hits.size() > static_cast<size_t>(limit)) hits.resize(static_cast<size_t>(limit));
    return hits;
}

bool CLibraryViews::CheckSearchIndex() {
    sqlite3* db = m_store.Connection();
    return db && SqliteExec(db,
                            "INSERT INTO article_search(article_search) "
                            "VALUES('integrity-check')") == SQLITE_OK;
}

bool CLibraryViews::SearchIndexDamaged() {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    const int code =
        SqliteExec(db, "INSERT INTO article_search(article_search) VALUES('integrity-check')");
    return (code & 0xff) == SQLITE_CORRUPT;
}

bool CLibraryViews::RepairSearchIndex() {
    if (!m_store.Connection()) return false;
    if (SearchIndexDamaged()) return RebuildSearchIndex();
    m_searchFailed = false;
    return true;
}

bool CLibraryViews::RebuildSearchIndex() {
    sqlite3* db = m_store.Connection();
    // The index holds nothing of its own: it is made again from the stored texts. When it cannot
    // even read the record of its segments to empty itself, its tables are emptied for it and
    // given the record of an index without segments.
    bool rebuilt = false;
    {
        WriteTransaction transaction(db);
        rebuilt = transaction.Open() &&
                  SqliteExec(db, "INSERT INTO article_search(article_search) VALUES('rebuild')") ==
                      SQLITE_OK &&
                  transaction.Commit();
    }
    if (!rebuilt) {
        WriteTransaction transaction(db);
        rebuilt = transaction.Open() && SqliteExec(db, kEmptySearchIndex) == SQLITE_OK &&
                  SqliteExec(db, "INSERT INTO article_search(article_search) VALUES('rebuild')") ==
                      SQLITE_OK &&
                  transaction.Commit();
    }
    if (!rebuilt || SearchIndexDamaged()) return false;
    m_searchFailed = false;
    m_searchWords.clear();
    m_searchIds.clear();
    m_store.m_notice = Jp("検索の索引が壊れていたため、保存してある記事から作り直しました。");
    return true;
}

}  // namespace varlo
