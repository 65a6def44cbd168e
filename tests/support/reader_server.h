#pragma once
// A small Google Reader API server for tests, over the loopback server: ClientLogin, the token,
// subscriptions and labels, the reading list with continuation and `ot`, the unread and starred
// id sets, edit-tag, quickadd and subscription/edit, and faults served on demand (an answer put
// in place of the next requests to a path). It speaks the dialect of one of the servers users
// sync with: where the API lives, how it numbers items and streams, which id forms it takes and
// what it refuses.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace varlo::test {

// The servers whose ways the fake follows.
enum class ReaderDialect {
    // FreshRSS: the API below /api/greader.php; items numbered in 64 bits, sent long in
    // articles and decimal in id lists; takes long or decimal ids back.
    kFreshRss,
    // Miniflux: the API at the server's root, behind a user name and password of its own (not
    // the web login's); streams "feed/<number>"; takes back only the long form of item ids, as
    // it did until 2025, answering 400 to any other.
    kMiniflux,
    // BazQux: the API at the root; streams named by their feed's address; continuations that
    // are no numbers; answers 500 to a bare hex item id and to "c=null".
    kBazQux,
    // The Old Reader: the API at the root; items numbered in 96 bits (24 hex digits), sent long
    // in articles and bare in id lists; streams "feed/<24 hex>"; refuses a login without a
    // password, whatever the account.
    kOldReader,
};

struct FakeSubscription {
    std::string streamId;
    std::string title;
    std::string url;
    std::vector<std::string> labels;
};

struct FakeItem {
    uint64_t id = 0;
    std::string streamId;
    std::string title;
    std::string link;
    std::string content;
    int64_t published = 0;
    int64_t crawled = 0;  // seconds; what `ot` compares with
    bool read = false;
    bool starred = false;
};

class FakeReaderServer {
  public:
    FakeReaderServer(std::string user, std::string password,
                     ReaderDialect dialect = ReaderDialect::kFreshRss);
    // The API's address: "http://127.0.0.1:PORT/api/greader.php" for FreshRSS, the server's root
    // ("http://127.0.0.1:PORT") for the others.
    std::string ApiUrl() const;
    // Item `id` as the server writes it in articles ("tag:google.com,2005:reader/item/...").
    std::string LongId(uint64_t id) const;
    // Requests the server refused for the way they were made (an id form it does not take,
    // "c=null"): the target, or the id, of each.
    std::vector<std::string> Refused() const;
    LoopbackServer& Http() { return m_http; }

    void AddSubscription(FakeSubscription subscription);
    void RemoveSubscription(const std::string& streamId);
    // Adds `count` items to the stream, numbered on from the last, crawled at `crawled`.
    void AddItems(const std::string& streamId, int count, int64_t crawled);
    void AddItem(FakeItem item);

    // Sends at most `items` entries per page of a stream whatever `n` asks for (a server that
    // trickles); 0: as many as asked.
    void SetPageLimit(size_t items);

    // The next `times` requests whose target contains `pathPart` get `response` instead.
    void Fault(const std::string& pathPart, Response response, int times = 1);

    std::vector<FakeSubscription> Subscriptions() const;
    std::set<uint64_t> ReadIds() const;
    std::set<uint64_t> StarredIds() const;
    size_t ItemCount() const;
    void SetRead(uint64_t id, bool read);
    void SetStarred(uint64_t id, bool starred);
    // Requests received whose target contains `pathPart`.
    int CountRequests(const std::string& pathPart) const;
    // Every id sent in edit-tag requests, in order.
    std::vector<size_t> EditBatchSizes() const;

  private:
    std::optional<Response> Answer(const Request& request);
    // The number of an item id sent back by a client, when this dialect takes that form.
    std::optional<uint64_t> TakenId(const std::string& id) const;
    // Item `id` as the server writes it in id lists.
    std::string ShortId(uint64_t id) const;
    std::string Continuation(size_t offset) const;

    LoopbackServer m_http;
    std::string m_user;
    std::string m_password;
    ReaderDialect m_dialect;
    std::vector<std::string> m_refused;
    mutable std::mutex m_mutex;
    std::vector<FakeSubscription> m_subscriptions;
    std::map<uint64_t, FakeItem> m_items;
    uint64_t m_nextId = 1;
    size_t m_pageLimit = 0;
    struct FaultEntry {
        std::string pathPart;
        Response response;
        int times;
    };
    std::vector<FaultEntry> m_faults;
    std::vector<size_t> m_editBatches;
};

}  // namespace varlo::test
