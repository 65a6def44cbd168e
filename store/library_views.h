#pragma once
// The library as lists show it: the views, their counts, the articles an update brought, the
// whole articles kept and the search, with the results of the last search kept until the library
// changes. Works on the connection of the CFeedStore it was made over, on that store's thread.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "store/feed_store.h"
#include "store/library_types.h"

namespace varlo {

class SearchQuery;

class CLibraryViews {
  public:
    explicit CLibraryViews(CFeedStore& store) : m_store(store) {}
    CLibraryViews(const CLibraryViews&) = delete;
    CLibraryViews& operator=(const CLibraryViews&) = delete;

    // How many of the newest articles a search for a page looks among first (for tests).
    void SetSearchWindow(int64_t newest) { m_newestFirst = newest; }

    // --- counts --------------------------------------------------------------------------------

    // Unread articles per feed address, every site in one query (sites without any are absent).
    std::map<Text, int64_t> UnreadCounts();
    int64_t UnreadCount(const Text& url);
    int64_t UnreadTotal();
    int64_t StarredCount();
    int64_t HiddenCount() { return Count(LibraryView::Hidden()); }

    // --- what an update brought ----------------------------------------------------------------

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

    // --- search --------------------------------------------------------------------------------

    // The most articles a search view holds when each hit's text has to be checked.
    static constexpr int64_t kMaxSearchResults = 10000;
    // The first `limit` articles (0: all, at most kMaxSearchResults when hits are checked)
    // matching `words`, newest first.
    std::vector<int64_t> Search(const std::string& words, int64_t limit = 0);
    // Whether the search index agrees with the stored articles.
    bool CheckSearchIndex();
    // Rebuilds the search index from the stored articles when its own check finds it damaged,
    // leaving the store's notice for the user; false when it is damaged and could not be
    // rebuilt. Reads the whole index: for a worker's connection.
    bool RepairSearchIndex();
    // True once a search on this library failed: the index may be damaged, for a worker to
    // repair.
    bool SearchFailed() const { return m_searchFailed; }

  private:
    // The marks of a view and the writes that repair the index work through these.
    friend class CLibraryMarks;
    friend class CLibraryRecorder;

    // Makes the connection's table of the sites `view` is limited to hold them; false when the
    // view is of every site (or every site that has articles is among its sites), so that it
    // needs no condition.
    bool LimitToSites(const LibraryView& view);
    std::vector<int64_t> ViewIds(const LibraryView& view, int64_t offset, int64_t n);
    // Drops the hidden articles from a list of hits.
    void DropHidden(std::vector<int64_t>& ids);
    const std::vector<int64_t>& SearchResults(const std::string& words, bool limited = false);
    std::vector<int64_t> FindHits(const std::string& words, int64_t limit, bool limited = false);
    bool FirstHitsAmongNewest(const SearchQuery& query, int64_t limit, std::vector<int64_t>& found);
    // Whether the search index's own check finds it damaged (not merely unreadable now).
    bool SearchIndexDamaged();
    // Makes the search index anew from the stored texts, with the notice; true when it then
    // passes its check.
    bool RebuildSearchIndex();

    CFeedStore& m_store;
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
};

}  // namespace varlo
