#include "update/feed_choice.h"

#include <algorithm>
#include <ctime>

#include "encoding/codepage.h"
#include "fetch/request.h"
#include "platform/unix_time.h"
#include "store/article_keys.h"
#include "store/library.h"
#include "update/feed_request.h"
#include "update/library_articles.h"
#include "update/site_access.h"

namespace varlo {

void PrepareFeedDownload(CHttpDownload& download, CFeedStore& store, const CFeedCache& cache,
                         const Text& url) {
    download.SetSizeCap(kMaxFeedBytes, FeedTooLargeMessage());
    download.SetSiteRequest(SiteRequestFor(store, url));
    if (!cache.HasBody(url)) return;
    const FeedRecord record = store.Feed(url);
    download.SetConditional(record.validators.etag, record.validators.lastModified,
                            cache.BodyPath(url));
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

ChosenFeed RecordChosenLibrary(const ChosenAnswer& answer, CFeedStore& store,
                               const CFeedCache& cache, const Text& url, const std::string& path,
                               const std::vector<LibraryArticle>& articles, bool markSeen) {
    ChosenFeed chosen;
    const FeedValidators validators = ChosenValidators(answer, store, cache, url, path);
    CLibrary library(store);
    const int added = library.RecordFeed(url, validators, articles, UnixNow(), !answer.notModified);
    chosen.newArticles = std::max(0, added);
    chosen.unseen = store.UnseenKeys(url);
    if (markSeen) store.MarkSeen(url);
    return chosen;
}

std::set<uint64_t> UnseenBeforeRecording(CFeedStore& store, const Text& url, const CRssFile& feed) {
    std::set<uint64_t> unseen = store.UnseenKeys(url);
    const std::set<uint64_t> stored = store.StoredKeys(url);
    for (int i = 0; i < feed.GetSize(); ++i) {
        const uint64_t hash = HashArticleKey(feed.GetAt(i)->m_strKey);
        if (stored.count(hash) == 0) unseen.insert(hash);
    }
    return unseen;
}
Text ChosenFailure::Message() const {
    if (reason.empty()) return Jp("ダウンロードに失敗しました");
    return Jp("ダウンロードに失敗しました: ") + reason;
}

ChosenFailure ReadChosenFailure(const CHttpDownload& download, const Text& url, int64_t now) {
    ChosenFailure failure;
    if (download.Status() < 300 || download.RefusalHeaders().empty()) {
        failure.reason = download.Failure();
        return failure;
    }
    ServerAnswer answer;
    for (const std::string& line : download.RefusalHeaders()) ReadServerAnswerHeader(line, answer);
    const Refusal refusal = ReadRefusal(download.Status(), answer, download.RefusalBodyHead(), now,
                                        download.Site().HasCredentials());
    failure.reason = refusal.message;
    failure.kind = refusal.kind;
    failure.until = refusal.until;
    if (failure.kind == Refusal::Kind::kWaiting) {
        std::string host;
        Text unused;
        const std::string fetched = FetchableAddress(url, &host, &unused);
        if (!fetched.empty()) failure.waitKey = WaitKey(fetched);
    }
    return failure;
}

void RecordChosenFeedFailure(CFeedStore& store, const Text& url, const ChosenFailure& failure,
                             int64_t now) {
    switch (failure.kind) {
        case Refusal::Kind::kGone:
            store.RecordGone(url, failure.reason, now);
            return;
        case Refusal::Kind::kWaiting:
            if (!failure.waitKey.empty()) store.SetHostWait(failure.waitKey, failure.until);
            break;
        case Refusal::Kind::kFailed:
            break;
    }
    store.RecordFailure(
        url, failure.reason.empty() ? Jp("ダウンロードに失敗しました") : failure.reason, now);
}

void RecordChosenFeedAsked(CFeedStore& store, const Text& url) {
    store.Touch({url}, UnixNow());
}

}  // namespace varlo
