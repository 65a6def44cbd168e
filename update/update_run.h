#pragma once
// One update of many feeds: conditional, compressed downloads run side by side (a few at once,
// fewer per host), each recorded in the store as it ends. Nothing here blocks: the owner calls
// Step from its event loop (or in a loop of its own) until the run is done, and may cancel at any
// time, keeping every site that finished.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "fetch/site_request.h"
#include "platform/text.h"
#include "store/feed_cache.h"
#include "store/feed_store.h"
#include "store/site_settings.h"
#include "update/feed_request.h"

namespace varlo {

// How many transfers run at once, in all and per host, and the limits of each.
struct UpdateOptions {
    int jobs = 8;
    int perHost = 2;
    // Transfers that ended are finished (read, recorded) in one Step until this much time has
    // gone; the rest wait for the next Step, so that a Step never holds its caller for long.
    std::chrono::milliseconds stepBudget{10};
    TransferLimits limits = DefaultTransferLimits();
    // The automatic update: a feed whose last answer said it is still fresh is not asked, nor a
    // site of its own interval before that has passed (DueForAutomaticUpdate).
    bool automatic = false;
    // Seconds since 1970 now; the system's clock when empty (tests set their own).
    std::function<int64_t()> clock;
};

// How one site's update ended.
enum class SiteStatus {
    kPending,    // not finished (still queued or running, or cancelled)
    kNew,        // downloaded, with articles the store had never seen
    kUnchanged,  // not modified, or no article the store had not seen
    kFailed,     // see the message
    kWaiting,    // its host asked to wait (now or before) until `until`; not asked
    kFresh,      // the automatic update found it still fresh; not asked
    kGone,       // the server said it is gone for good (now or before)
};

// The outcome of one site.
struct SiteResult {
    Text xmlUrl;
    SiteStatus status = SiteStatus::kPending;
    int newArticles = 0;  // articles the store had never seen before this update
    Text message;         // why it failed, waits or is gone
    int64_t until = 0;    // waiting: until when (seconds since 1970)
};

class CUpdateRun {
  public:
    // A run over `urls` (duplicates are fetched once and share their result), recording in
    // `store` and `cache`, which must outlive the run. Nothing starts before the first Step.
    CUpdateRun(CFeedStore& store, CFeedCache cache, std::vector<Text> urls,
               UpdateOptions options = {});
    ~CUpdateRun();
    CUpdateRun(const CUpdateRun&) = delete;
    CUpdateRun& operator=(const CUpdateRun&) = delete;

    // Starts queued transfers in free slots, waits at most `waitMs` for network activity, takes
    // what arrived and finishes every site whose transfer ended. True while sites remain.
    bool Step(int waitMs);
    // Ends every running transfer now and starts no other; finished sites keep their results.
    void Cancel();

    // True once cancelled, or once every site has ended and what the run writes is in the store.
    bool Done() const;
    bool Cancelled() const { return m_cancelled; }
    size_t Total() const { return m_results.size(); }
    size_t Finished() const { return m_finished; }
    // Sites with new articles, sites that failed, and sites with any other status, so far.
    int SitesWithNew() const;
    int SitesFailed() const;
    int SitesWith(SiteStatus status) const;
    // The host of each transfer running now.
    std::vector<std::string> RunningHosts() const;
    // One result per address given, in the order given.
    std::vector<SiteResult> Results() const;
    // What the store had to tell the user while the run recorded (a search index it found
    // damaged and rebuilt); empty when nothing.
    Text Notice() const;

  private:
    struct Transfer;
    void StartQueued();
    struct BodyRead;
    struct ReadResults;
    struct Recording;
    struct PendingRead;
    void Finish(std::unique_ptr<Transfer> transfer, CURLcode code);
    // Reads the articles of a body on a worker; Record takes the result in a later Step.
    void StartRead(std::unique_ptr<Transfer> transfer, std::string body, long status,
                   FeedValidators validators);
    void Record(BodyRead& read);
    // Writes to the store off the driving thread, after the writes posted before.
    void Write(std::function<void(CFeedStore&)> write);
    // Finishes an answer that is neither a body nor "not modified".
    void FinishRefusal(Transfer& transfer, long status);
    void Complete(size_t site, SiteStatus status, int newArticles, Text message);
    // Completes a site the server asked not to be asked now (gone, waiting, fresh); false when
    // it is to be asked.
    bool CompleteUnasked(size_t site, const FeedRecord& record);
    // What the store knew of a site when the run first looked at it, read once: a queued site
    // is looked at in every step.
    const FeedRecord& RecordOf(size_t site);
    // The request of `site`, in `request`; false while its password is being looked up.
    bool RequestOf(size_t site, SiteRequest& request);
    // Until when the server of a site asked to wait (0: it did not), read from the store once a
    // run and kept up to date by the waits asked for during it.
    int64_t HostWaitOf(size_t site, int64_t now);

    int64_t Now() const;

    CFeedStore& m_store;
    CFeedCache m_cache;
    UpdateOptions m_options;
    std::vector<Text> m_urls;           // as given
    std::vector<size_t> m_siteOfUrl;    // index into m_results for each given address
    std::vector<SiteResult> m_results;  // one per distinct address
    // Per distinct address: what libcurl fetches, its host, or why it cannot be fetched.
    struct Address {
        std::string url;
        std::string host;
        std::string waitKey;  // its server (scheme, host and port) as waits are kept
        Text failure;
        SiteSettings settings;  // what the user set for the site
    };
    std::vector<Address> m_addresses;
    std::deque<size_t> m_queue;  // sites not yet started
    std::vector<std::unique_ptr<Transfer>> m_running;
    // Transfers that ended, with their result, waiting to be finished.
    std::deque<std::pair<std::unique_ptr<Transfer>, int>> m_ended;
    // Bodies being read on workers, by site (the transfer keeps the body's file), and what the
    // workers have read; the workers hold the results alone if the run ends first.
    std::map<size_t, PendingRead> m_reading;
    std::shared_ptr<ReadResults> m_reads;
    std::vector<std::unique_ptr<FeedRecord>> m_records;  // per distinct address, once read
    std::map<std::string, int64_t> m_hostWaits;
    // The requests of the sites whose password is looked up on a worker: a keyring may take its
    // time, and the driving thread is the window's. A site waits in the queue until it is ready.
    struct Credentials {
        std::mutex mutex;
        std::condition_variable ready;
        std::map<size_t, SiteRequest> requests;
    };
    std::shared_ptr<Credentials> m_credentials = std::make_shared<Credentials>();
    std::set<size_t> m_lookingUp;  // sites whose lookup was posted
    void* m_multi = nullptr;       // CURLM*, owned
    size_t m_finished = 0;
    bool m_cancelled = false;
};

}  // namespace varlo
