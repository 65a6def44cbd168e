#pragma once
// Recording into the library: the articles of a feed's downloads and of a sync server, the whole
// articles fetched from their pages, the rules run on each new article, and what keeps the
// library to its limits (each site's share, the keeping time, the file's free pages). Works on
// the connection of the CFeedStore it was made over, on that store's thread; a worker's
// recordings go through the store's writer.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "store/feed_store.h"
#include "store/library_types.h"
#include "store/rules.h"
#include "store/sqlite.h"

namespace varlo {

class CLibraryMarks;
class CLibraryViews;

class CLibraryRecorder {
  public:
    // Days an unstarred article is kept after it left its feed, unless set otherwise.
    static constexpr int kDefaultKeepDays = 90;
    // The most stored articles one site keeps, and the most bytes they cost (StoredArticleCost).
    static constexpr int64_t kMaxArticlesPerSite = 20000;
    static constexpr int64_t kMaxTextPerSite = 64 * 1024 * 1024;
    // The largest whole article kept (its sanitized HTML).
    static constexpr int64_t kMaxFullTextBytes = 2 * 1024 * 1024;

    // `marks` sets the marks rules give new articles; `views` mends a damaged search index.
    CLibraryRecorder(CFeedStore& store, CLibraryMarks& marks, CLibraryViews& views)
        : m_store(store), m_marks(marks), m_views(views) {}
    CLibraryRecorder(const CLibraryRecorder&) = delete;
    CLibraryRecorder& operator=(const CLibraryRecorder&) = delete;

    // Other limits per site than kMaxArticlesPerSite and kMaxTextPerSite (for tests).
    void SetSiteLimits(int64_t articles, int64_t textBytes) {
        m_maxArticles = articles;
        m_maxText = textBytes;
    }

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
    // Records a sync server's articles of several sites as one transaction. One whose server id
    // is stored already is left alone; one its site holds by the same link, else by the same
    // title and date (the article read from the site's own feed), gets the server id beside its
    // key; the rest are stored. Returns how many were stored new, -1 when nothing was recorded.
    int RecordServerArticles(const std::vector<ServerArticles>& sites, int64_t now);

    // The whole article fetched from the article's page (sanitized HTML, UTF-8), kept beside the
    // feed's text: the search indexes it instead, the feed's page still shows the feed's text.
    // It counts against the site's share like the feed's text, and the site is trimmed to its
    // share at once. False when the article is not stored, the text is larger than
    // kMaxFullTextBytes or the store failed.
    bool SetFullText(int64_t id, const std::string& html);

    // What the rules had to tell the user while recording (an expression that hit its limit),
    // once each; taken by the call.
    std::vector<std::string> TakeRuleMessages() { return std::exchange(m_ruleMessages, {}); }

    // Forgets unstarred articles `keepDays` after they left their feed (0: never), or as long as
    // their site keeps them, the unstarred articles of feeds the store forgets, and those past
    // their site's own number; starred articles stay.
    bool Prune(int64_t now, int keepDays = kDefaultKeepDays);

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
    bool TrimSite(int64_t feedId);

    CFeedStore& m_store;
    CLibraryMarks& m_marks;
    CLibraryViews& m_views;
    int64_t m_maxArticles = kMaxArticlesPerSite;
    int64_t m_maxText = kMaxTextPerSite;
    // The rules of the recording under way, and the site whose scope was looked up last.
    std::shared_ptr<RuleSet> m_rules;
    int64_t m_ruleSiteId = -1;
    RuleSite m_ruleSite;
    std::vector<std::string> m_ruleMessages;
};

}  // namespace varlo
