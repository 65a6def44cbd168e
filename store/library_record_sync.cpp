// Recording a sync server's articles: matched with those the library holds, or stored anew.

#include "store/library_record.h"

#include "store/article_limits.h"
#include "store/write_transaction.h"

namespace varlo {
namespace {

// The id the statement's first row gives; -1 for none, -2 on error.
int64_t FirstId(SqliteStatement& query) {
    const int step = query.Step();
    if (step == SQLITE_ROW) return query.Int(0);
    return step == SQLITE_DONE ? -1 : -2;
}

}  // namespace

int CLibraryRecorder::RecordServerArticles(const std::vector<ServerArticles>& sites, int64_t now) {
    const int added = WithSearchRepair([&] {
        const StatementJournalsInMemory journals(m_store.Connection());
        return RecordServerArticlesOnce(sites, now);
    });
    if (added >= 0) GiveBackFreePages();
    return added;
}

int CLibraryRecorder::RecordServerArticlesOnce(const std::vector<ServerArticles>& sites,
                                               int64_t now) {
    sqlite3* db = m_store.Connection();
    if (!db) return -1;
    WriteTransaction transaction(db);
    if (!transaction.Open()) return -1;
    LoadRules();
    // Every statement is prepared once for the whole batch: a sync brings thousands of articles.
    // A server article is the same as one the library held before: two of the server's own,
    // stored in this batch, stay two even with the same title and date. (Ids only grow.)
    int64_t before = 0;
    {
        SqliteStatement last(db, "SELECT coalesce(max(id), 0) FROM articles");
        if (last.Step() != SQLITE_ROW) return -1;
        before = last.Int(0);
    }
    SqliteStatement site(db, "SELECT id FROM feeds WHERE url = ?");
    SqliteStatement holds(db, "SELECT 1 FROM articles WHERE feed_id = ? AND stored = 1 LIMIT 1");
    SqliteStatement known(db, "SELECT 1 FROM articles WHERE server_id = ? LIMIT 1");
    SqliteStatement byLink(db,
                           "SELECT id FROM articles INDEXED BY articles_by_link WHERE "
                           "feed_id = ?1 AND stored = 1 AND substr(link, 1, 256) = "
                           "substr(?2, 1, 256) AND link = ?2 AND id <= ?3 LIMIT 1");
    // A dated article sorts by its date, so the site's index in time order finds it at once;
    // an undated one is looked for among the site's undated articles.
    SqliteStatement byTitleDate(db,
                                "SELECT id FROM articles INDEXED BY articles_by_site WHERE "
                                "feed_id = ?1 AND stored = 1 AND sort_time = ?4 AND date = ?4 "
                                "AND title = ?2 AND id <= ?3 LIMIT 1");
    SqliteStatement byTitleUndated(db,
                                   "SELECT id FROM articles WHERE feed_id = ?1 AND stored = 1 "
                                   "AND date = 0 AND title = ?2 AND id <= ?3 LIMIT 1");
    SqliteStatement setServerId(db, "UPDATE articles SET server_id = ?2 WHERE id = ?1");
    ArticleWriter writer(db);
    int64_t feedId = -1;
    UseRules(writer, feedId);
    int added = 0;
    // The sites are trimmed once every text is written: a trim takes the texts of the articles
    // it removes with them.
    std::vector<int64_t> grown;
    for (const ServerArticles& batch : sites) {
        // A site the store does not know yet holds nothing to match; it is made when its first
        // article is stored.
        site.Reset();
        site.Bind(1, batch.site);
        feedId = FirstId(site);
        if (feedId == -2) return -1;
        // A site with no stored article (every site, at a first sync into an empty library)
        // has nothing to match.
        bool matchable = false;
        if (feedId >= 0) {
            holds.Reset();
            holds.Bind(1, feedId);
            const int64_t any = FirstId(holds);
            if (any == -2) return -1;
            matchable = any >= 0;
        }
        int siteAdded = 0;
        for (const LibraryArticle& article : batch.articles) {
            if (!article.serverId.empty()) {
                known.Reset();
                known.Bind(1, article.serverId);
                const int64_t found = FirstId(known);
                if (found == -2) return -1;
                if (found >= 0) continue;
            }
            int64_t match = -1;
            if (matchable && !article.link.empty()) {
                byLink.Reset();
                byLink.Bind(1, feedId).Bind(2, CapUtf8(article.link, kMaxLinkBytes));
                byLink.Bind(3, before);
                match = FirstId(byLink);
            }
            if (matchable && match == -1 && !article.title.empty()) {
                SqliteStatement& query = article.date > 0 ? byTitleDate : byTitleUndated;
                query.Reset();
                query.Bind(1, feedId).Bind(2, CapUtf8(article.title, kMaxTitleBytes));
                query.Bind(3, before);
                if (article.date > 0) query.Bind(4, article.date);
                match = FirstId(query);
            }
            if (match == -2) return -1;
            if (match >= 0) {
                setServerId.Reset();
                setServerId.Bind(1, match);
                if (article.serverId.empty()) {
                    setServerId.BindNull(2);
                } else {
                    setServerId.Bind(2, article.serverId);
                }
                if (setServerId.Step() != SQLITE_DONE) return -1;
                continue;
            }
            if (feedId < 0 && (feedId = m_store.FeedId(batch.site, now)) < 0) return -1;
            bool isNew = false;
            RuleActions actions;
            const int64_t id = writer.Write(feedId, article, now, true, &isNew, nullptr, &actions);
            if (id < 0) return -1;
            if (isNew && !ApplyArrivalMarks(id, actions)) return -1;
            siteAdded += isNew;
        }
        if (siteAdded > 0) grown.push_back(feedId);
        added += siteAdded;
    }
    if (!writer.Flush()) return -1;
    for (const int64_t grownId : grown) {
        if (!TrimSite(grownId) || !m_store.TrimKeys(grownId)) return -1;
    }
    return transaction.Commit() ? added : -1;
}

}  // namespace varlo
