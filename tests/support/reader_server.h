#pragma once
// A small Google Reader API server for tests, over the loopback server: ClientLogin, the token,
// subscriptions and labels, the reading list with continuation and `ot`, the unread and starred
// id sets, edit-tag, quickadd and subscription/edit, and faults served on demand (an answer put
// in place of the next requests to a path).

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace varlo::test {

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
    FakeReaderServer(std::string user, std::string password);
    // The API's address ("http://127.0.0.1:PORT/api/greader.php").
    std::string ApiUrl() const;
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

    LoopbackServer m_http;
    std::string m_user;
    std::string m_password;
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
