#include "update/update_run.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <map>
#include <string_view>

#include "encoding/codepage.h"
#include "fetch/proxy.h"
#include "fetch/request.h"
#include "platform/kill_point.h"
#include "platform/message_box.h"
#include "platform/unix_time.h"
#include "platform/worker_pool.h"
#include "store/library.h"
#include "store/store_writer.h"
#include "update/feed_reading.h"
#include "update/library_articles.h"
#include "update/server_answer.h"
#include "update/site_access.h"

namespace varlo {
namespace {

CURLM* Multi(void* multi) {
    return static_cast<CURLM*>(multi);
}

// The value of a validator header line "Name: value\r\n" when it is `name` (empty when unfit to
// be kept, see IsUsableValidator); false for another line.
bool HeaderValue(std::string_view line, std::string_view name, Text* value) {
    if (line.size() <= name.size() || line[name.size()] != ':' ||
        strncasecmp(line.data(), name.data(), name.size()) != 0) {
        return false;
    }
    const std::string_view taken = Trim(line.substr(name.size() + 1), " \t\r\n");
    *value = IsUsableValidator(taken) ? Text(taken) : Text();
    return true;
}

// The first bytes of the body in `path`, enough to tell a web page from a feed.
std::string BodyHead(const std::string& path) {
    std::string head(1024, '\0');
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    const ssize_t n = pread(fd, head.data(), head.size(), 0);
    close(fd);
    head.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return head;
}

// The most articles recorded in one transaction, about a tenth of a second of the writer's.
constexpr size_t kArticlesPerTransaction = 300;

}  // namespace

int64_t CUpdateRun::Now() const {
    return m_options.clock ? m_options.clock() : UnixNow();
}

// One running download: its handle, the temporary file its body goes to, and what the response
// said. Owned by the run from start to finish.
struct CUpdateRun::Transfer {
    size_t site = 0;
    std::string host;
    std::string url;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    int fd = -1;
    std::string tempPath;
    uint64_t received = 0;
    uint64_t maxBytes = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    bool sentValidators = false;
    bool sentCredentials = false;
    bool direct = false;      // around the proxy
    bool inHead = false;      // a response head is being received
    FeedValidators stored;    // what the request was conditional on
    FeedValidators response;  // what the final response carried
    ServerAnswer answer;      // what the final response asked of later requests
    int64_t freshUntil = 0;   // as the store had it before
    char error[CURL_ERROR_SIZE] = {};

    ~Transfer() {
        if (easy) curl_easy_cleanup(easy);
        curl_slist_free_all(headers);
        if (fd >= 0) close(fd);
        if (!tempPath.empty()) unlink(tempPath.c_str());
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        const size_t bytes = size * count;
        if (t->received == 0) KillPoint("update-transfer");
        t->received += bytes;
        // Counted after decoding: a small compressed body cannot grow past the cap.
        if (t->received > t->maxBytes) {
            t->tooLarge = true;
            return 0;
        }
        const char* p = data;
        size_t left = bytes;
        while (left > 0) {
            ssize_t n = write(t->fd, p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                t->writeFailed = true;
                return 0;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
        return bytes;
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        const std::string_view line(data, size * count);
        // Each response of a redirection chain starts afresh; only the last one counts.
        if (line.substr(0, 5) == "HTTP/") {
            t->response = {};
            t->answer = {};
            t->inHead = true;
        } else if (line == "\r\n" || line == "\n") {
            t->inHead = false;
        }
        HeaderValue(line, "ETag", &t->response.etag) ||
            HeaderValue(line, "Last-Modified", &t->response.lastModified);
        ReadServerAnswerHeader(line, t->answer);
        return size * count;
    }
};

// What a worker read of one body, and what recording it gave.
struct CUpdateRun::BodyRead {
    size_t site = 0;
    bool read = false;
    Text failure;            // the first message the loader would have shown
    bool recorded = false;   // recorded in the store, with this result
    bool committed = false;  // the body was moved into the cache
    int added = -1;
};

// A body read, with what recording it takes.
struct CUpdateRun::Recording {
    std::shared_ptr<BodyRead> read;
    std::vector<LibraryArticle> articles;
    std::string body;
    Text address;
    bool fresh = false;
    long status = 0;
    FeedValidators validators;
    int64_t now = 0;
};

// Shared by the run and its workers, which may outlive it (a cancelled run leaves them to finish
// into results nobody takes).
struct CUpdateRun::ReadResults : std::enable_shared_from_this<ReadResults> {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<BodyRead> done;
    // Every write of the run goes through here, so that none holds up the thread that drives
    // the run (the window's, during F5): recording bodies, failures, waits and freshness alike.
    std::shared_ptr<CStoreWriter> writer;
    CFeedCache cache{std::string()};
    // What the store had to say while recording (a search index it rebuilt); under `mutex`.
    Text notice;
    // Bodies read and waiting to be recorded; under `mutex`. One piece of the writer records all
    // that wait when it runs, in one transaction: many small feeds cost one commit, not one each.
    std::vector<Recording> waiting;

    void Finished(BodyRead read) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            done.push_back(std::move(read));
        }
        ready.notify_all();
    }
    // Queues a body's articles for recording; posts the piece that records them unless one
    // that will take them is posted already.
    void Queue(Recording recording);
    void PostRecording();
    // Records what waits; on the writer.
    void RecordWaiting(CFeedStore* store);
};

void CUpdateRun::ReadResults::Queue(Recording recording) {
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        post = waiting.empty();
        waiting.push_back(std::move(recording));
    }
    if (post) PostRecording();
}

void CUpdateRun::ReadResults::PostRecording() {
    writer->Post([self = shared_from_this()](CFeedStore* store) { self->RecordWaiting(store); });
}

void CUpdateRun::ReadResults::RecordWaiting(CFeedStore* store) {
    std::vector<Recording> batch;
    bool more = false;
    {
        // A transaction takes at most about kArticlesPerTransaction articles: what else the
        // writer has to do (a mark the user made) waits no longer than that takes, and the cache
        // holds what the transaction changes. The rest gets a piece of its own after this one.
        std::lock_guard<std::mutex> lock(mutex);
        size_t articles = 0;
        size_t taken = 0;
        while (taken < waiting.size() && (taken == 0 || articles + waiting[taken].articles.size() <=
                                                            kArticlesPerTransaction)) {
            articles += waiting[taken++].articles.size();
        }
        batch.assign(std::make_move_iterator(waiting.begin()),
                     std::make_move_iterator(waiting.begin() + static_cast<ptrdiff_t>(taken)));
        waiting.erase(waiting.begin(), waiting.begin() + static_cast<ptrdiff_t>(taken));
        more = !waiting.empty();
    }
    if (more) PostRecording();
    if (batch.empty()) return;
    std::vector<CLibrary::FeedDownload> downloads;
    downloads.reserve(batch.size());
    for (Recording& r : batch) {
        FeedValidators kept = r.validators;
        if (store != nullptr && r.fresh) {
            // The body is in place before the store takes validators that claim it.
            if (!cache.Commit(r.body, r.address)) kept = {};
            r.read->committed = true;
        }
        downloads.push_back({r.address, kept, &r.articles, r.now, r.status != 304});
    }
    if (store != nullptr) {
        CLibrary library(*store);
        const bool recorded = library.RecordFeeds(downloads);
        for (size_t i = 0; i < batch.size(); ++i) {
            batch[i].read->added = downloads[i].added;
            batch[i].read->recorded = recorded;
        }
        if (!store->Notice().empty()) {
            std::lock_guard<std::mutex> lock(mutex);
            notice = store->Notice();
            store->ClearNotice();
        }
    }
    for (Recording& r : batch) {
        r.articles.clear();
        Finished(std::move(*r.read));
    }
}

struct CUpdateRun::PendingRead {
    std::unique_ptr<Transfer> transfer;
    std::string body;
    long status = 0;
    FeedValidators validators;
};

CUpdateRun::CUpdateRun(CFeedStore& store, CFeedCache cache, std::vector<Text> urls,
                       UpdateOptions options)
    : m_store(store),
      m_cache(std::move(cache)),
      m_options(options),
      m_urls(std::move(urls)),
      m_reads(std::make_shared<ReadResults>()) {
    m_reads->writer = CStoreWriter::Make(m_store.Path());
    m_reads->cache = m_cache;
    EnsureCurlInitialised();
    m_options.jobs = std::max(1, m_options.jobs);
    m_options.perHost = std::max(1, m_options.perHost);
    std::map<Text, size_t> seen;
    const std::map<Text, SiteSettings> settings = LoadAllSiteSettings(m_store);
    for (const Text& url : m_urls) {
        auto [it, added] = seen.emplace(url, m_results.size());
        if (added) {
            m_results.push_back(SiteResult{url, SiteStatus::kPending, 0, {}});
            Address address;
            address.url = FetchableAddress(url, &address.host, &address.failure);
            if (!address.url.empty()) address.waitKey = WaitKey(address.url);
            if (auto own = settings.find(url); own != settings.end()) {
                address.settings = own->second;
            }
            m_addresses.push_back(std::move(address));
            m_queue.push_back(it->second);
        }
        m_siteOfUrl.push_back(it->second);
    }
    m_multi = curl_multi_init();
    // Touched before anything is fetched: a site that fails every time is still in use.
    Write([urls = m_urls, now = Now()](CFeedStore& writer) { writer.Touch(urls, now); });
}

CUpdateRun::~CUpdateRun() {
    Cancel();
    if (m_multi) curl_multi_cleanup(Multi(m_multi));
}

void CUpdateRun::Cancel() {
    if (m_finished < m_results.size()) m_cancelled = true;
    for (auto& transfer : m_running) {
        curl_multi_remove_handle(Multi(m_multi), transfer->easy);
    }
    m_running.clear();
    m_ended.clear();
    m_queue.clear();
    // Reads still running finish into results nobody takes; their files go with the transfers.
    m_reading.clear();
    std::lock_guard<std::mutex> lock(m_reads->mutex);
    m_reads->done.clear();
}

void CUpdateRun::Write(std::function<void(CFeedStore&)> write) {
    m_reads->writer->Post([write = std::move(write)](CFeedStore* store) {
        if (store != nullptr) write(*store);
    });
}

Text CUpdateRun::Notice() const {
    std::lock_guard<std::mutex> lock(m_reads->mutex);
    return m_reads->notice;
}

bool CUpdateRun::Done() const {
    return m_cancelled || (m_finished == m_results.size() && m_reads->writer->Idle());
}

void CUpdateRun::Complete(size_t site, SiteStatus status, int newArticles, Text message) {
    SiteResult& result = m_results[site];
    result.status = status;
    result.newArticles = newArticles;
    result.message = std::move(message);
    if (status == SiteStatus::kFailed) {
        Write([url = result.xmlUrl, message = result.message, now = Now()](CFeedStore& store) {
            store.RecordFailure(url, message, now);
        });
    }
    ++m_finished;
}

bool CUpdateRun::CompleteUnasked(size_t site, const FeedRecord& record) {
    const int64_t now = Now();
    if (record.gone) {
        Complete(site, SiteStatus::kGone, 0, Jp("サイトは終了しました"));
    } else if (const int64_t until = HostWaitOf(site, now)) {
        Complete(site, SiteStatus::kWaiting, 0, WaitingMessage(until));
        m_results[site].until = until;
    } else if (m_options.automatic &&
               (record.freshUntil > now ||
                !DueForAutomaticUpdate(m_addresses[site].settings, record, now))) {
        Complete(site, SiteStatus::kFresh, 0, {});
    } else {
        return false;
    }
    return true;
}

const FeedRecord& CUpdateRun::RecordOf(size_t site) {
    if (m_records.size() < m_results.size()) {
        // The first look reads every feed's record in one query.
        std::map<Text, FeedRecord> all = m_store.Feeds();
        m_records.resize(m_results.size());
        for (size_t i = 0; i < m_results.size(); ++i) {
            auto it = all.find(m_results[i].xmlUrl);
            m_records[i] = std::make_unique<FeedRecord>(it != all.end() ? std::move(it->second)
                                                                        : FeedRecord());
        }
    }
    return *m_records[site];
}

int64_t CUpdateRun::HostWaitOf(size_t site, int64_t now) {
    const Address& address = m_addresses[site];
    auto it = m_hostWaits.find(address.waitKey);
    if (it == m_hostWaits.end()) {
        // Waits kept before they were keyed by scheme and port name the host alone: they hold
        // every port of it until they end.
        const int64_t until =
            std::max(m_store.HostWait(address.waitKey, now), m_store.HostWait(address.host, now));
        it = m_hostWaits.emplace(address.waitKey, until).first;
    }
    return it->second > now ? it->second : 0;
}

bool CUpdateRun::RequestOf(size_t site, SiteRequest& request) {
    const Text& address = m_results[site].xmlUrl;
    const SiteSettings& settings = m_addresses[site].settings;
    if (!NeedsPasswordLookup(address, settings)) {
        request = SiteRequestFor(address, settings);
        return true;
    }
    {
        std::lock_guard lock(m_credentials->mutex);
        auto found = m_credentials->requests.find(site);
        if (found != m_credentials->requests.end()) {
            request = std::move(found->second);
            m_credentials->requests.erase(found);
            return true;
        }
    }
    if (m_lookingUp.insert(site).second) {
        WorkerPool::Shared().Post([credentials = m_credentials, site, address, settings] {
            SiteRequest looked = SiteRequestFor(address, settings);
            std::lock_guard lock(credentials->mutex);
            credentials->requests.emplace(site, std::move(looked));
            credentials->ready.notify_all();
        });
    }
    return false;
}

void CUpdateRun::StartQueued() {
    std::map<std::string, int> perHost;
    for (const auto& transfer : m_running) ++perHost[transfer->host];
    // Sites wait here, not inside libcurl: a transfer's time-outs start only once it has a slot.
    for (auto it = m_queue.begin();
         it != m_queue.end() && m_running.size() < static_cast<size_t>(m_options.jobs);) {
        const size_t site = *it;
        const Text& address = m_results[site].xmlUrl;
        const Address& fetchable = m_addresses[site];
        if (fetchable.url.empty()) {
            it = m_queue.erase(it);
            Complete(site, SiteStatus::kFailed, 0, fetchable.failure);
            continue;
        }
        // A site its server asked not to ask now ends without a slot, even while its host is
        // busy: a wait asked for during this run holds the host's queued sites too.
        const FeedRecord& record = RecordOf(site);
        if (CompleteUnasked(site, record)) {
            it = m_queue.erase(it);
            continue;
        }
        SiteRequest request;
        if (perHost[fetchable.host] >= m_options.perHost || !RequestOf(site, request)) {
            ++it;
            continue;
        }
        it = m_queue.erase(it);
        auto transfer = std::make_unique<Transfer>();
        transfer->url = fetchable.url;
        transfer->host = fetchable.host;
        transfer->site = site;
        transfer->maxBytes = m_options.limits.maxBytes;
        transfer->freshUntil = record.freshUntil;
        // Validators only while the body they stand for is still at hand.
        if (m_cache.HasBody(address)) transfer->stored = record.validators;
        // One an earlier version kept is neither sent nor kept any longer.
        if (!IsUsableValidator(transfer->stored.etag)) transfer->stored.etag.clear();
        if (!IsUsableValidator(transfer->stored.lastModified)) {
            transfer->stored.lastModified.clear();
        }
        transfer->sentValidators =
            !transfer->stored.etag.empty() || !transfer->stored.lastModified.empty();
        transfer->headers = RequestHeaders(transfer->stored.etag, transfer->stored.lastModified);
        transfer->tempPath = m_cache.CreateTemp(&transfer->fd);
        transfer->easy = curl_easy_init();
        if (transfer->tempPath.empty() || !transfer->easy || !transfer->headers) {
            Complete(site, SiteStatus::kFailed, 0,
                     transfer->tempPath.empty()
                         ? Jp("フィードの控えを書き込めませんでした")
                         : DescribeTransferFailure(CURLE_OUT_OF_MEMORY, "", 0));
            continue;
        }
        CURL* e = transfer->easy;
        SetFeedRequest(e, transfer->url, transfer->headers, m_options.limits);
        ApplySiteRequest(e, request);
        transfer->sentCredentials = request.HasCredentials();
        transfer->direct = request.direct;
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, transfer->error);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, transfer.get());
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, transfer.get());
        curl_easy_setopt(e, CURLOPT_PRIVATE, transfer.get());
        if (curl_multi_add_handle(Multi(m_multi), e) != CURLM_OK) {
            Complete(site, SiteStatus::kFailed, 0,
                     DescribeTransferFailure(CURLE_FAILED_INIT, "", 0));
            continue;
        }
        ++perHost[transfer->host];
        m_running.push_back(std::move(transfer));
    }
}

void CUpdateRun::Finish(std::unique_ptr<Transfer> transfer, CURLcode code) {
    Transfer& t = *transfer;
    const Text& address = m_results[t.site].xmlUrl;
    if (t.fd >= 0) {
        if (close(t.fd) != 0) t.writeFailed = true;
        t.fd = -1;
    }
    if (t.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        return Complete(t.site, SiteStatus::kFailed, 0, FeedTooLargeMessage(t.maxBytes));
    }
    if (t.writeFailed) {
        return Complete(t.site, SiteStatus::kFailed, 0, Jp("フィードの控えを書き込めませんでした"));
    }
    if (code != CURLE_OK) {
        return Complete(
            t.site, SiteStatus::kFailed, 0,
            ProxiedFailure(t.easy, code,
                           DescribeTransferFailure(code, t.error, t.maxBytes, t.inHead), t.direct));
    }
    long status = 0;
    curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);

    std::string body;  // the file whose articles this download stands for
    FeedValidators validators = t.response;
    if (status == 304) {
        // Not modified is an answer only to a question asked: without a cached body there is
        // nothing it could stand for.
        if (!t.sentValidators || !m_cache.HasBody(address)) {
            return Complete(t.site, SiteStatus::kFailed, 0,
                            Jp("サーバーが、送っていない内容を「変更なし」(304) と答えました"));
        }
        body = m_cache.BodyPath(address);
        if (validators.etag.empty()) validators.etag = t.stored.etag;
        if (validators.lastModified.empty()) validators.lastModified = t.stored.lastModified;
    } else if (status >= 200 && status < 300) {
        body = t.tempPath;
    } else {
        return FinishRefusal(t, status);
    }
    // Recorded before the body is read: a body that is no feed is still this answer.
    if (const int64_t fresh = FreshUntil(t.answer, Now()); fresh != 0 || t.freshUntil != 0) {
        Write([address, fresh](CFeedStore& store) { store.SetFreshUntil(address, fresh); });
    }

    StartRead(std::move(transfer), std::move(body), status, validators);
}

void CUpdateRun::StartRead(std::unique_ptr<Transfer> transfer, std::string body, long status,
                           FeedValidators validators) {
    const size_t site = transfer->site;
    std::shared_ptr<ReadResults> results = m_reads;
    const Text address = m_results[site].xmlUrl;
    const bool fresh = body == transfer->tempPath;
    const int64_t now = Now();
    WorkerPool::Shared().Post([results, site, body, address, fresh, status, validators, now] {
        Recording recording{
            std::make_shared<BodyRead>(), {}, body, address, fresh, status, validators, now};
        BodyRead& read = *recording.read;
        read.site = site;
        {
            // The body is parsed once: the articles it holds carry their keys.
            FeedReading reading = ReadFeedBody(body, address);
            // The loader's own message boxes become this site's message, never a window.
            if (!reading.messages.empty()) read.failure = reading.messages.front().first;
            read.read = reading.isFeed;
            if (read.read) recording.articles = LibraryArticlesOf(*reading.feed);
        }
        if (!read.read) return results->Finished(std::move(read));
        results->Queue(std::move(recording));
    });
    m_reading[site] = PendingRead{std::move(transfer), std::move(body), status, validators};
}

void CUpdateRun::Record(BodyRead& read) {
    auto it = m_reading.find(read.site);
    if (it == m_reading.end()) return;
    PendingRead pending = std::move(it->second);
    m_reading.erase(it);
    Transfer& t = *pending.transfer;
    if (!read.read) {
        return Complete(t.site, SiteStatus::kFailed, 0,
                        read.failure.empty() ? Jp("フィードとして読めませんでした") : read.failure);
    }
    if (read.committed) t.tempPath.clear();
    // A store that the run's writer could not open records nothing.
    const int added = read.recorded ? read.added : -1;
    if (added < 0) {
        return Complete(t.site, SiteStatus::kFailed, 0, Jp("新着の記録に書き込めませんでした"));
    }
    Complete(t.site, added > 0 ? SiteStatus::kNew : SiteStatus::kUnchanged, added, {});
}

void CUpdateRun::FinishRefusal(Transfer& t, long status) {
    const Text& address = m_results[t.site].xmlUrl;
    const int64_t now = Now();
    const Refusal refusal =
        ReadRefusal(status, t.answer, BodyHead(t.tempPath), now, t.sentCredentials);
    switch (refusal.kind) {
        case Refusal::Kind::kGone:
            Write([address, message = refusal.message, now](CFeedStore& store) {
                store.RecordGone(address, message, now);
            });
            return Complete(t.site, SiteStatus::kGone, 0, refusal.message);
        case Refusal::Kind::kWaiting: {
            const std::string& key = m_addresses[t.site].waitKey;
            Write([key, until = refusal.until](CFeedStore& writer) {
                writer.SetHostWait(key, until);
            });
            m_hostWaits[key] = refusal.until;
            Complete(t.site, SiteStatus::kWaiting, 0, refusal.message);
            m_results[t.site].until = refusal.until;
            Write([address, message = refusal.message, now](CFeedStore& store) {
                store.RecordFailure(address, message, now);
            });
            return;
        }
        case Refusal::Kind::kFailed:
            return Complete(t.site, SiteStatus::kFailed, 0, refusal.message);
    }
}

bool CUpdateRun::Step(int waitMs) {
    if (Done()) return false;
    if (m_finished == m_results.size()) {
        // Every site has ended: only writes remain.
        m_reads->writer->WaitIdle(std::chrono::milliseconds(std::max(waitMs, 0)));
        return !Done();
    }
    // Bodies still to be finished come first; no need to wait on the network for them.
    if (!m_ended.empty()) waitMs = 0;
    {
        std::lock_guard<std::mutex> lock(m_reads->mutex);
        if (!m_reads->done.empty()) waitMs = 0;
    }
    if (!m_multi) {
        while (!m_queue.empty()) {
            const size_t site = m_queue.front();
            m_queue.pop_front();
            Complete(site, SiteStatus::kFailed, 0,
                     DescribeTransferFailure(CURLE_OUT_OF_MEMORY, "", 0));
        }
        return false;
    }
    StartQueued();
    int running = 0;
    curl_multi_perform(Multi(m_multi), &running);
    if (waitMs > 0 && !m_running.empty()) {
        curl_multi_poll(Multi(m_multi), nullptr, 0, waitMs, nullptr);
        curl_multi_perform(Multi(m_multi), &running);
    } else if (waitMs > 0 && m_reading.empty() && !m_queue.empty() && !m_lookingUp.empty()) {
        // Only sites whose passwords are being looked up remain: wait for a worker.
        std::unique_lock lock(m_credentials->mutex);
        m_credentials->ready.wait_for(lock, std::chrono::milliseconds(waitMs),
                                      [this] { return !m_credentials->requests.empty(); });
    } else if (waitMs > 0 && !m_reading.empty()) {
        // Only bodies being read remain: wait for a worker instead of the network.
        std::unique_lock<std::mutex> lock(m_reads->mutex);
        m_reads->ready.wait_for(lock, std::chrono::milliseconds(waitMs),
                                [this] { return !m_reads->done.empty(); });
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi(m_multi), &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        CURL* easy = message->easy_handle;
        const CURLcode code = message->data.result;
        curl_multi_remove_handle(Multi(m_multi), easy);
        auto it = std::find_if(m_running.begin(), m_running.end(),
                               [easy](const auto& t) { return t->easy == easy; });
        if (it == m_running.end()) continue;
        m_ended.emplace_back(std::move(*it), static_cast<int>(code));
        m_running.erase(it);
    }
    // The slots are free at once; reading and recording the bodies may take more than one Step.
    StartQueued();
    const auto start = std::chrono::steady_clock::now();
    while (!m_ended.empty()) {
        auto [transfer, code] = std::move(m_ended.front());
        m_ended.pop_front();
        Finish(std::move(transfer), static_cast<CURLcode>(code));
        if (std::chrono::steady_clock::now() - start >= m_options.stepBudget) break;
    }
    std::deque<BodyRead> read;
    {
        std::lock_guard<std::mutex> lock(m_reads->mutex);
        read.swap(m_reads->done);
    }
    // Recording writes the store: within the step's time too, the rest in the next steps.
    while (!read.empty()) {
        Record(read.front());
        read.pop_front();
        if (std::chrono::steady_clock::now() - start >= m_options.stepBudget) break;
    }
    if (!read.empty()) {
        std::lock_guard<std::mutex> lock(m_reads->mutex);
        m_reads->done.insert(m_reads->done.begin(), std::make_move_iterator(read.begin()),
                             std::make_move_iterator(read.end()));
    }
    return !Done();
}

int CUpdateRun::SitesWithNew() const {
    return static_cast<int>(std::count_if(m_results.begin(), m_results.end(), [](const auto& r) {
        return r.status == SiteStatus::kNew;
    }));
}

int CUpdateRun::SitesFailed() const {
    return SitesWith(SiteStatus::kFailed);
}

int CUpdateRun::SitesWith(SiteStatus status) const {
    return static_cast<int>(std::count_if(m_results.begin(), m_results.end(),
                                          [status](const auto& r) { return r.status == status; }));
}

std::vector<std::string> CUpdateRun::RunningHosts() const {
    std::vector<std::string> hosts;
    for (const auto& transfer : m_running) hosts.push_back(transfer->host);
    return hosts;
}

std::vector<SiteResult> CUpdateRun::Results() const {
    std::vector<SiteResult> results;
    results.reserve(m_urls.size());
    for (size_t site : m_siteOfUrl) results.push_back(m_results[site]);
    return results;
}

}  // namespace varlo
