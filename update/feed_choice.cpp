#include "update/feed_choice.h"

#include <algorithm>
#include <ctime>

#include "encoding/codepage.h"
#include "fetch/request.h"
#include "platform/message_box.h"
#include "store/article_keys.h"
#include "store/library.h"
#include "update/feed_request.h"
#include "update/library_articles.h"

namespace varlo {
namespace {

int64_t Now() {
    return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace

void PrepareFeedDownload(CHttpDownload& download, CFeedStore& store, const CFeedCache& cache,
                         const Text& url) {
    store.Touch({url}, Now());
    download.SetSizeCap(kMaxFeedBytes, FeedTooLargeMessage());
    if (!cache.HasBody(url)) return;
    const FeedRecord record = store.Feed(url);
    download.SetConditional(record.validators.etag, record.validators.lastModified,
                            cache.BodyPath(url));
}

bool ReadChosenKeys(const std::string& path, std::vector<Text>* keys) {
    // The window reads the same file right after and reports what is wrong with it there.
    MessageBoxHandler previous =
        SetMessageBoxHandler([](const Text&, unsigned) { return static_cast<int>(kIdOk); });
    const bool read = ReadArticleKeys(path, keys);
    SetMessageBoxHandler(std::move(previous));
    return read;
}

ChosenFeed RecordChosenFeed(const CHttpDownload& download, CFeedStore& store,
                            const CFeedCache& cache, const Text& url, const std::string& path) {
    std::vector<Text> keys;
    if (!ReadChosenKeys(path, &keys)) return {};
    const ChosenAnswer answer{download.ResponseETag(), download.ResponseLastModified(),
                              download.NotModified()};
    return RecordChosenKeys(answer, store, cache, url, path, std::move(keys));
}

namespace {

// The validators to record for the chosen feed's answer: a "not modified" one keeps the stored
// ones it did not repeat; a body the cache could not keep records none.
FeedValidators ChosenValidators(const ChosenAnswer& answer, CFeedStore& store,
                                const CFeedCache& cache, const Text& url, const std::string& path) {
    FeedValidators validators{answer.etag, answer.lastModified};
    if (answer.notModified) {
        const FeedRecord record = store.Feed(url);
        // One an earlier version kept unfit is not kept any longer.
        if (validators.etag.empty() && IsUsableValidator(record.validators.etag)) {
            validators.etag = record.validators.etag;
        }
        if (validators.lastModified.empty() && IsUsableValidator(record.validators.lastModified)) {
            validators.lastModified = record.validators.lastModified;
        }
    } else if (!cache.StoreCopy(path, url)) {
        // Validators without the body they stand for would turn the next answer into nothing.
        validators = {};
    }
    return validators;
}

}  // namespace

ChosenFeed RecordChosenKeys(const ChosenAnswer& answer, CFeedStore& store, const CFeedCache& cache,
                            const Text& url, const std::string& path, std::vector<Text> keys,
                            bool markSeen) {
    ChosenFeed chosen;
    chosen.keys = std::move(keys);
    const FeedValidators validators = ChosenValidators(answer, store, cache, url, path);
    const int added = answer.notModified
                          ? store.RecordUnchanged(url, validators, chosen.keys, Now())
                          : store.RecordSuccess(url, validators, chosen.keys, Now());
    chosen.newArticles = std::max(0, added);
    chosen.unseen = store.UnseenKeys(url);
    if (markSeen) store.MarkSeen(url);
    return chosen;
}

ChosenFeed RecordChosenArticles(const ChosenAnswer& answer, CFeedStore& store,
                                const CFeedCache& cache, const Text& url, const std::string& path,
                                const CRssFile& feed, std::vector<Text> keys, bool markSeen) {
    const std::vector<LibraryArticle> articles = LibraryArticlesOf(feed, keys);
    return RecordChosenLibrary(answer, store, cache, url, path, articles, std::move(keys),
                               markSeen);
}

ChosenFeed RecordChosenLibrary(const ChosenAnswer& answer, CFeedStore& store,
                               const CFeedCache& cache, const Text& url, const std::string& path,
                               const std::vector<LibraryArticle>& articles, std::vector<Text> keys,
                               bool markSeen) {
    ChosenFeed chosen;
    chosen.keys = std::move(keys);
    const FeedValidators validators = ChosenValidators(answer, store, cache, url, path);
    CLibrary library(store);
    const int added = library.RecordFeed(url, validators, articles, Now(), !answer.notModified);
    chosen.newArticles = std::max(0, added);
    chosen.unseen = store.UnseenKeys(url);
    if (markSeen) store.MarkSeen(url);
    return chosen;
}

std::set<uint64_t> UnseenBeforeRecording(CFeedStore& store, const Text& url,
                                         const std::vector<Text>& keys) {
    std::set<uint64_t> unseen = store.UnseenKeys(url);
    const std::set<uint64_t> stored = store.StoredKeys(url);
    for (const Text& key : keys) {
        const uint64_t hash = HashArticleKey(key);
        if (stored.count(hash) == 0) unseen.insert(hash);
    }
    return unseen;
}

void RecordChosenFeedFailure(CFeedStore& store, const Text& url) {
    store.RecordFailure(url, Jp("ダウンロードに失敗しました"), Now());
}

}  // namespace varlo
