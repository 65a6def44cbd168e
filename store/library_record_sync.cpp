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

// Finds the article of the library a server's article stands for. Every statement is prepared
// once for the whole batch: a sync brings thousands of articles. A server article is the same as
// one the library held before the batch: two of the server's own, stored in this batch, stay two
// even with the same title and date. (Ids only grow.) Look-ups give -1 for none, -2 on error.
class ServerArticleMatcher {
  public:
    explicit ServerArticleMatcher(sqlite3* db)
        : m_site(db, "SELECT id FROM feeds WHERE url = ?"),
          m_holds(db, "SELECT 1 FROM articles WHERE feed_id = ? AND stored = 1 LIMIT 1"),
          m_known(db, "SELECT 1 FROM articles WHERE server_id = ? LIMIT 1"),
          m_byLink(db,
                   "SELECT id FROM articles INDEXED BY articles_by_link WHERE "
                   "feed_id = ?1 AND stored = 1 AND substr(link, 1, 256) = "
                   "substr(?2, 1, 256) AND link = ?2 AND id <= ?3 LIMIT 1"),
          // A dated article sorts by its date, so the site's index in time order finds it at
          // once; an undated one is looked for among the site's undated articles.
          m_byTitleDate(db,
                        "SELECT id FROM articles INDEXED BY articles_by_site WHERE "
                        "feed_id = ?1 AND stored = 1 AND sort_time = ?4 AND date = ?4 "
                        "AND title = ?2 AND id <= ?3 LIMIT 1"),
          m_byTitleUndated(db,
                           "SELECT id FROM articles WHERE feed_id = ?1 AND stored = 1 "
                           "AND date = 0 AND title = ?2 AND id <= ?3 LIMIT 1"),
          m_setServerId(db, "UPDATE articles SET server_id = ?2 WHERE id = ?1") {
        SqliteStatement last(db, "SELECT coalesce(max(id), 0) FROM articles");
        m_before = last.Step() == SQLITE_ROW ? last.Int(0) : -1;
    }
    bool Ready() const { return m_before >= 0; }

    // The site's id; a site the store does not know yet holds nothing to match.
    int64_t SiteOf(const Text& url) {
        m_site.Reset();
        m_site.Bind(1, url);
        return FirstId(m_site);
    }
    // Whether the site holds any stored article (1), none (0), -2 on error: a site with none
    // (every site, at a first sync into an empty library) has nothing to match.
    int64_t Holds(int64_t feedId) {
        if (feedId < 0) return 0;
        m_holds.Reset();
        m_holds.Bind(1, feedId);
        const int64_t any = FirstId(m_holds);
        return any == -2 ? -2 : any >= 0;
    }
    // Whether an article holds the server id already (1), none (0), -2 on error.
    int64_t Known(const std::string& serverId) {
        if (serverId.empty()) return 0;
        m_known.Reset();
        m_known.Bind(1, serverId);
        const int64_t found = FirstId(m_known);
        return found == -2 ? -2 : found >= 0;
    }
    // The site's article with the same link, else the same title and date.
    int64_t Match(int64_t feedId, const LibraryArticle& article) {
        int64_t match = -1;
        if (!article.link.empty()) {
            m_byLink.Reset();
            m_byLink.Bind(1, feedId).Bind(2, CapUtf8(article.link, kMaxLinkBytes));
            m_byLink.Bind(3, m_before);
            match = FirstId(m_byLink);
        }
        if (match == -1 && !article.title.empty()) {
            SqliteStatement& query = article.date > 0 ? m_byTitleDate : m_byTitleUndated;
            query.Reset();
            query.Bind(1, feedId).Bind(2, CapUtf8(article.title, kMaxTitleBytes));
            query.Bind(3, m_before);
            if (article.date > 0) query.Bind(4, article.date);
            match = FirstId(query);
        }
        return match;
    }
    bool SetServerId(int64_t id, const std::string& serverId) {
        m_setServerId.Reset();
        m_setServerId.Bind(1, id);
        if (serverId.empty()) {
            m_setServerId.BindNull(2);
        } else {
            m_setServerId.Bind(2, serverId);
        }
        return m_setServerId.Step() == SQLITE_DONE;
    }

  private:
    SqliteStatement m_site, m_holds, m_known, m_byLink, m_byTitleDate, m_byTitleUndated,
        m_setServerId;
    int64_t m_before = -1;
};

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
    ServerArticleMatcher matcher(db);
    if (!matcher.Ready()) return -1;
    ArticleWriter writer(db);
    int64_t feedId = -1;
    UseRules(writer, feedId);
    int added = 0;
    // The sites are trimmed once every text is written: a trim takes the texts of the articles
    // it removes with them.
    std::vector<int64_t> grown;
    for (const ServerArticles& batch : sites) {
        feedId = matcher.SiteOf(batch.site);
        const int64_t matchable = feedId == -2 ? -2 : matcher.Holds(feedId);
        if (matchable == -2) return -1;
        int siteAdded = 0;
        for (const LibraryArticle& article : batch.articles) {
            const int64_t known = matcher.Known(article.serverId);
            if (known == -2) return -1;
            if (known) continue;
            const int64_t match = matchable ? matcher.Match(feedId, article) : -1;
            if (match == -2) return -1;
            if (match >= 0) {
                if (!matcher.SetServerId(match, article.serverId)) return -1;
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
