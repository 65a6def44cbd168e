#include "store/library.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "platform/kill_point.h"
#include "store/article_keys.h"
#include "store/article_limits.h"
#include "store/library_schema.h"
#include "store/pending_marks.h"
#include "store/rule_store.h"
#include "store/search_query.h"
#include "store/write_transaction.h"

namespace varlo {
namespace {

// A key kept as its hash: this, then the hash in 16 hex digits. No key a feed gives begins with a
// control character.
constexpr std::string_view kHashedKey = "\x01hash:";
constexpr size_t kHashedKeySize = kHashedKey.size() + 16;

std::optional<uint64_t> HashOfHashedKey(std::string_view key) {
    if (key.size() != kHashedKeySize || !key.starts_with(kHashedKey)) return std::nullopt;
    uint64_t hash = 0;
    for (const char c : key.substr(kHashedKey.size())) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return std::nullopt;
        hash = hash << 4 | static_cast<uint64_t>(digit);
    }
    return hash;
}

// The store hashes keys in the system's text, as the window has always recorded them; a key
// kept as its hash gives that hash.
int64_t KeyHashOf(const std::string& utf8Key) {
    if (const std::optional<uint64_t> hash = HashOfHashedKey(utf8Key)) {
        return static_cast<int64_t>(*hash);
    }
    return static_cast<int64_t>(HashArticleKey(Utf8TextToCp932(utf8Key)));
}

int64_t SortTime(int64_t date, int64_t firstSeen) {
    return date > 0 ? date : firstSeen;
}

// The bytes of a link the index of links holds: enough to tell a site's links apart, and an
// entry that fits its page however long the link (see kLinkIndexMigration).
constexpr int64_t kLinkIndexed = 256;
// A stored article's row beyond its texts, and the entries of the indexes every one has (the
// site's and the library's orders, the unread set, its key's hash, its presence and age).
constexpr int64_t kRowBytes = 48;
constexpr int64_t kIndexBytes = 192;

// The bytes a row of `bytes` takes of the file. It shares a page with as many rows of its size
// as fit whole, so a row of just over half a page takes a page; a longer one goes on in pages of
// its own, the last half empty on average.
int64_t RowCost(int64_t bytes) {
    constexpr int64_t kPage = 4096;
    constexpr int64_t kMostInPage = 4061;  // the most of a row a page holds
    constexpr int64_t kCellBytes = 16;     // a row's header and place in its page
    if (bytes + kCellBytes > kMostInPage) return bytes + kPage / 2;
    return kPage / (kMostInPage / (bytes + kCellBytes));
}

constexpr const char* kRowColumns =
    "SELECT a.id, f.url, a.key, a.title, a.link, a.date, a.author, a.category, a.first_seen, "
    "a.last_present, ";  // then whether it is read, a.starred, a.server_id

LibraryRow RowFrom(const SqliteStatement& query, bool withHtml) {
    LibraryRow row;
    row.id = query.Int(0);
    row.feedUrl = query.String(1);
    row.key = query.String(2);
    row.title = query.String(3);
    row.link = query.String(4);
    row.date = query.Int(5);
    row.author = query.String(6);
    row.category = query.String(7);
    row.firstSeen = query.Int(8);
    row.lastInFeed = query.Int(9);
    row.read = query.Int(10) != 0;
    row.starred = query.Int(11) != 0;
    if (!query.IsNull(12)) row.serverId = query.String(12);
    row.hidden = query.Int(13) != 0;
    if (withHtml) row.html = query.String(14);
    return row;
}

std::string RowQuery(bool withHtml, const char* rest) {
    return std::string(kRowColumns) + kArticleRead + ", a.starred, a.server_id, a.hidden" +
           (withHtml ? ", coalesce(t.html, x'')" : "") +
           " FROM articles a JOIN feeds f ON f.id = a.feed_id " +
           (withHtml ? "LEFT JOIN article_texts t ON t.id = a.id " : "") + rest;
}

// The condition that keeps the articles of the sites in the connection's table of sites.
constexpr const char* kInSites =
    " AND feed_id IN (SELECT f.id FROM temp.varlo_sites s JOIN feeds f ON f.url = s.url)";

// The rows, the WHERE and the ORDER BY of a stored view (not a search), with the site's address
// as ?1, limited to the table of sites when `limited`. Each names the partial index that holds
// the view in its order: without statistics the planner would take the index of every article
// by time and test each row.
std::string ViewClause(LibraryView::Kind kind, bool limited = false) {
    const std::string sites = limited ? kInSites : "";
    switch (kind) {
        case LibraryView::Kind::kUnread:
            return "unread INDEXED BY unread_by_time WHERE stored = 1 AND hidden = 0" + sites +
                   " ORDER BY sort_time DESC, id DESC";
        case LibraryView::Kind::kStarred:
            return "articles INDEXED BY articles_starred WHERE starred = 1 AND stored = 1 AND "
                   "hidden = 0" +
                   sites + " ORDER BY sort_time DESC, id DESC";
        case LibraryView::Kind::kHidden:
            return "articles INDEXED BY articles_hidden WHERE hidden = 1 AND stored = 1" + sites +
                   " ORDER BY sort_time DESC, id DESC";
        case LibraryView::Kind::kAll:
            return "articles INDEXED BY articles_by_time WHERE stored = 1" + sites +
                   " ORDER BY sort_time DESC, id DESC";
        case LibraryView::Kind::kSite:
        case LibraryView::Kind::kSearch:
            break;
    }
    return "articles INDEXED BY articles_by_site WHERE feed_id = (SELECT id FROM feeds WHERE "
           "url = ?1) AND stored = 1 ORDER BY sort_time DESC, id DESC";
}

// The articles of a key (?2 its hash, ?3 the key) in every site.
constexpr const char* kByKey = "key_hash = ?2 AND key = ?3 AND stored = 1";

}  // namespace

std::string StoredArticleKey(const std::string& utf8Key) {
    if (utf8Key.size() <= kMaxKeyBytes) return utf8Key;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx",
                  static_cast<unsigned long long>(KeyHashOf(utf8Key)));
    return std::string(kHashedKey) + digits;
}

int64_t StoredArticleCost(int64_t rowTexts, int64_t link, int64_t title, int64_t html) {
    // The article's row with its texts, its HTML in a row of its own, the beginning of its link
    // in the index of links, and its words in the search index: about half the bytes of the
    // texts it indexes (measured on Japanese and English articles).
    return RowCost(rowTexts + kRowBytes) + RowCost(html + 8) + std::min(link, kLinkIndexed) +
           (title + html) / 2 + kIndexBytes;
}

std::string StoredFullTextCostSql(std::string_view html) {
    const std::string length = "length(" + std::string(html) + ")";
    return "(" + length + " + " + length + " / 2 + 2056)";
}

int64_t StoredArticleCost(std::string_view key, std::string_view title, std::string_view link,
                          std::string_view author, std::string_view category,
                          std::string_view serverId, std::string_view html) {
    auto size = [](std::string_view text) { return static_cast<int64_t>(text.size()); };
    return StoredArticleCost(
        size(key) + size(title) + size(link) + size(author) + size(category) + size(serverId),
        size(link), size(title), size(html));
}

// --- recording ---------------------------------------------------------------------------------

int CLibrary::RecordFeed(const Text& url, const FeedValidators& validators,
                         const std::vector<LibraryArticle>& articles, int64_t now,
                         bool bodyChanged) {
    FeedDownload download{url, validators, &articles, now, bodyChanged};
    RecordFeeds({&download, 1});
    return download.added;
}

bool CLibrary::RecordFeeds(std::span<FeedDownload> downloads) {
    const int result = WithSearchRepair([&] {
        const StatementJournalsInMemory journals(m_store.Connection());
        return RecordFeedsOnce(downloads);
    });
    if (result < 0) {
        for (FeedDownload& download : downloads) download.added = -1;
        return false;
    }
    GiveBackFreePages();
    return true;
}

int CLibrary::RecordFeedsOnce(std::span<FeedDownload> downloads) {
    sqlite3* db = m_store.Connection();
    if (!db) return -1;
    KillPoint("store-before-commit");
    WriteTransaction transaction(db);
    if (!transaction.Open()) return -1;
    LoadRules();
    SqliteStatement changed(db,
                            "UPDATE feeds SET etag = ?, last_modified = ?, last_success = ?3, "
                            "body_time = ?3, downloaded = 1, gone = 0 WHERE id = ?4");
    SqliteStatement same(db,
                         "UPDATE feeds SET etag = ?, last_modified = ?, last_success = ?3, "
                         "downloaded = 1, gone = 0 WHERE id = ?4");
    // The texts of every feed go to the search index together, and each site is trimmed once
    // they are all written.
    ArticleWriter writer(db);
    int64_t feedId = -1;
    UseRules(writer, feedId);
    std::vector<int64_t> grown;
    for (FeedDownload& download : downloads) {
        download.added = -1;
        feedId = m_store.FeedId(download.url, download.now);
        if (feedId < 0) return -1;
        SqliteStatement& feed = download.bodyChanged ? changed : same;
        feed.Reset();
        feed.Bind(1, download.validators.etag).Bind(2, download.validators.lastModified);
        feed.Bind(3, download.now).Bind(4, feedId);
        if (feed.Step() != SQLITE_DONE) return -1;
        const int added =
            StoreArticles(writer, feedId, *download.articles, download.now, download.bodyChanged);
        if (added < 0) return -1;
        if (added > 0) grown.push_back(feedId);
        download.added = added;
    }
    if (!writer.Flush()) return -1;
    for (const int64_t site : grown) {
        if (!TrimSite(site) || !m_store.TrimKeys(site)) return -1;
    }
    KillPoint("store-inside-commit");
    if (!transaction.Commit()) return -1;
    KillPoint("store-after-commit");
    return 0;
}

int CLibrary::RecordArticles(const Text& url, const std::vector<LibraryArticle>& articles,
                             int64_t now) {
    const int added = WithSearchRepair([&] {
        sqlite3* db = m_store.Connection();
        if (!db) return -1;
        WriteTransaction transaction(db);
        if (!transaction.Open()) return -1;
        int64_t id = m_store.FeedId(url, now);
        if (id < 0) return -1;
        LoadRules();
        ArticleWriter writer(db);
        UseRules(writer, id);
        const int stored = StoreArticles(writer, id, articles, now, true);
        if (stored < 0 || !writer.Flush()) return -1;
        if (stored > 0 && (!TrimSite(id) || !m_store.TrimKeys(id))) return -1;
        if (!transaction.Commit()) return -1;
        return stored;
    });
    if (added >= 0) GiveBackFreePages();
    return added;
}

namespace {

// The cost ?9 of an article's texts, with that of the whole article kept for article ?1.
std::string WithFullTextCost() {
    return "(?9 + coalesce((SELECT " + StoredFullTextCostSql("t.html") +
           " FROM article_full_texts t WHERE t.id = ?1), 0))";
}

}  // namespace

CLibrary::ArticleWriter::ArticleWriter(sqlite3* db, size_t textsPerStatement)
    : m_db(db),
      m_find(db, "SELECT id FROM articles WHERE feed_id = ? AND key_hash = ?"),
      // A body that holds an article marks it present now; a "not modified" answer leaves the
      // article's presence as the body it stands for set it.
      m_mark(db, "UPDATE articles SET last_present = ? WHERE id = ?"),
      m_add(db,
            "INSERT INTO articles(feed_id, key_hash, key, title, link, date, author, "
            "category, first_seen, last_present, sort_time, server_id, text_size, "
            "stored, hidden, notify_rule) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?9, ?10, ?11, "
            "?12, 1, ?13, ?14)"),
      // Rewrites only what changed, so that an article read again costs no index work.
      // A whole article kept for it adds its own cost to the feed's.
      m_change(db,
               "UPDATE articles SET key = ?2, title = ?3, link = ?4, date = ?5, author = ?6, "
               "category = ?7, sort_time = CASE WHEN ?5 > 0 THEN ?5 ELSE first_seen END, "
               "server_id = coalesce(?8, server_id), text_size = " +
                   WithFullTextCost() +
                   ", stored = 1 "
                   "WHERE id = ?1 AND (stored = 0 OR key IS NOT ?2 OR title IS NOT ?3 OR "
                   "link IS NOT ?4 OR date != ?5 OR author IS NOT ?6 OR category IS NOT ?7 OR "
                   "text_size != " +
                   WithFullTextCost() + " OR (?8 IS NOT NULL AND server_id IS NOT ?8))"),
      m_textsPerStatement(std::max<size_t>(textsPerStatement, 1)) {}

namespace {

// A group of texts written together stops at this size: the search index holds the words of the
// group in memory until its statement ends.
constexpr size_t kTextBytesPerStatement = size_t{1} << 20;

// A statement writing `count` texts: each an article's id and its HTML, in that order. A text
// changed rewrites the article's words in the search index; the same text again writes nothing.
std::string TextsStatement(size_t count) {
    std::string sql = "INSERT INTO article_texts(id, html) VALUES";
    for (size_t i = 0; i < count; ++i) sql += i == 0 ? "(?, ?)" : ",(?, ?)";
    return sql +
           " ON CONFLICT(id) DO UPDATE SET html = excluded.html "
           "WHERE html IS NOT excluded.html";
}

}  // namespace

bool CLibrary::ArticleWriter::Flush() {
    if (m_texts.empty()) return true;
    std::unique_ptr<SqliteStatement> partial;
    SqliteStatement* statement = nullptr;
    if (m_texts.size() == m_textsPerStatement) {
        if (!m_fullTexts) {
            m_fullTexts = std::make_unique<SqliteStatement>(m_db, TextsStatement(m_texts.size()));
        }
        statement = m_fullTexts.get();
    } else {
        partial = std::make_unique<SqliteStatement>(m_db, TextsStatement(m_texts.size()));
        statement = partial.get();
    }
    statement->Reset();
    int index = 1;
    for (const auto& [id, html] : m_texts) {
        statement->Bind(index++, id);
        // The articles outlive the statement: their texts are not copied.
        statement->BindUnowned(index++, *html);
    }
    const bool written = statement->Step() == SQLITE_DONE;
    statement->Reset();
    m_texts.clear();
    m_textBytes = 0;
    return written;
}

int64_t CLibrary::ArticleWriter::Write(int64_t feedId, const LibraryArticle& article, int64_t now,
                                       bool present, bool* added, int64_t* costOut,
                                       RuleActions* actions) {
    auto bindServerId = [](SqliteStatement& statement, int index, const std::string& id) {
        if (id.empty()) {
            statement.BindNull(index);
        } else {
            statement.Bind(index, id);
        }
    };
    *added = false;
    const int64_t hash = KeyHashOf(article.key);
    const std::string key = StoredArticleKey(article.key);
    const std::string_view title = CapUtf8(article.title, kMaxTitleBytes);
    const std::string_view link = CapUtf8(article.link, kMaxLinkBytes);
    const std::string_view author = CapUtf8(article.author, kMaxAuthorBytes);
    const std::string_view category = CapUtf8(article.category, kMaxCategoryBytes);
    const int64_t cost =
        StoredArticleCost(key, title, link, author, category, article.serverId, article.html);
    if (costOut) *costOut = cost;
    m_find.Reset();
    m_find.Bind(1, feedId).Bind(2, hash);
    const int found = m_find.Step();
    if (found != SQLITE_ROW && found != SQLITE_DONE) return -1;
    int64_t id = found == SQLITE_ROW ? m_find.Int(0) : -1;
    if (id < 0) {
        const RuleActions decided = m_rules ? m_rules(article) : RuleActions{};
        if (actions) *actions = decided;
        m_add.Reset();
        m_add.Bind(1, feedId).Bind(2, hash).Bind(3, key).Bind(4, title);
        m_add.Bind(5, link).Bind(6, article.date).Bind(7, author);
        m_add.Bind(8, category).Bind(9, now).Bind(10, SortTime(article.date, now));
        bindServerId(m_add, 11, article.serverId);
        m_add.Bind(12, cost).Bind(13, int64_t{decided.hide}).Bind(14, decided.notifyRule);
        if (m_add.Step() != SQLITE_DONE) return -1;
        id = sqlite3_last_insert_rowid(m_db);
        *added = true;
    } else {
        if (present) {
            m_mark.Reset();
            m_mark.Bind(1, now).Bind(2, id);
            if (m_mark.Step() != SQLITE_DONE) return -1;
        }
        m_change.Reset();
        m_change.Bind(1, id).Bind(2, key).Bind(3, title).Bind(4, link);
        m_change.Bind(5, article.date).Bind(6, author).Bind(7, category);
        bindServerId(m_change, 8, article.serverId);
        m_change.Bind(9, cost);
        if (m_change.Step() != SQLITE_DONE) return -1;
    }
    m_texts.emplace_back(id, &article.html);
    m_textBytes += article.html.size();
    if ((m_texts.size() >= m_textsPerStatement || m_textBytes >= kTextBytesPerStatement) &&
        !Flush()) {
        return -1;
    }
    return id;
}

int CLibrary::StoreArticles(ArticleWriter& writer, int64_t feedId,
                            const std::vector<LibraryArticle>& articles, int64_t now,
                            bool present) {
    int added = 0;
    // A feed of more new articles than the site keeps is trimmed as it is stored, each time
    // an eighth of the site's limits came in: the pages of the articles that go take the new
    // ones instead of growing the file by the whole feed. What stays is the same as when
    // trimmed once at the end: each trim takes the articles last in the one order that
    // decides.
    int64_t sinceTrim = 0;
    int64_t costSinceTrim = 0;
    for (const LibraryArticle& article : articles) {
        bool isNew = false;
        int64_t cost = 0;
        RuleActions actions;
        const int64_t id = writer.Write(feedId, article, now, present, &isNew, &cost, &actions);
        if (id < 0) return -1;
        added += isNew;
        if (!isNew) continue;
        if (!ApplyArrivalMarks(id, actions)) return -1;
        ++sinceTrim;
        costSinceTrim += cost;
        if (sinceTrim * 8 >= m_maxArticles || costSinceTrim * 8 >= m_maxText) {
            if (!writer.Flush() || !TrimSite(feedId)) return -1;
            sinceTrim = 0;
            costSinceTrim = 0;
        }
    }
    return added;
}

void CLibrary::LoadRules() {
    m_rules = CRuleStore(m_store).Compiled();
    m_ruleSiteId = -1;
}

RuleActions CLibrary::ArrivalActions(int64_t feedId, const LibraryArticle& article) {
    if (!m_rules) return {};
    if (feedId != m_ruleSiteId) {
        SqliteStatement url(m_store.Connection(), "SELECT url FROM feeds WHERE id = ?");
        url.Bind(1, feedId);
        m_ruleSite.url = url.Step() == SQLITE_ROW ? url.String(0) : Text();
        m_ruleSite.categories.clear();
        if (m_rules->NeedsCategories()) {
            m_ruleSite.categories = CRuleStore(m_store).CategoriesOf(m_ruleSite.url);
        }
        m_ruleSiteId = feedId;
    }
    const RuleArticle read{article.title, article.html, article.link, article.author,
                           article.category};
    const RuleActions actions = m_rules->Evaluate(read, m_ruleSite);
    for (std::string& message : m_rules->TakeMessages()) {
        // The window shows the store's notice after an update: the last one stands for them.
        m_store.m_notice = Utf8TextToCp932(message);
        m_ruleMessages.push_back(std::move(message));
    }
    return actions;
}

void CLibrary::UseRules(ArticleWriter& writer, const int64_t& feedId) {
    if (!m_rules) return;
    // `feedId` is read when an article is stored: a sync's writer stores many sites in turn.
    writer.SetRules(
        [this, &feedId](const LibraryArticle& article) { return ArrivalActions(feedId, article); });
}

bool CLibrary::ApplyArrivalMarks(int64_t id, const RuleActions& actions) {
    if (actions.read && !SetRead(id, true)) return false;
    if (actions.star && !SetStarred(id, true)) return false;
    return true;
}

bool CLibrary::SetHidden(int64_t id, bool hidden) {
    if (!m_store.Connection()) return false;
    SqliteStatement hide(m_store.Connection(),
                         "UPDATE articles SET hidden = ?2 WHERE id = ?1 AND hidden != ?2");
    hide.Bind(1, id).Bind(2, int64_t{hidden});
    return hide.Step() == SQLITE_DONE;
}

void CLibrary::DropHidden(std::vector<int64_t>& ids) {
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

bool CLibrary::TrimSite(int64_t feedId) {
    sqlite3* db = m_store.Connection();
    SqliteStatement totals(db,
                           "SELECT count(*), coalesce(sum(text_size), 0) FROM articles "
                           "WHERE feed_id = ? AND stored = 1");
    totals.Bind(1, feedId);
    if (totals.Step() != SQLITE_ROW) return false;
    int64_t count = totals.Int(0);
    int64_t size = totals.Int(1);
    // A site may keep fewer articles than the library would, never more.
    SqliteStatement own(db,
                        "SELECT s.keep_articles FROM site_settings s JOIN feeds f ON s.url = f.url "
                        "WHERE f.id = ? AND s.keep_articles > 0");
    own.Bind(1, feedId);
    const int64_t maxArticles =
        own.Step() == SQLITE_ROW ? std::min(own.Int(0), m_maxArticles) : m_maxArticles;
    if (count <= maxArticles && size <= m_maxText) return true;
    // The oldest read articles go first, then the oldest unread ones; starred ones stay.
    SqliteStatement candidates(db, std::string("SELECT id, text_size FROM articles a WHERE "
                                               "feed_id = ? AND stored = 1 AND starred = 0 "
                                               "ORDER BY ") +
                                       kArticleUnread + ", sort_time, id");
    candidates.Bind(1, feedId);
    std::vector<int64_t> doomed;
    while ((count > maxArticles || size > m_maxText) && candidates.Step() == SQLITE_ROW) {
        doomed.push_back(candidates.Int(0));
        --count;
        size -= candidates.Int(1);
    }
    SqliteStatement remove(db, "DELETE FROM articles WHERE id = ?");
    for (const int64_t id : doomed) {
        remove.Reset();
        remove.Bind(1, id);
        if (remove.Step() != SQLITE_DONE) return false;
    }
    return true;
}

// --- marks -------------------------------------------------------------------------------------

bool CLibrary::SetMark(MarkKind kind, bool value, const char* where, std::string_view key,
                       int64_t id, MarkSource source) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    KillPoint("library-mark");
    // Only the articles whose mark changes: they are the ones to queue. Read is the absence
    // from the unread set.
    const std::string changing = kind == MarkKind::kStarred ? "starred != ?1"
                                 : value                    ? kArticleUnread
                                                            : kArticleRead;
    const std::string rows = std::string("FROM articles a WHERE ") + where + " AND " + changing;
    auto bind = [&](SqliteStatement& statement) {
        statement.Bind(1, int64_t{value});
        if (id >= 0) {
            statement.Bind(2, id);
        } else {
            const std::string whole(key);
            statement.Bind(2, KeyHashOf(whole)).Bind(3, StoredArticleKey(whole));
        }
    };
    MarkTransaction transaction(db);
    if (!transaction.Open()) return false;
    if (source == MarkSource::kLocal && !QueueMarks(db, kind, rows, bind)) return false;
    std::string change;
    if (kind == MarkKind::kStarred) {
        change =
            std::string("UPDATE articles SET starred = ?1 WHERE ") + where + " AND " + changing;
    } else if (value) {
        change =
            std::string("DELETE FROM unread WHERE ?1 AND id IN (SELECT id FROM articles WHERE ") +
            where + ")";
    } else {
        change = std::string(
                     "INSERT OR IGNORE INTO unread(id, feed_id, sort_time, stored, synced, hidden) "
                     "SELECT id, feed_id, sort_time, stored, server_id IS NOT NULL, hidden FROM "
                     "articles WHERE NOT ?1 AND ") +
                 where;
    }
    SqliteStatement statement(db, change);
    bind(statement);
    return statement.Step() == SQLITE_DONE && transaction.Commit();
}

bool CLibrary::SetRead(int64_t id, bool read, MarkSource source) {
    return SetMark(MarkKind::kRead, read, "id = ?2", {}, id, source);
}

bool CLibrary::SetStarred(int64_t id, bool starred, MarkSource source) {
    return SetMark(MarkKind::kStarred, starred, "id = ?2", {}, id, source);
}

int CLibrary::SetReadByKey(const std::string& key, bool read, MarkSource source) {
    if (!SetMark(MarkKind::kRead, read, kByKey, key, -1, source)) return -1;
    return CountByKey(key);
}

int CLibrary::SetStarredByKey(const std::string& key, bool starred, MarkSource source) {
    if (!SetMark(MarkKind::kStarred, starred, kByKey, key, -1, source)) return -1;
    return CountByKey(key);
}

int CLibrary::CountByKey(const std::string& key) {
    SqliteStatement query(m_store.Connection(),
                          "SELECT count(*) FROM articles WHERE key_hash = ? AND key = ? AND "
                          "stored = 1");
    query.Bind(1, KeyHashOf(key)).Bind(2, StoredArticleKey(key));
    return query.Step() == SQLITE_ROW ? static_cast<int>(query.Int(0)) : -1;
}

bool CLibrary::MarkSiteRead(const Text& url) {
    if (!m_store.Connection()) return false;
    KillPoint("library-mark");
    return m_store.MarkSeen(url);
}

bool CLibrary::MarkViewRead(const LibraryView& view) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    KillPoint("library-mark");
    // Both statements read the marked articles from indexes that hold them alone: the unread
    // ones of every site, and the unread ones a sync server knows; a view of some sites only
    // keeps theirs.
    const bool limited = view.kind != LibraryView::Kind::kSite &&
                         view.kind != LibraryView::Kind::kSearch && LimitToSites(view);
    const std::string sites = limited ? kInSites : "";
    std::string marked;
    std::string queued;
    switch (view.kind) {
        case LibraryView::Kind::kUnread:
        case LibraryView::Kind::kAll:
            // Everything, the articles known by their keys alone too.
            marked = limited ? " WHERE 1" + sites : "";
            queued =
                "FROM articles WHERE id IN (SELECT id FROM unread INDEXED BY unread_synced "
                "WHERE synced = 1" +
                sites + ")";
            break;
        case LibraryView::Kind::kStarred:
            marked =
                " WHERE id IN (SELECT id FROM articles INDEXED BY articles_starred WHERE "
                "starred = 1 AND stored = 1" +
                sites + ")";
            queued =
                "FROM articles INDEXED BY articles_starred WHERE starred = 1 AND stored = 1 AND "
                "id IN (SELECT id FROM unread)" +
                sites;
            break;
        case LibraryView::Kind::kHidden:
            marked =
                " WHERE id IN (SELECT id FROM articles INDEXED BY articles_hidden WHERE "
                "hidden = 1 AND stored = 1" +
                sites + ")";
            queued =
                "FROM articles INDEXED BY articles_hidden WHERE hidden = 1 AND stored = 1 AND "
                "id IN (SELECT id FROM unread)" +
                sites;
            break;
        case LibraryView::Kind::kSite:
            return MarkSiteRead(view.site);
        case LibraryView::Kind::kSearch:
            return MarkRead(Ids(view));
    }
    // A large set is worked on in memory until it is written at once.
    SqliteExec(db, "PRAGMA cache_size=-65536");
    bool done = false;
    {
        MarkTransaction transaction(db);
        done = transaction.Open() &&
               QueueMarks(db, MarkKind::kRead, queued.c_str(), [](auto&) {}) &&
               SqliteExec(db, ("DELETE FROM unread" + marked).c_str()) == SQLITE_OK &&
               transaction.Commit();
    }
    SqliteExec(db, "PRAGMA cache_size=-2000");
    KillPoint("library-mark-after");
    return done;
}

bool CLibrary::MarkRead(const std::vector<int64_t>& ids) {
    sqlite3* db = m_store.Connection();
    MarkTransaction transaction(db);
    if (!transaction.Open()) return false;
    for (const int64_t id : ids) {
        if (!SetRead(id, true)) return false;
    }
    return transaction.Commit();
}

// --- counts ------------------------------------------------------------------------------------

std::map<Text, int64_t> CLibrary::UnreadCounts() {
    std::map<Text, int64_t> counts;
    if (!m_store.Connection()) return counts;
    SqliteStatement query(m_store.Connection(),
                          "SELECT f.url, c.n FROM (SELECT feed_id, count(*) AS n FROM unread "
                          "WHERE hidden = 0 GROUP BY feed_id) c JOIN feeds f ON f.id = c.feed_id");
    while (query.Step() == SQLITE_ROW) counts.emplace(query.String(0), query.Int(1));
    return counts;
}

int64_t CLibrary::UnreadCount(const Text& url) {
    if (!m_store.Connection()) return 0;
    SqliteStatement query(m_store.Connection(),
                          "SELECT count(*) FROM unread WHERE feed_id = "
                          "(SELECT id FROM feeds WHERE url = ?) AND hidden = 0");
    query.Bind(1, url);
    return query.Step() == SQLITE_ROW ? query.Int(0) : 0;
}

int64_t CLibrary::UnreadTotal() {
    return Count(LibraryView::Unread());
}

int64_t CLibrary::StarredCount() {
    return Count(LibraryView::Starred());
}

// --- views -------------------------------------------------------------------------------------

bool CLibrary::LimitToSites(const LibraryView& view) {
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

int64_t CLibrary::Count(const LibraryView& view) {
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

std::vector<int64_t> CLibrary::ViewIds(const LibraryView& view, int64_t offset, int64_t n) {
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

std::vector<LibraryRow> CLibrary::Page(const LibraryView& view, int64_t offset, int64_t n) {
    if (n <= 0) return {};
    return Rows(ViewIds(view, offset, n));
}

std::vector<int64_t> CLibrary::Ids(const LibraryView& view) {
    return ViewIds(view, 0, -1);
}

std::vector<LibraryRow> CLibrary::Rows(const std::vector<int64_t>& ids, bool withHtml) {
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

std::optional<LibraryRow> CLibrary::Article(int64_t id) {
    std::vector<LibraryRow> rows = Rows({id}, true);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::vector<LibraryRow> CLibrary::SiteArticles(const Text& url, int64_t limit) {
    return Rows(ViewIds(LibraryView::Site(url), 0, limit > 0 ? limit : -1), true);
}

// --- sync --------------------------------------------------------------------------------------

std::optional<LibraryRow> CLibrary::FindOne(const std::string& sql,
                                            const std::vector<std::string>& texts,
                                            std::optional<int64_t> number) {
    if (!m_store.Connection()) return std::nullopt;
    SqliteStatement query(m_store.Connection(), RowQuery(false, sql.c_str()) + " LIMIT 1");
    int index = 1;
    for (const std::string& text : texts) query.Bind(index++, text);
    if (number) query.Bind(index, *number);
    if (query.Step() != SQLITE_ROW) return std::nullopt;
    return RowFrom(query, false);
}

std::optional<LibraryRow> CLibrary::FindByServerId(const std::string& serverId) {
    return FindOne("WHERE a.server_id = ?1", {serverId}, std::nullopt);
}

std::optional<LibraryRow> CLibrary::FindByLink(const Text& url, const std::string& link) {
    return FindOne(
        "WHERE f.url = ?1 AND a.stored = 1 AND substr(a.link, 1, 256) = substr(?2, 1, 256) "
        "AND a.link = ?2",
        {url, std::string(CapUtf8(link, kMaxLinkBytes))}, std::nullopt);
}

std::optional<LibraryRow> CLibrary::FindByKey(const Text& url, const std::string& key) {
    return FindOne(
        "WHERE a.key_hash = ?3 AND a.feed_id = (SELECT id FROM feeds WHERE url = ?1) "
        "AND a.key = ?2 AND a.stored = 1",
        {url, StoredArticleKey(key)}, KeyHashOf(key));
}

std::optional<LibraryRow> CLibrary::FindByTitleDate(const Text& url, const std::string& title,
                                                    int64_t date) {
    return FindOne("WHERE f.url = ?1 AND a.stored = 1 AND a.title = ?2 AND a.date = ?3",
                   {url, std::string(CapUtf8(title, kMaxTitleBytes))}, date);
}

bool CLibrary::SetServerId(int64_t id, const std::string& serverId) {
    if (!m_store.Connection()) return false;
    SqliteStatement statement(m_store.Connection(),
                              "UPDATE articles SET server_id = ? WHERE id = ?");
    if (serverId.empty()) {
        statement.BindNull(1);
    } else {
        statement.Bind(1, serverId);
    }
    statement.Bind(2, id);
    return statement.Step() == SQLITE_DONE;
}

std::vector<LibraryRef> CLibrary::RefsWhere(const char* where, const char* from) {
    std::vector<LibraryRef> refs;
    if (!m_store.Connection()) return refs;
    SqliteStatement query(m_store.Connection(),
                          std::string("SELECT a.id, f.url, a.key, a.server_id FROM ") + from +
                              " JOIN feeds f ON f.id = a.feed_id WHERE a.stored = 1 AND " + where);
    while (query.Step() == SQLITE_ROW) {
        LibraryRef ref;
        ref.id = query.Int(0);
        ref.feedUrl = query.String(1);
        ref.key = query.String(2);
        if (!query.IsNull(3)) ref.serverId = query.String(3);
        refs.push_back(std::move(ref));
    }
    return refs;
}

std::vector<LibraryRef> CLibrary::UnreadSet() {
    return RefsWhere("a.id IN (SELECT id FROM unread)");
}

std::vector<LibraryRef> CLibrary::StarredSet() {
    // Through the index of starred articles: the window asks at every fill of the article list,
    // and a scan of a library of a million articles would hold it up.
    return RefsWhere("a.starred = 1", "articles a INDEXED BY articles_starred");
}

std::vector<LibraryRef> CLibrary::HiddenSet() {
    return RefsWhere("a.hidden = 1", "articles a INDEXED BY articles_hidden");
}

std::vector<PendingMark> CLibrary::TakePendingMarks(int64_t max) {
    std::vector<PendingMark> marks;
    if (!m_store.Connection()) return marks;
    SqliteStatement query(m_store.Connection(),
                          std::string("SELECT p.article_id, a.server_id, ") + kArticleRead +
                              ", a.starred, p.read_changed, "
                              "p.starred_changed FROM pending_marks p JOIN articles a ON "
                              "a.id = p.article_id WHERE a.server_id IS NOT NULL ORDER BY p.seq "
                              "LIMIT ?");
    query.Bind(1, max);
    while (query.Step() == SQLITE_ROW) {
        PendingMark mark;
        mark.articleId = query.Int(0);
        mark.serverId = query.String(1);
        mark.read = query.Int(2) != 0;
        mark.starred = query.Int(3) != 0;
        mark.readChanged = query.Int(4) != 0;
        mark.starredChanged = query.Int(5) != 0;
        marks.push_back(std::move(mark));
    }
    return marks;
}

bool CLibrary::ClearSentMarks(const std::vector<PendingMark>& sent) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    WriteTransaction transaction(db);
    if (!transaction.Open()) return false;
    // A mark made again since it was taken stays queued: the article's state differs from what
    // was sent.
    SqliteStatement clear(db,
                          "DELETE FROM pending_marks WHERE article_id = ?1 AND EXISTS (SELECT 1 "
                          "FROM articles a WHERE a.id = ?1 AND " +
                              std::string(kArticleRead) + " = ?2 AND a.starred = ?3)");
    for (const PendingMark& mark : sent) {
        clear.Reset();
        clear.Bind(1, mark.articleId).Bind(2, int64_t{mark.read}).Bind(3, int64_t{mark.starred});
        if (clear.Step() != SQLITE_DONE) return false;
    }
    return transaction.Commit();
}

// --- retention ---------------------------------------------------------------------------------

bool CLibrary::Prune(int64_t now, int keepDays) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    m_store.SetKeepDays(keepDays);
    m_store.Prune(now);
    // A site whose number of articles was lowered since its last new article keeps that many
    // from now on.
    WriteTransaction transaction(db);
    if (transaction.Open()) {
        SqliteStatement own(db,
                            "SELECT f.id FROM feeds f JOIN site_settings s ON s.url = f.url "
                            "WHERE s.keep_articles > 0");
        bool trimmed = true;
        while (trimmed && own.Step() == SQLITE_ROW) trimmed = TrimSite(own.Int(0));
        if (trimmed) transaction.Commit();
    }
    return GiveBackFreePages();
}

// --- the file ----------------------------------------------------------------------------------

bool CLibrary::GiveBackFreePages() {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    auto number = [db](const char* pragma) {
        SqliteStatement query(db, pragma);
        return query.Step() == SQLITE_ROW ? query.Int(0) : -1;
    };
    const int64_t free = number("PRAGMA freelist_count");
    const int64_t pages = number("PRAGMA page_count");
    if (free < 0 || pages < 0) return false;
    // Pages freed by one update are mostly taken again by the next: only a store a quarter
    // empty is worth the writing.
    if (free * 4 <= pages) return true;
    int code = SQLITE_OK;
    if (number("PRAGMA auto_vacuum") == 2) {
        code = SqliteExec(db, "PRAGMA incremental_vacuum");
    } else {
        // A store made before pages were given back in steps: one rewrite of the whole file
        // makes it one that does.
        SqliteExec(db, "PRAGMA auto_vacuum=INCREMENTAL");
        code = SqliteExec(db, "VACUUM");
    }
    // The file shrinks when the log is copied back into it, and the log, which took every
    // page moved, is cut back too.
    sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    return code == SQLITE_OK;
}

// --- search ------------------------------------------------------------------------------------

namespace {

// Looking up a hit's date reads its article, a page of its own: it costs about as much as
// stepping this many entries of the index of articles by time.
constexpr double kLookUpCost = 150;

}  // namespace

std::vector<int64_t> CLibrary::FindHits(const std::string& words, int64_t limit, bool limited) {
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

bool CLibrary::FirstHitsAmongNewest(const SearchQuery& query, int64_t limit,
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

const std::vector<int64_t>& CLibrary::SearchResults(const std::string& words, bool limited) {
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

std::vector<int64_t> CLibrary::Search(const std::string& words, int64_t limit) {
    if (limit <= 0) return SearchResults(words);
    // Hidden articles are found and then dropped: as many more are asked for as are hidden, so
    // that the limit is met whenever enough shown articles match.
    std::vector<int64_t> hits = FindHits(words, limit + HiddenCount());
    DropHidden(hits);
    if (hits.size() > static_cast<size_t>(limit)) hits.resize(static_cast<size_t>(limit));
    return hits;
}

bool CLibrary::CheckSearchIndex() {
    sqlite3* db = m_store.Connection();
    return db && SqliteExec(db,
                            "INSERT INTO article_search(article_search) "
                            "VALUES('integrity-check')") == SQLITE_OK;
}

bool CLibrary::SearchIndexDamaged() {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    const int code =
        SqliteExec(db, "INSERT INTO article_search(article_search) VALUES('integrity-check')");
    return (code & 0xff) == SQLITE_CORRUPT;
}

bool CLibrary::RepairSearchIndex() {
    if (!m_store.Connection()) return false;
    if (SearchIndexDamaged()) return RebuildSearchIndex();
    m_searchFailed = false;
    return true;
}

bool CLibrary::RebuildSearchIndex() {
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

int CLibrary::WithSearchRepair(const std::function<int()>& write) {
    const int result = write();
    // A damaged search index fails every write that adds words to it, for good; its own check
    // tells it from a failure of another kind (a busy store, a full disk).
    if (result >= 0 || !SearchIndexDamaged() || !RebuildSearchIndex()) return result;
    return write();
}

}  // namespace varlo
