#pragma once
// The reading library: every article Varlo read, kept in the store beside the feeds it came from,
// with its read and starred marks, views for the window's virtual lists, full-text search and
// the limits that keep any one feed from filling the disk.
//
// Article texts are UTF-8 (characters the window carries as references are themselves here);
// feed addresses are Text, as the rest of the store takes them. A CLibrary works on the
// connection of the CFeedStore it was made over, on that store's thread; a worker makes its own
// CLibrary over its connection (WorkerStore) or the writer's.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "store/feed_store.h"
#include "store/pending_marks.h"
#include "store/rules.h"
#include "store/search_query.h"
#include "store/sqlite.h"

namespace varlo {

// One article of a feed as it is recorded. The store keeps at most the limits of
// store/article_limits.h of each text, cut between characters.
struct LibraryArticle {
    std::string key;    // the article's key (the designed rule), UTF-8
    std::string title;  // display form
    std::string link;   // display form
    int64_t date = 0;   // seconds since 1970; 0 when undated
    std::string author;
    std::string category;
    std::string html;      // the sanitized HTML of its text
    std::string serverId;  // the sync server's item id; empty for none
};

// A sync server's articles of one site (each with its server id).
struct ServerArticles {
    Text site;  // the site's feed address
    std::vector<LibraryArticle> articles;
};

// One stored article as a view gives it. `html` is filled only where a call says so.
struct LibraryRow {
    int64_t id = 0;  // stable while the article is stored
    Text feedUrl;    // the site's feed address
    std::string key;
    std::string title;
    std::string link;
    int64_t date = 0;  // 0 when undated
    std::string author;
    std::string category;
    std::string html;
    int64_t firstSeen = 0;
    int64_t lastInFeed = 0;  // when its feed last held it
    bool read = false;
    bool starred = false;
    bool hidden = false;  // a rule hid it: only the site's list and the hidden view show it
    std::string serverId;
};

// Which stored articles a list shows. Every view is ordered newest first: by the article's
// date, else by when it was first seen (ties by id, newest first).
struct LibraryView {
    enum class Kind { kUnread, kStarred, kSite, kSearch, kAll, kHidden };
    Kind kind = Kind::kUnread;
    Text site;          // kSite: the feed address
    std::string words;  // kSearch: what the user typed, UTF-8
    // The feed addresses of the sites the view is limited to (the open subscription file's),
    // sorted and without repeats; null for every site. The other sites' articles stay stored.
    std::shared_ptr<const std::vector<Text>> sites;

    static LibraryView Unread() { return {Kind::kUnread, {}, {}, {}}; }
    static LibraryView Starred() { return {Kind::kStarred, {}, {}, {}}; }
    static LibraryView Site(const Text& url) { return {Kind::kSite, url, {}, {}}; }
    static LibraryView Search(const std::string& words) { return {Kind::kSearch, {}, words, {}}; }
    // Every stored article (for varlo-cli; no list shows it, and it has no index of its own).
    static LibraryView All() { return {Kind::kAll, {}, {}, {}}; }
    // The articles rules hid, which no other view but their site's shows.
    static LibraryView Hidden() { return {Kind::kHidden, {}, {}, {}}; }
    // The same view limited to `feedUrls` (sorted, without repeats).
    LibraryView Within(std::shared_ptr<const std::vector<Text>> feedUrls) const {
        LibraryView view = *this;
        view.sites = std::move(feedUrls);
        return view;
    }
};

// Who made a mark: a mark the user made is queued for the sync server; one that came from the
// server is not sent back.
enum class MarkSource { kLocal, kServer };

// A mark made locally that the sync server has not been sent yet: the article's latest state.
struct PendingMark {
    int64_t articleId = 0;
    std::string serverId;
    bool read = false;
    bool starred = false;
    bool readChanged = false;     // the read mark changed since last sent
    bool starredChanged = false;  // the star changed since last sent
};

// An article of the unread or starred set, for comparing with a server's sets.
struct LibraryRef {
    int64_t id = 0;
    Text feedUrl;
    std::string key;
    std::string serverId;  // empty when it has none
};

// The key as the store keeps it: the key itself, or for a key longer than kMaxKeyBytes a form of
// its hash (a control character, "hash:" and 16 hex digits) that every look-up by key, given
// either, takes for the same article.
std::string StoredArticleKey(const std::string& utf8Key);

// What an article costs its site's share of the disk, roughly: its texts, its row and the
// entries the indexes (the search index too) hold of it. Each text as the store keeps it.
int64_t StoredArticleCost(std::string_view key, std::string_view title, std::string_view link,
                          std::string_view author, std::string_view category,
                          std::string_view serverId, std::string_view html);
// The same from the sizes: of every text of the row together, of the link, the title and the HTML.
int64_t StoredArticleCost(int64_t rowTexts, int64_t link, int64_t title, int64_t html);
// What a whole article adds to the cost, as an SQL expression of its HTML column `html`: its row
// (pages of its own, the last half empty) and its words in the search index.
std::string StoredFullTextCostSql(std::string_view html);

class CLibrary {
  public:
    // Days an unstarred article is kept after it left its feed, unless set otherwise.
    static constexpr int kDefaultKeepDays = 90;
    // The most stored articles one site keeps, and the most bytes they cost (StoredArticleCost).
    static constexpr int64_t kMaxArticlesPerSite = 20000;
    static constexpr int64_t kMaxTextPerSite = 64 * 1024 * 1024;
    // The largest whole article kept (its sanitized HTML).
    static constexpr int64_t kMaxFullTextBytes = 2 * 1024 * 1024;

    explicit CLibrary(CFeedStore& store) : m_store(store) {}
    // Other limits per site than kMaxArticlesPerSite and kMaxTextPerSite (for tests).
    void SetSiteLimits(int64_t articles, int64_t textBytes) {
        m_maxArticles = articles;
        m_maxText = textBytes;
    }
    // How many of the newest articles a search for a page looks among first (for tests).
    void SetSearchWindow(int64_t newest) { m_newestFirst = newest; }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    // --- recording ---------------------------------------------------------------------------

    // Every recording runs the store's enabled rules on each article new to the library, in the
    // same transaction, before anything counts it: hidden, read and starred marks made by rules
    // go to the sync server as the user's own do.
    //
    // Records a download of the feed at `url` with its articles, in feed order, as one
    // transaction: the validators and time as CFeedStore::RecordSuccess does (`bodyChanged`
    // false for a "not modified" answer), each article stored or brought up to date and marked
    // present now. A new article starts unread, or read when its key was seen before the store
    // kept articles. Returns how many articles the feed never had before, -1 when nothing could
    // be recorded.
    int RecordFeed(const Text& url, const FeedValidators& validators,
                   const std::vector<LibraryArticle>& articles, int64_t now, bool bodyChanged);
    // One download of a feed, recorded with others by RecordFeeds.
    struct FeedDownload {
        Text url;
        FeedValidators validators;
        const std::vector<LibraryArticle>* articles = nullptr;  // must live until recorded
        int64_t now = 0;
        bool bodyChanged = true;
        int added = -1;  // what RecordFeed would have returned for it alone
    };
    // Records downloads of several feeds as RecordFeed does each, in one transaction: one commit
    // and one write of the search index for the lot, which for many small feeds costs a fraction
    // of a transaction each. All are recorded or none (false).
    bool RecordFeeds(std::span<FeedDownload> downloads);
    // Records articles of a site that came from elsewhere than its feed (a sync server): stored
    // or brought up to date, without touching validators. Returns how many were new, -1 on error.
    int RecordArticles(const Text& url, const std::vector<LibraryArticle>& articles, int64_t now);

    // --- marks ---------------------------------------------------------------------------------

    bool SetRead(int64_t id, bool read, MarkSource source = MarkSource::kLocal);
    bool SetStarred(int64_t id, bool starred, MarkSource source = MarkSource::kLocal);
    // The same by article key (UTF-8), in every site that holds it; the number of articles
    // found, -1 on error.
    int SetReadByKey(const std::string& key, bool read, MarkSource source = MarkSource::kLocal);
    int SetStarredByKey(const std::string& key, bool starred,
                        MarkSource source = MarkSource::kLocal);
    // Marks every article of the site read (one statement, however many).
    bool MarkSiteRead(const Text& url);
    // Marks every article a view shows read: the unread view marks everything.
    bool MarkViewRead(const LibraryView& view);
    bool MarkAllRead() { return MarkViewRead(LibraryView::Unread()); }

    // --- counts --------------------------------------------------------------------------------

    // Unread articles per feed address, every site in one query (sites without any are absent).
    std::map<Text, int64_t> UnreadCounts();
    int64_t UnreadCount(const Text& url);
    int64_t UnreadTotal();
    int64_t StarredCount();
    int64_t HiddenCount() { return Count(LibraryView::Hidden()); }

    // --- rules ---------------------------------------------------------------------------------

    // Hides the article or shows it again.
    bool SetHidden(int64_t id, bool hidden);
    // What the rules had to tell the user while recording (an expression that hit its limit),
    // once each; taken by the call.
    std::vector<std::string> TakeRuleMessages() { return std::exchange(m_ruleMessages, {}); }

    // The greatest article id so far (0 when none): every article stored later has a greater one.
    int64_t LastArticleId();
    // The stored unread articles with an id above `afterId` (what an update brought that is still
    // unread), newest first: each one's id and its site's feed address. Hidden ones are left out.
    std::vector<std::pair<int64_t, Text>> UnreadAfter(int64_t afterId);
    // What the rules that notify found among the articles stored with an id above `afterId`: per
    // rule, in the rules' order, its name (UTF-8), how many and the ids of the newest `newest`.
    struct RuleMatches {
        std::string rule;
        int64_t count = 0;
        std::vector<int64_t> newest;
    };
    std::vector<RuleMatches> RuleMatchesAfter(int64_t afterId, size_t newest);

    // --- views for virtual lists ---------------------------------------------------------------

    // The number of rows of the view. A search is run once and its results kept until other
    // words are asked for or the library changes.
    int64_t Count(const LibraryView& view);
    // Rows [offset, offset + n) of the view, without their HTML.
    std::vector<LibraryRow> Page(const LibraryView& view, int64_t offset, int64_t n);
    // The ids of the whole view in order: a snapshot a list can keep while marks change.
    std::vector<int64_t> Ids(const LibraryView& view);
    // The articles of `ids` in that order (those still stored), with HTML when `withHtml`.
    std::vector<LibraryRow> Rows(const std::vector<int64_t>& ids, bool withHtml = false);
    // One article with its HTML.
    std::optional<LibraryRow> Article(int64_t id);
    // The whole article fetched from the article's page (sanitized HTML, UTF-8), kept beside the
    // feed's text: the search indexes it instead, the feed's page still shows the feed's text.
    // It counts against the site's share like the feed's text, and the site is trimmed to its
    // share at once. False when the article is not stored, the text is larger than
    // kMaxFullTextBytes or the store failed.
    bool SetFullText(int64_t id, const std::string& html);
    // The whole article kept for the article; nullopt when none was kept.
    std::optional<std::string> FullText(int64_t id);
    // The articles stored after `afterId` whose sites fetch every new article's whole text, and
    // that have a link, are not hidden and have no whole text yet: newest first, at most `limit`.
    struct FullTextWanted {
        int64_t id = 0;
        std::string link;  // UTF-8
        Text feedUrl;
    };
    std::vector<FullTextWanted> FullTextsWanted(int64_t afterId, int64_t limit);
    // A site's stored articles with their HTML, newest first, at most `limit` (0: all): what the
    // window shows when the site's download failed.
    std::vector<LibraryRow> SiteArticles(const Text& url, int64_t limit = 0);
    // The most articles a search view holds when each hit's text has to be checked.
    static constexpr int64_t kMaxSearchResults = 10000;
    // The first `limit` articles (0: all, at most kMaxSearchResults when hits are checked)
    // matching `words`, newest first.
    std::vector<int64_t> Search(const std::string& words, int64_t limit = 0);

    // --- sync ----------------------------------------------------------------------------------

    // Which of `serverIds` some stored article holds already.
    std::set<std::string> KnownServerIds(const std::vector<std::string>& serverIds);
    // Records a sync server's articles of several sites as one transaction. One whose server id
    // is stored already is left alone; one its site holds by the same link, else by the same
    // title and date (the article read from the site's own feed), gets the server id beside its
    // key; the rest are stored. Returns how many were stored new, -1 when nothing was recorded.
    int RecordServerArticles(const std::vector<ServerArticles>& sites, int64_t now);
    std::optional<LibraryRow> FindByServerId(const std::string& serverId);
    std::optional<LibraryRow> FindByLink(const Text& url, const std::string& link);
    // The stored article of the site with the key (UTF-8), as a row of the site's feed names it.
    std::optional<LibraryRow> FindByKey(const Text& url, const std::string& key);
    std::optional<LibraryRow> FindByTitleDate(const Text& url, const std::string& title,
                                              int64_t date);
    bool SetServerId(int64_t id, const std::string& serverId);
    // Forgets every article's server id and the marks queued for the server (the sync account
    // was removed): the articles and their marks stay.
    bool ForgetServerIds();
    std::vector<LibraryRef> UnreadSet();
    std::vector<LibraryRef> StarredSet();
    // The articles rules hid.
    std::vector<LibraryRef> HiddenSet();
    // Up to `max` marks made locally on articles that have a server id, oldest first.
    std::vector<PendingMark> TakePendingMarks(int64_t max = 1000);
    // Forgets marks that were sent, unless the article was marked again since they were taken.
    bool ClearSentMarks(const std::vector<PendingMark>& sent);

    // --- retention -----------------------------------------------------------------------------

    // Forgets unstarred articles `keepDays` after they left their feed (0: never), or as long as
    // their site keeps them, the unstarred articles of feeds the store forgets, and those past
    // their site's own number; starred articles stay.
    bool Prune(int64_t now, int keepDays = kDefaultKeepDays);

    // Whether the search index agrees with the stored articles.
    bool CheckSearchIndex();
    // Rebuilds the search index from the stored articles when its own check finds it damaged,
    // leaving the store's notice for the user; false when it is damaged and could not be
    // rebuilt. Reads the whole index: for a worker's connection.
    bool RepairSearchIndex();
    // True once a search on this library failed: the index may be damaged, for a worker to
    // repair.
    bool SearchFailed() const { return m_searchFailed; }

    // --- the file ------------------------------------------------------------------------------

    // Gives the pages that deleted articles freed back to the file system once they pass a
    // quarter of the file. Done after each record; rewrites up to the whole file: for a worker's
    // connection.
    bool GiveBackFreePages();

  private:
    // Stores articles one at a time with its statements prepared once, for as many articles
    // and sites as one transaction takes.
    class ArticleWriter {
      public:
        // Inside a transaction every statement that fires a trigger can be undone alone, and the
        // search index writes what it holds at each such statement: a text written by a
        // statement of its own made a segment of the index for each article, and merging those
        // took about half the time of storing it. Texts go in groups, a segment to a group.
        static constexpr size_t kTextsPerStatement = 128;
        // `textsPerStatement`: the texts written by one statement (Flush); 1 writes each text
        // with its article.
        explicit ArticleWriter(sqlite3* db, size_t textsPerStatement = kTextsPerStatement);
        // Decides what the rules do to each article about to be stored new: a hidden one is
        // stored hidden, so that nothing counts it even for a moment.
        void SetRules(std::function<RuleActions(const LibraryArticle&)> rules) {
            m_rules = std::move(rules);
        }
        // Stores the article or brings it up to date: its id, -1 on error. `added`: it is new;
        // `cost`, when given: what it costs its site (StoredArticleCost). Its text is written
        // by a later Write or Flush: `article` must live until then.
        int64_t Write(int64_t feedId, const LibraryArticle& article, int64_t now, bool present,
                      bool* added, int64_t* cost = nullptr, RuleActions* actions = nullptr);
        // Writes the texts held back; false on error. Due before the transaction commits and
        // before articles written since are removed (a site's trim would leave their texts).
        bool Flush();

      private:
        sqlite3* m_db;
        SqliteStatement m_find, m_mark, m_add, m_change;
        size_t m_textsPerStatement;
        // Texts waiting for their statement: the article's id and its HTML.
        std::vector<std::pair<int64_t, const std::string*>> m_texts;
        size_t m_textBytes = 0;
        std::unique_ptr<SqliteStatement> m_fullTexts;  // for a whole group of texts, made once
        std::function<RuleActions(const LibraryArticle&)> m_rules;
    };

    // Runs a write (a function giving -1 on failure); when it fails on a damaged search index,
    // the index is rebuilt and the write run once more.
    int WithSearchRepair(const std::function<int()>& write);
    int RecordFeedsOnce(std::span<FeedDownload> downloads);
    int RecordServerArticlesOnce(const std::vector<ServerArticles>& sites, int64_t now);
    // Whether the search index's own check finds it damaged (not merely unreadable now).
    bool SearchIndexDamaged();
    // Makes the search index anew from the stored texts, with the notice; true when it then
    // passes its check.
    bool RebuildSearchIndex();
    // Stores a feed's articles through `writer`, in a transaction: how many were new, -1 on
    // error. Their texts may wait in the writer, and the site is left to trim: the caller
    // flushes the writer, then trims the sites that grew.
    int StoreArticles(ArticleWriter& writer, int64_t feedId,
                      const std::vector<LibraryArticle>& articles, int64_t now, bool present);
    // Loads the compiled rules for one recording; null when there are none.
    void LoadRules();
    // What the rules do to an article about to be stored new in the site `feedId`.
    RuleActions ArrivalActions(int64_t feedId, const LibraryArticle& article);
    // Gives a writer the rules of the recording.
    void UseRules(ArticleWriter& writer, const int64_t& feedId);
    // Marks an article stored new read or starred as the rules decided.
    bool ApplyArrivalMarks(int64_t id, const RuleActions& actions);
    // Drops the hidden articles from a list of hits.
    void DropHidden(std::vector<int64_t>& ids);
    bool TrimSite(int64_t feedId);
    // Sets a mark on the articles `where` selects (?2: the id, or ?2 and ?3: the key's hash and
    // the key), queued for the sync server when the user made it.
    bool SetMark(MarkKind kind, bool value, const char* where, std::string_view key, int64_t id,
                 MarkSource source);
    bool MarkRead(const std::vector<int64_t>& ids);
    int CountByKey(const std::string& key);
    std::vector<int64_t> ViewIds(const LibraryView& view, int64_t offset, int64_t n);
    // Makes the connection's table of the sites `view` is limited to hold them; false when the
    // view is of every site (or every site that has articles is among its sites), so that it
    // needs no condition.
    bool LimitToSites(const LibraryView& view);
    const std::vector<int64_t>& SearchResults(const std::string& words, bool limited = false);
    std::vector<int64_t> FindHits(const std::string& words, int64_t limit, bool limited = false);
    bool FirstHitsAmongNewest(const SearchQuery& query, int64_t limit, std::vector<int64_t>& found);
    // The first row the condition `sql` selects, with `texts` bound from ?1 and `number`, when
    // given, after them (a key's hash may be any 64-bit value, negative ones too).
    std::optional<LibraryRow> FindOne(const std::string& sql, const std::vector<std::string>& texts,
                                      std::optional<int64_t> number);
    std::vector<LibraryRef> RefsWhere(const char* where, const char* from = "articles a");

    CFeedStore& m_store;
    int64_t m_maxArticles = kMaxArticlesPerSite;
    int64_t m_maxText = kMaxTextPerSite;
    int64_t m_newestFirst = 8192;
    // The sites the connection's table holds now (kept so that its address names it alone).
    std::shared_ptr<const std::vector<Text>> m_sitesHeld;
    std::string m_searchWords;
    const void* m_searchSites = nullptr;
    std::vector<int64_t> m_searchIds;
    // What the library looked like when the results were taken: this connection's changes and
    // the file's version (other connections' commits).
    int64_t m_searchChanges = -1;
    int64_t m_searchDataVersion = -1;
    bool m_searchFailed = false;
    // The rules of the recording under way, and the site whose scope was looked up last.
    std::shared_ptr<RuleSet> m_rules;
    int64_t m_ruleSiteId = -1;
    RuleSite m_ruleSite;
    std::vector<std::string> m_ruleMessages;
};

}  // namespace varlo
