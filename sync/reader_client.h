#pragma once
// A client of the Google Reader API as FreshRSS, Miniflux, The Old Reader and BazQux serve it:
// ClientLogin and the write token, the subscription list, the reading list's articles, the sets
// of unread and starred ids, and the edits that change marks and subscriptions. Every answer is
// read within caps on its size and its number of entries; failures are results, never thrown.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/secret_memory.h"
#include "platform/text.h"
#include "sync/reader_http.h"

namespace varlo {

// Why a request of the sync failed.
enum class ReaderFailure {
    kNone,
    kUnreachable,  // no answer (no connection, time-out, hang)
    kLogin,        // 401 or 403 to the login, or a login the server no longer takes
    kWaiting,      // 429 or 503 asking to wait longer than a sync waits
    kGarbage,      // an answer that is not what the API sends
    kTooLarge,     // an answer past the size cap
    kServer,       // any other refusal (4xx, 5xx)
    kNotApi,       // the address answers, but not as the API: not found, a redirect, a web page
    kPartial,  // a stream that brought too little per page was left unfinished: what came is kept
    kBudget,   // the sync used up its requests or its time: what came is kept
    kInClear,  // the password would have gone unencrypted and that was not allowed
};

// The result of one call of the client.
struct ReaderStatus {
    ReaderFailure failure = ReaderFailure::kNone;
    Text message;           // for the user (Japanese, system text); empty on success
    int64_t waitUntil = 0;  // with kWaiting: when the server may be asked again
    bool Ok() const { return failure == ReaderFailure::kNone; }
};

// One subscription on the server; texts in UTF-8 as the server sent them.
struct ReaderSubscription {
    std::string streamId;  // "feed/..." as the server names it
    std::string title;
    std::string xmlUrl;
    std::string htmlUrl;
    std::vector<std::string> labels;  // label names, in the server's order
};

// One article of the reading list; texts in UTF-8 as the server sent them.
struct ReaderItem {
    std::string id;        // the long form "tag:google.com,2005:reader/item/<16 hex digits>"
    std::string streamId;  // the subscription it came from ("feed/...")
    std::string title;
    std::string link;
    std::string author;
    std::string html;       // content, else summary
    int64_t published = 0;  // seconds since 1970
    int64_t crawled = 0;    // seconds since 1970, when the server read it
    bool read = false;
    bool starred = false;
};

// The limits on what one sync takes from the server.
struct ReaderCaps {
    size_t maxItems = 20000;  // articles of the reading list
    size_t pageItems = 1000;  // articles asked for at once
    size_t maxIds = 500000;   // ids of one state (unread, starred)
    size_t pageIds = 10000;   // ids asked for at once
    size_t maxSubscriptions = 10000;
    size_t editBatch = 250;  // ids in one edit-tag
    // The whole sync: past either, every further request fails (kBudget).
    size_t maxRequests = 2000;
    std::chrono::seconds maxDuration{600};
    // A stream whose continuation pages bring, this many times in a row, fewer than a tenth of
    // the entries asked for is left there (kPartial): a server that trickles one item per page
    // would otherwise keep a sync going for ever.
    int slowPages = 10;
};

inline constexpr const char* kReadState = "user/-/state/com.google/read";
inline constexpr const char* kStarredState = "user/-/state/com.google/starred";
inline constexpr const char* kReadingList = "user/-/state/com.google/reading-list";

// The long form "tag:google.com,2005:reader/item/<hex>" of an item id given as a decimal number
// (the short form, signed or not), as hex digits or already long (hex in lower case, at least 16
// digits); any other id is opaque and kept as it is. Empty for an id that cannot be one: empty,
// longer than 256 bytes, or holding spaces or control characters.
std::string LongItemId(std::string_view id);

class CReaderClient {
  public:
    // `server`: the API's address, e.g. "https://host/api/greader.php" (a trailing "/" is dropped).
    CReaderClient(std::string server, const ReaderLimits& limits = {}, const ReaderCaps& caps = {});

    // ClientLogin with the user's name and API password, then the write token. The password is
    // kept, for a fresh login when a session ends, in memory left out of core dumps.
    ReaderStatus Login(const std::string& user, std::string_view password);
    // Sends the next requests to another address of the API (logged out).
    void SetServer(std::string server);
    const std::string& Server() const { return m_server; }
    bool LoggedIn() const { return !m_auth.empty(); }

    // The subscriptions; `whole` (when given) is false when the list was cut by the cap or some of
    // its entries could not be read.
    ReaderStatus Subscriptions(std::vector<ReaderSubscription>* out, bool* whole = nullptr);
    // The label names of tag/list, in the server's order.
    ReaderStatus Labels(std::vector<std::string>* out);
    // The reading list's articles newer than `newerThan` (seconds; 0 for all), newest first, over
    // continuation pages, at most ReaderCaps::maxItems.
    ReaderStatus ReadingList(int64_t newerThan, std::vector<ReaderItem>* out);
    // The same, handed to `page` a page at a time as each is read, so that the caller works on
    // one while the server makes the next.
    ReaderStatus ReadingList(int64_t newerThan,
                             const std::function<void(std::vector<ReaderItem>&&)>& page);
    // The long ids of the reading list's unread articles (`excludeRead`) or of `stream`'s.
    ReaderStatus UnreadIds(std::vector<std::string>* out);
    ReaderStatus StarredIds(std::vector<std::string>* out);
    // Adds `addTag` to and removes `removeTag` from the items (either may be empty), in batches.
    ReaderStatus EditTag(const std::vector<std::string>& ids, const std::string& addTag,
                         const std::string& removeTag);
    // Subscribes to a feed address; `streamId` gets the server's id of it.
    ReaderStatus QuickAdd(const std::string& xmlUrl, std::string* streamId);
    // subscription/edit: action "subscribe", "unsubscribe" or "edit", with a title and the label
    // to add and to remove (empty: none).
    ReaderStatus EditSubscription(const std::string& action, const std::string& streamId,
                                  const std::string& title, const std::string& addLabel,
                                  const std::string& removeLabel);

    // Articles and ids of the reading list or the id sets left out so far because their id
    // could not be read (none, or not one id), and the server's subscriptions left out because
    // they lacked their stream id or address: what the sync then says it did not take.
    int UnreadableIds() const { return m_unreadableIds; }
    int UnreadableSubscriptions() const { return m_unreadableSubscriptions; }
    // How many requests have failed so far.
    int FailedRequests() const { return m_failed; }
    // How many requests were sent so far.
    int Requests() const { return m_requests; }
    // Replaces how the client waits for a server's Retry-After (tests count instead of waiting).
    void SetWaiter(std::function<void(std::chrono::seconds)> waiter) {
        m_waiter = std::move(waiter);
    }
    // Replaces the clock (seconds since 1970) used to read Retry-After dates.
    void SetClock(std::function<int64_t()> clock) { m_clock = std::move(clock); }
    // Replaces the clock the sync's time budget is measured with (tests move it on by hand).
    void SetSteadyClock(std::function<std::chrono::steady_clock::time_point()> clock);

  private:
    // One request; an answer larger than `maxBytes` fails as too large.
    ReaderStatus Call(const std::string& path, const std::string_view* form, HttpAnswer* answer,
                      uint64_t maxBytes);
    ReaderStatus Call(const std::string& path, const std::string& form, HttpAnswer* answer,
                      uint64_t maxBytes) {
        const std::string_view view = form;
        return Call(path, &view, answer, maxBytes);
    }
    // ClientLogin and the token with the name and password kept from Login.
    ReaderStatus LoginAgain();
    ReaderStatus LoginOnce();
    ReaderStatus FetchToken();
    ReaderStatus Ids(const std::string& query, std::vector<std::string>* out);
    ReaderStatus Fail(ReaderFailure failure, Text message);
    // A stream left unfinished because its pages brought too little; `what` names it.
    ReaderStatus SlowStream(const Text& what);

    std::string m_server;
    CReaderHttp m_http;
    ReaderCaps m_caps;
    std::string m_auth;
    std::string m_token;
    // Kept from Login for one fresh login when the server stops taking the session's key.
    std::string m_user;
    CSecretBuffer m_password;
    bool m_loggingIn = false;
    int m_failed = 0;
    int m_requests = 0;
    int m_unreadableIds = 0;
    int m_unreadableSubscriptions = 0;
    std::function<void(std::chrono::seconds)> m_waiter;
    std::function<int64_t()> m_clock;
    std::function<std::chrono::steady_clock::time_point()> m_steady;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace varlo
