#pragma once
// The store's part in the download of one chosen site: the request made conditional on what the
// store and the cache hold, and afterwards the body kept, its articles recorded and the feed
// marked seen, with the marks as they were at that moment for the article list.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "feeds/rss_file.h"
#include "fetch/http_download.h"
#include "platform/text.h"
#include "store/article_keys.h"
#include "store/feed_cache.h"
#include "store/feed_store.h"
#include "store/library.h"

namespace varlo {

// What the article list needs after a chosen feed was read.
struct ChosenFeed {
    std::vector<Text> keys;     // one per article, in the order the feed reader lists them
    std::set<uint64_t> unseen;  // hashes of the keys that were unseen when the site was chosen
    int newArticles = 0;        // keys the store had never seen
    // Whether article `index` was unseen when the site was chosen.
    bool WasUnseen(size_t index) const {
        return index < keys.size() && unseen.count(HashArticleKey(keys[index])) > 0;
    }
};

// Makes `download` of the feed at `url` conditional on the stored validators, while the cache
// holds the body they stand for.
void PrepareFeedDownload(CHttpDownload& download, CFeedStore& store, const CFeedCache& cache,
                         const Text& url);

// After `download` of `url` wrote `path`: keeps the body in the cache (unless it came from
// there), records the articles with the response's validators, takes the unseen marks and then
// marks the whole feed seen. A body that is not a feed records nothing and marks nothing.
ChosenFeed RecordChosenFeed(const CHttpDownload& download, CFeedStore& store,
                            const CFeedCache& cache, const Text& url, const std::string& path);

// What the server answered to the download of a chosen feed, as far as the store cares.
struct ChosenAnswer {
    Text etag;
    Text lastModified;
    bool notModified = false;
};

// Reads the keys of the chosen feed's file at `path` (on any thread); false when it is no feed.
// Its messages are not shown: the window reads the same file and reports there.
bool ReadChosenKeys(const std::string& path, std::vector<Text>* keys);

// As RecordChosenFeed, with the keys already read and the answer taken from the download;
// `markSeen` false records the download without marking the feed seen (the user has moved on).
ChosenFeed RecordChosenKeys(const ChosenAnswer& answer, CFeedStore& store, const CFeedCache& cache,
                            const Text& url, const std::string& path, std::vector<Text> keys,
                            bool markSeen = true);

// As RecordChosenKeys, storing the chosen feed's articles in the library too, in the same
// transaction: `feed` is the feed read from `path` (with its address set), `keys` its keys. For
// the worker that read the chosen site; it marks every stored article of the site read unless
// `markSeen` is false.
ChosenFeed RecordChosenArticles(const ChosenAnswer& answer, CFeedStore& store,
                                const CFeedCache& cache, const Text& url, const std::string& path,
                                const CRssFile& feed, std::vector<Text> keys, bool markSeen = true);

// As RecordChosenArticles, with the articles already taken from the feed (`articles`, in feed
// order, one per key), so that the feed itself may be shown meanwhile.
ChosenFeed RecordChosenLibrary(const ChosenAnswer& answer, CFeedStore& store,
                               const CFeedCache& cache, const Text& url, const std::string& path,
                               const std::vector<LibraryArticle>& articles, std::vector<Text> keys,
                               bool markSeen = true);

// The hashes of those of `keys` that will be unseen once the feed at `url` is recorded: unread
// in the store, or not stored yet. Lets the article list be shown before the recording is done.
std::set<uint64_t> UnseenBeforeRecording(CFeedStore& store, const Text& url,
                                         const std::vector<Text>& keys);

// Records that the download of the chosen `url` failed.
void RecordChosenFeedFailure(CFeedStore& store, const Text& url);

}  // namespace varlo
