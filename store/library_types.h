#pragma once
// What the reading library holds and gives: articles as they are recorded, rows as views give
// them, the views themselves, marks and the references a sync compares. Article texts are UTF-8;
// feed addresses are Text, as the rest of the store takes them.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text.h"

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

}  // namespace varlo
