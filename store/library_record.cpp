// Recording feeds' downloads into the library, the rules run on their new articles, and the
// limits that keep each site to its share and the file to its size.

#include "store/library_record.h"

#include <algorithm>
#include <string>

#include "encoding/carried_reference.h"
#include "platform/kill_point.h"
#include "store/article_keys.h"
#include "store/library_marks.h"
#include "store/library_rows.h"
#include "store/library_schema.h"
#include "store/library_views.h"
#include "store/pending_marks.h"
#include "store/rule_store.h"
#include "store/write_transaction.h"

namespace varlo {

int CLibraryRecorder::RecordFeed(const Text& url, const FeedValidators& validators,
                                 const std::vector<LibraryArticle>& articles, int64_t now,
                                 bool bodyChanged) {
    FeedDownload download{url, validators, &articles, now, bodyChanged};
    RecordFeeds({&download, 1});
    return download.added;
}

bool CLibraryRecorder::RecordFeeds(std::span<FeedDownload> downloads) {
    const int result = WithSearchRepair([&] {
        const StatementJournalsInMemory journals(m_store.Connection());
        const LargerCacheWhileWriting cache(m_store.Connection());
        return RecordFeedsOnce(downloads);
    });
    if (result < 0) {
        for (FeedDownload& download : downloads) download.added = -1;
        return false;
    }
    GiveBackFreePages();
    return true;
}

int CLibraryRecorder::RecordFeedsOnce(std::span<FeedDownload> downloads) {
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

int CLibraryRecorder::RecordArticles(const Text& url, const std::vector<LibraryArticle>& articles,
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

int CLibraryRecorder::StoreArticles(ArticleWriter& writer, int64_t feedId,
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

void CLibraryRecorder::LoadRules() {
    m_rules = CRuleStore(m_store).Compiled();
    m_ruleSiteId = -1;
}

RuleActions CLibraryRecorder::ArrivalActions(int64_t feedId, const LibraryArticle& article) {
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

void CLibraryRecorder::UseRules(ArticleWriter& writer, const int64_t& feedId) {
    if (!m_rules) return;
    // `feedId` is read when an article is stored: a sync's writer stores many sites in turn.
    writer.SetRules(
        [this, &feedId](const LibraryArticle& article) { return ArrivalActions(feedId, article); });
}

bool CLibraryRecorder::ApplyArrivalMarks(int64_t id, const RuleActions& actions) {
    if (actions.read && !m_marks.SetRead(id, true)) return false;
    if (actions.star && !m_marks.SetStarred(id, true)) return false;
    return true;
}

bool CLibraryRecorder::TrimSite(int64_t feedId) {
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

bool CLibraryRecorder::Prune(int64_t now, int keepDays) {
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

bool CLibraryRecorder::GiveBackFreePages() {
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

int CLibraryRecorder::WithSearchRepair(const std::function<int()>& write) {
    const int result = write();
    // A damaged search index fails every write that adds words to it, for good; its own check
    // tells it from a failure of another kind (a busy store, a full disk).
    if (result >= 0 || !m_views.SearchIndexDamaged() || !m_views.RebuildSearchIndex())
        return result;
    return write();
}

}  // namespace varlo
