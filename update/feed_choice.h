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
#include "update/server_answer.h"

namespace varlo {

// What the article list needs after a chosen feed was read.
struct ChosenFeed {
    std::set<uint64_t> unseen;  // hashes of the keys that were unseen when the site was chosen
    int newArticles = 0;        // keys the store had never seen
    // Whether `article` was unseen when the site was chosen.
    bool WasUnseen(const CRssItem& article) const {
        return unseen.count(HashArticleKey(article.m_strKey)) > 0;
    }
};

// Makes `download` of the feed at `url` conditional on the stored validators, while the cache
// holds the body they stand for, and sends what the user set for the site.
void PrepareFeedDownload(CHttpDownload& download, CFeedStore& store, const CFeedCache& cache,
                         const Text& url);

// What the server answered to the download of a chosen feed, as far as the store cares.
struct ChosenAnswer {
    Text etag;
    Text lastModified;
    bool notModified = false;
};

// Records the chosen feed's download at `path`, whose articles (in feed order, taken from the
// feed read from it) are `articles`: keeps the body (unless it came from the cache), records the
// articles in the library with the answer's validators, takes the unseen marks and then, unless
// `markSeen` is false (the user has moved on), marks the whole feed seen.
ChosenFeed RecordChosenLibrary(const ChosenAnswer& answer, CFeedStore& store,
                               const CFeedCache& cache, const Text& url, const std::string& path,
                               const std::vector<LibraryArticle>& articles, bool markSeen = true);

// The hashes of the keys of `feed`'s articles that will be unseen once it is recorded as the feed
// at `url`: unread in the store, or not stored yet. Lets the article list be shown before the
// recording is done.
std::set<uint64_t> UnseenBeforeRecording(CFeedStore& store, const Text& url, const CRssFile& feed);

// Records that the feed at `url` was asked for (a site that fails every time is still in use).
void RecordChosenFeedAsked(CFeedStore& store, const Text& url);

// Why the download of a chosen feed failed, in the words the update of every site uses, and
// what the store is to keep of it.
struct ChosenFailure {
    Text reason;  // "サーバーがエラー 500 を返しました", "サーバーに接続できませんでした", ...
    Refusal::Kind kind = Refusal::Kind::kFailed;
    int64_t until = 0;    // kWaiting: until when its server asked to wait
    std::string waitKey;  // kWaiting: the server that asked, as waits are kept
    // The message the user sees: "ダウンロードに失敗しました: " and the reason.
    Text Message() const;
};

// The failure of `download` of the chosen `url` (made with KeepFailureUnshown), answered at `now`.
ChosenFailure ReadChosenFailure(const CHttpDownload& download, const Text& url, int64_t now);

// Records the failure of the chosen `url` at `now` as the update of every site would: the reason
// in the failures list, the site gone for good, or its server's wait.
void RecordChosenFeedFailure(CFeedStore& store, const Text& url, const ChosenFailure& failure,
                             int64_t now);

}  // namespace varlo
