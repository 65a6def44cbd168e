#include "sync/sync_run.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <exception>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "feeds/display_form.h"
#include "preview/html_sanitizer.h"
#include "store/feed_store.h"
#include "store/library.h"
#include "store/write_transaction.h"
#include "subscriptions/opml_file.h"
#include "sync/server_address.h"
#include "sync/subscription_merge.h"
#include "sync/sync_state.h"
#include "update/feed_request.h"

namespace varlo {
namespace {

// At most this many refused subscription addresses are listed one by one; the rest are counted.
constexpr size_t kListedRefusals = 20;

// A server's list that drops more of the synced sites than this (or more than half of them) is
// not taken as the user's word without asking.
constexpr size_t kSureRemovals = 20;

// An address as the failures list shows it: the system's text, cut to a length a line can hold.
Text ShownAddress(const std::string& utf8) {
    constexpr size_t kLongest = 200;
    Text text = Utf8ToCp932(utf8.substr(0, kLongest * 2));
    if (text.size() > kLongest) {
        size_t cut = 0;
        while (cut < kLongest) cut += IsLeadByte(static_cast<unsigned char>(text[cut])) ? 2 : 1;
        text = text.substr(0, cut) + "...";
    }
    return text;
}

// Articles of the reading list stored in one transaction: few commits, yet short enough that
// the window's marks never wait long for the store.
constexpr size_t kArticlesPerTransaction = 1000;

// The converted articles held before they are stored while the list is still being read: a
// list of pages full of long articles is stored as it comes, not held whole in memory.
constexpr size_t kHeldArticleBytes = size_t{4} << 20;

// The label FreshRSS gives a site in no category: no category in the file.
constexpr std::string_view kNoCategoryLabel = "Uncategorized";

// A server's text (UTF-8, HTML-escaped) as the window shows a feed's title.
Text ShownText(const std::string& utf8) {
    return DisplayText(Utf8ToCp932(utf8));
}

// System text as the server is sent it.
std::string ServerText(const Text& text) {
    return Cp932TextToUtf8(text);
}

// Pages of the reading list, handed from the thread that reads them to the one that stores them.
// At most one page waits: a server faster than the pages are converted does not pile its pages
// up in memory.
class PageQueue {
  public:
    void Push(std::vector<ReaderItem>&& page) {
        {
            std::unique_lock lock(m_mutex);
            m_taken.wait(lock, [this] { return m_pages.empty() || m_abandoned; });
            if (m_abandoned) return;
            m_pages.push_back(std::move(page));
        }
        m_ready.notify_one();
    }
    // No page follows.
    void Close() {
        {
            const std::lock_guard lock(m_mutex);
            m_closed = true;
        }
        m_ready.notify_one();
    }
    // Waits for the next page; false once the queue is closed and empty.
    bool Pop(std::vector<ReaderItem>* page) {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_pages.empty() || m_closed; });
        if (m_pages.empty()) return false;
        *page = std::move(m_pages.front());
        m_pages.pop_front();
        lock.unlock();
        m_taken.notify_one();
        return true;
    }
    // The reader of the pages has stopped taking them: later pages are dropped, never waited on.
    void Abandon() {
        {
            const std::lock_guard lock(m_mutex);
            m_abandoned = true;
            m_pages.clear();
        }
        m_taken.notify_one();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_taken;
    std::deque<std::vector<ReaderItem>> m_pages;
    bool m_closed = false;
    bool m_abandoned = false;
};

// Abandons a queue however the scope of its reader is left, before the thread that fills it is
// joined (declared after the JoinOnExit, so destroyed first).
class AbandonOnExit {
  public:
    explicit AbandonOnExit(PageQueue& queue) : m_queue(queue) {}
    ~AbandonOnExit() { m_queue.Abandon(); }
    AbandonOnExit(const AbandonOnExit&) = delete;
    AbandonOnExit& operator=(const AbandonOnExit&) = delete;

  private:
    PageQueue& m_queue;
};

// Joins a thread however the scope is left (the reading thread never waits for its reader).
class JoinOnExit {
  public:
    explicit JoinOnExit(std::thread& thread) : m_thread(thread) {}
    ~JoinOnExit() {
        if (m_thread.joinable()) m_thread.join();
    }
    JoinOnExit(const JoinOnExit&) = delete;
    JoinOnExit& operator=(const JoinOnExit&) = delete;

  private:
    std::thread& m_thread;
};

// The library's article of a server's item; the item's text goes as the article is made.
LibraryArticle ArticleOf(ReaderItem& item) {
    LibraryArticle a;
    a.link = Cp932TextToUtf8(DisplayLink(Utf8ToCp932(item.link)));
    a.title = Cp932TextToUtf8(ShownText(item.title));
    a.date = item.published ? item.published : item.crawled;
    a.author = Cp932TextToUtf8(ShownText(item.author));
    a.html = SanitizeHtml(item.html, a.link);
    std::string().swap(item.html);
    a.serverId = item.id;
    a.key = a.link.empty() ? item.id : a.link;
    return a;
}

Text UnplacedMessage(size_t count, const std::string& firstStream) {
    return Jp("同期サーバーの記事のうち ") + std::to_string(count) +
           Jp(" 件は、購読の一覧にないストリームのものなので保存しませんでした (") +
           ShownAddress(firstStream.empty() ? std::string("?") : firstStream) + ")";
}

class CSync {
  public:
    CSync(CFeedStore& store, COpmlFile& file, const SyncAccount& account,
          const SyncOptions& options)
        : m_store(store),
          m_library(store),
          m_file(file),
          m_account(account),
          m_options(options),
          m_client(account.server, options.limits, options.caps) {
        if (options.clock) m_client.SetClock(options.clock);
    }

    SyncSummary Run(std::string_view password);

  private:
    int64_t Now() const {
        return m_options.clock ? m_options.clock() : static_cast<int64_t>(std::time(nullptr));
    }
    // Notes a failure and whether the sync must stop (no answer, no login, a long wait); true
    // for any failure.
    bool Failed(const ReaderStatus& status);
    // Logs in at the account's address, else (a server's own page rather than its API) at the
    // address FreshRSS serves the API at below it.
    ReaderStatus Login(std::string_view password);
    void Subscriptions();
    // The server's subscriptions as sites of the file, each remembered with its stream; an address
    // an update must not fetch is left out (and `whole` cleared).
    std::vector<SyncedSite> ServerSites(const std::vector<ReaderSubscription>& subs,
                                        const std::vector<std::string>& labelOrder, bool* whole);
    // Sends the server the additions, removals and changes of `merge`; what it did not take is
    // taken out of `synced` or keeps its old names there.
    void SendSubscriptionChanges(const SubscriptionMerge& merge,
                                 std::map<Text, SyncedSite>& synced);
    void SendMarks();
    void Articles();
    // The feed address of the site a stream of the server stands for; empty for none.
    Text SiteOfStream(const std::string& streamId) const;
    void ReceiveMarks();
    // Stores articles read from the reading list, taking them from `fresh`; false (and said so)
    // when the store failed.
    bool StoreArticles(std::vector<ServerArticles>& fresh);
    // Leaves out the removals from the file the user has not agreed to when the server's list
    // cannot be trusted to have dropped them (`whole`: the list was read whole).
    void KeepDoubtfulRemovals(SubscriptionMerge& merge, bool whole);
    void ApplyToFile(const SubscriptionMerge& merge);

    CFeedStore& m_store;
    CLibrary m_library;
    COpmlFile& m_file;
    SyncAccount m_account;
    SyncOptions m_options;
    CReaderClient m_client;
    CSyncState m_state;
    SyncSummary m_summary;
    bool m_stop = false;
    // Failed requests that did not fail the sync (a first address that was not the API's).
    int m_forgiven = 0;
    // The server's subscriptions: stream id to feed address, and feed address to stream id.
    std::map<std::string, Text> m_streamSite;
    std::map<Text, std::string> m_siteStream;
    std::map<Text, std::vector<std::string>> m_siteLabels;
    std::map<Text, std::string> m_siteHtml;
    bool m_haveServerList = false;
    // Server ids of marks still queued after sending: the server's state does not touch them.
    std::set<std::string> m_stillQueued;
};

bool CSync::Failed(const ReaderStatus& status) {
    if (status.Ok()) return false;
    m_summary.failures.push_back(status.message);
    const bool fatal =
        status.failure == ReaderFailure::kUnreachable || status.failure == ReaderFailure::kLogin ||
        status.failure == ReaderFailure::kWaiting || status.failure == ReaderFailure::kNotApi ||
        status.failure == ReaderFailure::kBudget;
    if (status.failure == ReaderFailure::kWaiting) {
        m_store.SetHostWait(WaitKey(m_client.Server()), status.waitUntil);
    }
    if (status.failure == ReaderFailure::kPartial || status.failure == ReaderFailure::kBudget) {
        m_summary.partial = true;
    }
    if (fatal) {
        m_summary.stopped = status.failure;
        m_stop = true;
    }
    return true;
}

ReaderStatus CSync::Login(std::string_view password) {
    ReaderStatus status = m_client.Login(m_account.user, password);
    if (status.failure != ReaderFailure::kNotApi) return status;
    constexpr std::string_view kApiPath = "/api/greader.php";
    const std::string given = m_client.Server();
    if (!given.ends_with(kApiPath)) {
        m_client.SetServer(given + std::string(kApiPath));
        const int failedBefore = m_client.FailedRequests();
        status = m_client.Login(m_account.user, password);
        if (status.Ok()) {
            m_forgiven = failedBefore;
            m_account.server = m_client.Server();
            m_summary.server = m_account.server;
            return status;
        }
        if (status.failure != ReaderFailure::kNotApi) return status;
    }
    status.message = Jp("Google Reader API が見つかりません");
    return status;
}

SyncSummary CSync::Run(std::string_view password) {
    if (PasswordTravelsInClear(m_account.server) &&
        !(m_options.maySendInClear && m_options.maySendInClear())) {
        m_summary.failures.push_back(
            Jp("パスワードが暗号化されずに送信されるため、同期しませんでした"));
        m_summary.stopped = ReaderFailure::kInClear;
        return std::move(m_summary);
    }
    if (const int64_t until = m_store.HostWait(WaitKey(m_account.server), Now()); until > 0) {
        m_summary.failures.push_back(Jp("同期サーバー: ") + WaitingMessage(until));
        m_summary.stopped = ReaderFailure::kWaiting;
        return std::move(m_summary);
    }
    if (!Failed(Login(password))) {
        // Opened once the address is sure: the account is named by the one that answered.
        if (!m_state.Open(m_store, m_account.Key())) {
            m_summary.failures.push_back(Jp("同期の記録を開けませんでした"));
            m_summary.stopped = ReaderFailure::kServer;
            return std::move(m_summary);
        }
        Subscriptions();
        if (!m_stop) SendMarks();
        if (!m_stop) Articles();
        if (!m_stop) ReceiveMarks();
        if (const int unreadable = m_client.UnreadableIds(); unreadable > 0) {
            m_summary.failures.push_back(Jp("同期サーバーの記事と既読・スターのうち ") +
                                         std::to_string(unreadable) +
                                         Jp(" 件は ID を読めないため使いませんでした"));
        }
        m_summary.ran = !m_stop;
    }
    m_summary.failed = m_client.FailedRequests() - m_forgiven;
    return std::move(m_summary);
}

void CSync::Subscriptions() {
    std::vector<ReaderSubscription> subs;
    std::vector<std::string> labelOrder;
    bool whole = true;
    if (Failed(m_client.Subscriptions(&subs, &whole))) return;
    if (const int unreadable = m_client.UnreadableSubscriptions(); unreadable > 0) {
        m_summary.failures.push_back(Jp("同期サーバーの購読のうち ") + std::to_string(unreadable) +
                                     Jp(" 件はストリーム ID かアドレスがないため使いませんでした"));
    }
    // The first label in the server's order is the category; without the order, the site's own.
    if (Failed(m_client.Labels(&labelOrder)) && m_stop) return;
    m_haveServerList = true;
    const std::vector<SyncedSite> server = ServerSites(subs, labelOrder, &whole);
    std::vector<SyncedSite> local;
    for (int i = 0; i < m_file.GetCount(); ++i) {
        const COpmlItem* item = m_file.GetAt(i);
        if (Trim(item->m_strXmlUrl).empty()) continue;
        local.push_back({item->m_strXmlUrl, item->m_strTitle, item->m_strCategory});
    }
    const bool first = !m_state.SyncedOnce();
    std::set<Text> declined = m_state.Declined();
    SubscriptionMerge merge = MergeSubscriptions(local, server, m_state.Synced(), first, declined);
    if (first && !merge.addServer.empty() && m_options.askUpload &&
        !m_options.askUpload(static_cast<int>(merge.addServer.size()))) {
        std::vector<Text> refused;
        for (const SyncedSite& s : merge.addServer) refused.push_back(s.xmlUrl);
        m_state.AddDeclined(refused);
        declined.insert(refused.begin(), refused.end());
        merge = MergeSubscriptions(local, server, m_state.Synced(), first, declined);
    }
    KeepDoubtfulRemovals(merge, whole);
    const bool changesFile =
        !merge.addLocal.empty() || !merge.removeLocal.empty() || !merge.changeLocal.empty();
    if (changesFile && m_options.mayChangeFile && !m_options.mayChangeFile()) return;

    // What the server did not take stays out of the last-synced set (an addition is tried again
    // at the next sync) or keeps its old names there (a change is sent again).
    std::map<Text, SyncedSite> synced;
    std::vector<Text> order;
    for (const SyncedSite& s : merge.synced) {
        if (synced.emplace(s.xmlUrl, s).second) order.push_back(s.xmlUrl);
    }
    SendSubscriptionChanges(merge, synced);
    if (m_stop) return;  // the file and the set stay as they were; the next sync merges again
    ApplyToFile(merge);
    std::vector<SyncedSite> next;
    for (const Text& url : order) {
        if (const auto it = synced.find(url); it != synced.end()) next.push_back(it->second);
    }
    if (!m_state.SetSynced(next))
        m_summary.failures.push_back(Jp("同期の記録を保存できませんでした"));
}

std::vector<SyncedSite> CSync::ServerSites(const std::vector<ReaderSubscription>& subs,
                                           const std::vector<std::string>& labelOrder,
                                           bool* whole) {
    std::map<std::string, size_t> rank;
    for (size_t i = 0; i < labelOrder.size(); ++i) rank.emplace(labelOrder[i], i);
    std::set<Text> held;
    for (int i = 0; i < m_file.GetCount(); ++i)
        held.insert(Text(Trim(m_file.GetAt(i)->m_strXmlUrl)));
    std::vector<SyncedSite> server;
    size_t refusedAddresses = 0;
    for (const ReaderSubscription& s : subs) {
        SyncedSite site;
        site.xmlUrl = Text(Trim(Utf8ToCp932(s.xmlUrl)));
        // The server's list goes into the file and from there to every update: an address a
        // feed update must not fetch (another scheme, this machine, the network's metadata
        // service) is never written, unless the file held it already.
        if (!held.contains(site.xmlUrl) &&
            !SubscriptionAddressAllowed(Trim(s.xmlUrl), m_account.server)) {
            *whole = false;  // the sites they stand for may be the file's under another address
            if (++refusedAddresses <= kListedRefusals) {
                m_summary.failures.push_back(
                    Jp("同期サーバーの購読のアドレスは使えないため、ファイルに加えませんでした: ") +
                    ShownAddress(s.xmlUrl));
            }
            continue;
        }
        site.title = ShownText(s.title);
        const std::string* first = nullptr;
        for (const std::string& l : s.labels) {
            if (l == kNoCategoryLabel) continue;
            const auto r = rank.find(l);
            const auto best = first ? rank.find(*first) : rank.end();
            if (!first || (r != rank.end() && (best == rank.end() || r->second < best->second))) {
                first = &l;
            }
        }
        if (first) site.category = ShownText(*first);
        m_streamSite[s.streamId] = site.xmlUrl;
        m_siteStream[site.xmlUrl] = s.streamId;
        m_siteLabels[site.xmlUrl] = s.labels;
        m_siteHtml[site.xmlUrl] = s.htmlUrl;
        server.push_back(std::move(site));
    }
    if (refusedAddresses > kListedRefusals) {
        m_summary.failures.push_back(Jp("ほかに使えないアドレスの購読が ") +
                                     std::to_string(refusedAddresses - kListedRefusals) +
                                     Jp(" 件ありました"));
    }
    return server;
}

void CSync::SendSubscriptionChanges(const SubscriptionMerge& merge,
                                    std::map<Text, SyncedSite>& synced) {
    for (const SyncedSite& s : merge.addServer) {
        if (m_stop) return;
        std::string streamId;
        if (Failed(m_client.QuickAdd(ServerText(s.xmlUrl), &streamId))) {
            synced.erase(s.xmlUrl);
            continue;
        }
        m_streamSite[streamId] = s.xmlUrl;
        m_siteStream[s.xmlUrl] = streamId;
        ++m_summary.subscriptionsAdded;
        if (Failed(m_client.EditSubscription("edit", streamId, ServerText(s.title),
                                             ServerText(s.category), ""))) {
            synced[s.xmlUrl].title.clear();  // differs from the file's: sent again next time
        }
    }
    for (const Text& url : merge.removeServer) {
        if (m_stop) return;
        if (Failed(m_client.EditSubscription("unsubscribe", m_siteStream[url], "", "", ""))) {
            continue;  // stays in the last-synced set: removed again at the next sync
        }
        synced.erase(url);
        ++m_summary.subscriptionsRemoved;
    }
    for (const SyncedSite& s : merge.changeServer) {
        if (m_stop) return;
        std::string removeLabel;
        for (const std::string& l : m_siteLabels[s.xmlUrl]) {
            // FreshRSS's label for none is left only for a category.
            if (ShownText(l) != s.category && !(l == kNoCategoryLabel && s.category.empty())) {
                removeLabel = l;
            }
        }
        if (Failed(m_client.EditSubscription("edit", m_siteStream[s.xmlUrl], ServerText(s.title),
                                             ServerText(s.category), removeLabel))) {
            synced[s.xmlUrl].title.clear();
        }
    }
}

void CSync::KeepDoubtfulRemovals(SubscriptionMerge& merge, bool whole) {
    const size_t removing = merge.removeLocal.size();
    if (removing == 0) return;
    const std::vector<SyncedSite> base = m_state.Synced();
    // A list cut short or read in part says nothing of the sites it lacks, and one that drops
    // most of them is more likely a server that lost its data or another account than the
    // user's wish.
    const bool doubtful = !whole || removing > kSureRemovals || removing * 2 > base.size();
    if (!doubtful) return;
    if (m_options.mayRemove && m_options.mayRemove(static_cast<int>(removing))) return;
    // Kept in the file and in the last-synced set: the next sync asks again.
    const std::set<Text> kept(merge.removeLocal.begin(), merge.removeLocal.end());
    for (const SyncedSite& site : base) {
        if (kept.contains(Text(Trim(site.xmlUrl)))) merge.synced.push_back(site);
    }
    merge.removeLocal.clear();
    m_summary.removalsKept = static_cast<int>(removing);
}

void CSync::ApplyToFile(const SubscriptionMerge& merge) {
    for (const SyncedSite& s : merge.addLocal) {
        auto item = std::make_unique<COpmlItem>();
        item->m_strTitle = s.title;
        item->m_strCategory = s.category;
        item->m_strXmlUrl = s.xmlUrl;
        item->m_strHtmlUrl = Utf8ToCp932(m_siteHtml[s.xmlUrl]);
        item->m_strType = "rss";
        m_file.InsertAt(m_file.FindInsertPos(s.category), std::move(item));
        ++m_summary.subscriptionsAdded;
        m_summary.fileChanged = true;
    }
    for (const Text& url : merge.removeLocal) {
        for (int i = m_file.GetCount() - 1; i >= 0; --i) {
            if (Trim(m_file.GetAt(i)->m_strXmlUrl) == url) {
                m_file.RemoveAt(i);
                m_summary.fileChanged = true;
            }
        }
        ++m_summary.subscriptionsRemoved;
    }
    for (const SyncedSite& s : merge.changeLocal) {
        for (int i = 0; i < m_file.GetCount(); ++i) {
            COpmlItem* item = m_file.GetAt(i);
            if (Trim(item->m_strXmlUrl) != s.xmlUrl) continue;
            item->m_strTitle = s.title;
            item->m_strCategory = s.category;
            m_summary.fileChanged = true;
        }
    }
}

void CSync::SendMarks() {
    // Each round sends the oldest queued marks and forgets those the server took; a failure
    // leaves them queued for the next sync.
    for (int round = 0; round < 1000; ++round) {
        const std::vector<PendingMark> marks = m_library.TakePendingMarks(1000);
        if (marks.empty()) return;
        std::vector<std::string> read, unread, star, unstar;
        for (const PendingMark& m : marks) {
            if (m.readChanged) (m.read ? read : unread).push_back(m.serverId);
            if (m.starredChanged) (m.starred ? star : unstar).push_back(m.serverId);
        }
        bool sent = !Failed(m_client.EditTag(read, kReadState, ""));
        sent = !m_stop && !Failed(m_client.EditTag(unread, "", kReadState)) && sent;
        sent = !m_stop && !Failed(m_client.EditTag(star, kStarredState, "")) && sent;
        sent = !m_stop && !Failed(m_client.EditTag(unstar, "", kStarredState)) && sent;
        if (!sent || !m_library.ClearSentMarks(marks)) {
            for (const PendingMark& m : m_library.TakePendingMarks(INT64_MAX)) {
                m_stillQueued.insert(m.serverId);
            }
            return;
        }
        m_summary.marksSent += static_cast<int>(marks.size());
    }
}

void CSync::Articles() {
    // Without the server's list the articles cannot be given their sites: they are read at the
    // next sync instead.
    if (!m_haveServerList) return;
    const int64_t newest = m_state.NewestSeen();
    std::set<Text> sites;
    for (int i = 0; i < m_file.GetCount(); ++i)
        sites.insert(Text(Trim(m_file.GetAt(i)->m_strXmlUrl)));
    // The pages are read on a thread of their own: each is converted here while the server
    // makes the next. Nothing is stored before the whole list was read, unless the articles
    // held pass kHeldArticleBytes: those are stored then, and the position advances only once
    // the whole list was read.
    PageQueue queue;
    ReaderStatus status;
    std::exception_ptr error;
    std::thread reader([&] {
        try {
            status = m_client.ReadingList(
                newest, [&](std::vector<ReaderItem>&& page) { queue.Push(std::move(page)); });
        } catch (...) {
            error = std::current_exception();
        }
        queue.Close();
    });
    const JoinOnExit joined(reader);
    const AbandonOnExit abandoned(queue);
    std::vector<ServerArticles> fresh;
    std::map<Text, size_t> slot;
    size_t held = 0;
    bool storeFailed = false;
    int64_t seen = newest;
    int64_t skippedFrom = INT64_MAX;
    // Articles of a stream the server's list does not name, by the first such stream.
    size_t unplaced = 0;
    std::string unplacedStream;
    std::vector<ReaderItem> items;
    while (queue.Pop(&items)) {
        // Articles the library holds already are not read again (only the newest second is
        // asked for twice), so they cost one look-up each and no conversion.
        std::vector<std::string> ids;
        ids.reserve(items.size());
        for (const ReaderItem& item : items) ids.push_back(item.id);
        const std::set<std::string> known = m_library.KnownServerIds(ids);
        for (ReaderItem& item : items) {
            seen = std::max(seen, item.crawled);
            const Text site = SiteOfStream(item.streamId);
            if (site.empty() || !sites.contains(site)) {
                // A site the file does not hold yet (its change was refused), or a stream the
                // server's list did not name: read again next time.
                skippedFrom = std::min(skippedFrom, item.crawled);
                if (site.empty() && unplaced++ == 0) unplacedStream = item.streamId;
                continue;
            }
            if (known.contains(item.id)) continue;
            LibraryArticle a = ArticleOf(item);
            held += a.link.size() + a.title.size() + a.author.size() + a.html.size() +
                    a.key.size() + a.serverId.size();
            const auto [at, inserted] = slot.emplace(site, fresh.size());
            if (inserted) fresh.push_back({site, {}});
            fresh[at->second].articles.push_back(std::move(a));
        }
        items.clear();
        if (held > kHeldArticleBytes) {
            storeFailed = !StoreArticles(fresh);
            if (storeFailed) break;  // the rest is read again at the next sync
            fresh.clear();
            slot.clear();
            held = 0;
        }
    }
    if (storeFailed) queue.Abandon();
    reader.join();
    if (error) std::rethrow_exception(error);
    // Said rather than dropped quietly: a server naming its streams in a way this sync does not
    // read would otherwise look like one with nothing new.
    if (unplaced > 0) m_summary.failures.push_back(UnplacedMessage(unplaced, unplacedStream));
    // A list cut short keeps what came; the position stays, so the next sync reads on from it.
    const bool cut =
        status.failure == ReaderFailure::kPartial || status.failure == ReaderFailure::kBudget;
    if (Failed(status) && !cut) return;
    if (storeFailed || !StoreArticles(fresh)) return;  // the position stays: read again
    // `ot` takes articles from that second on: one skipped is read again.
    if (!cut) m_state.SetNewestSeen(std::min(seen, skippedFrom));
}

Text CSync::SiteOfStream(const std::string& streamId) const {
    if (const auto it = m_streamSite.find(streamId); it != m_streamSite.end()) return it->second;
    // Servers that name a feed by its address.
    if (streamId.starts_with("feed/") && streamId.find("://") != std::string::npos) {
        return Utf8ToCp932(streamId.substr(5));
    }
    return {};
}

bool CSync::StoreArticles(std::vector<ServerArticles>& fresh) {
    // Stored a few hundred articles to a transaction, whole sites each: the same article read
    // from the site's own feed only gets the server's id beside its key.
    const int64_t now = Now();
    for (size_t from = 0; from < fresh.size();) {
        size_t to = from;
        size_t count = 0;
        while (to < fresh.size() && (to == from || count < kArticlesPerTransaction)) {
            count += fresh[to++].articles.size();
        }
        const std::vector<ServerArticles> batch(std::make_move_iterator(fresh.begin() + from),
                                                std::make_move_iterator(fresh.begin() + to));
        const int added = m_library.RecordServerArticles(batch, now);
        if (added < 0) {
            m_summary.failures.push_back(Jp("記事を保存できませんでした: ") + batch.front().site);
            return false;
        }
        m_summary.articles += added;
        from = to;
    }
    return true;
}

void CSync::ReceiveMarks() {
    std::vector<std::string> unreadIds, starredIds;
    // A list left unfinished is used as a capped one.
    const ReaderStatus unread = m_client.UnreadIds(&unreadIds);
    if (Failed(unread) && (unread.failure != ReaderFailure::kPartial || m_stop)) return;
    const ReaderStatus starred = m_client.StarredIds(&starredIds);
    if (Failed(starred) && (starred.failure != ReaderFailure::kPartial || m_stop)) return;
    const std::set<std::string> serverUnread(unreadIds.begin(), unreadIds.end());
    const std::set<std::string> serverStarred(starredIds.begin(), starredIds.end());
    // A capped list says nothing of the ids beyond the cap: nothing is marked read or unstarred
    // from it then.
    const bool unreadWhole = unread.Ok() && unreadIds.size() < m_options.caps.maxIds;
    const bool starredWhole = starred.Ok() && starredIds.size() < m_options.caps.maxIds;
    // The server's marks are taken in one transaction: thousands at a first sync, which one
    // commit each would make wait for seconds. Left open when it cannot be taken, they are
    // written one at a time as before.
    WriteTransaction marks(m_store.Connection());

    std::set<std::string> localUnread;
    for (const LibraryRef& ref : m_library.UnreadSet()) {
        if (ref.serverId.empty()) continue;
        localUnread.insert(ref.serverId);
        if (unreadWhole && !serverUnread.contains(ref.serverId) &&
            !m_stillQueued.contains(ref.serverId)) {
            if (m_library.SetRead(ref.id, true, MarkSource::kServer)) ++m_summary.marksReceived;
        }
    }
    for (const std::string& id : serverUnread) {
        if (localUnread.contains(id) || m_stillQueued.contains(id)) continue;
        const auto row = m_library.FindByServerId(id);
        if (row && row->read && m_library.SetRead(row->id, false, MarkSource::kServer)) {
            ++m_summary.marksReceived;
        }
    }
    std::set<std::string> localStarred;
    for (const LibraryRef& ref : m_library.StarredSet()) {
        if (ref.serverId.empty()) continue;
        localStarred.insert(ref.serverId);
        if (starredWhole && !serverStarred.contains(ref.serverId) &&
            !m_stillQueued.contains(ref.serverId)) {
            if (m_library.SetStarred(ref.id, false, MarkSource::kServer)) ++m_summary.marksReceived;
        }
    }
    for (const std::string& id : serverStarred) {
        if (localStarred.contains(id) || m_stillQueued.contains(id)) continue;
        const auto row = m_library.FindByServerId(id);
        if (row && !row->starred && m_library.SetStarred(row->id, true, MarkSource::kServer)) {
            ++m_summary.marksReceived;
        }
    }
    if (marks.Open() && !marks.Commit()) {
        m_summary.marksReceived = 0;
        m_summary.failures.push_back(Jp("既読とスターを保存できませんでした"));
    }
}

}  // namespace

SyncSummary RunSync(CFeedStore& store, COpmlFile& file, const SyncAccount& account,
                    std::string_view password, const SyncOptions& options) {
    CSync sync(store, file, account, options);
    return sync.Run(password);
}

bool ForgetSyncState(CFeedStore& store, const SyncAccount& account) {
    CSyncState state;
    const bool forgotten = state.Open(store, account.Key()) && state.Forget();
    return CLibrary(store).ForgetServerIds() && forgotten;
}

}  // namespace varlo
