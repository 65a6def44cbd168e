#include "support/reader_server.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include <nlohmann/json.hpp>

namespace varlo::test {
namespace {

using Json = nlohmann::json;
constexpr const char* kAuth = "fake-auth-0123";
constexpr const char* kToken = "fake-token-4567";

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Decode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && Hex(text[i + 1]) >= 0 &&
                   Hex(text[i + 2]) >= 0) {
            out += static_cast<char>(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::multimap<std::string, std::string> Params(std::string_view text) {
    std::multimap<std::string, std::string> params;
    while (!text.empty()) {
        const size_t amp = text.find('&');
        const std::string_view pair = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        const size_t eq = pair.find('=');
        if (eq == std::string_view::npos) continue;
        params.emplace(Decode(pair.substr(0, eq)), Decode(pair.substr(eq + 1)));
    }
    return params;
}

std::string One(const std::multimap<std::string, std::string>& params, const std::string& name) {
    const auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

constexpr std::string_view kLongPrefix = "tag:google.com,2005:reader/item/";
// The Old Reader's items: 24 hex digits, of which the fake's number is the last 16.
constexpr std::string_view kOldReaderHigh = "5c4f0a1b";

std::string Hex16(uint64_t id) {
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(id));
    return buffer;
}

bool AllOf(std::string_view text, int (*test)(int)) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [test](char c) { return test(c) != 0; });
}

// The number of exactly 16 lower-case hex digits; nullopt for anything else.
std::optional<uint64_t> FromHex16(std::string_view hex) {
    if (hex.size() != 16 || !AllOf(hex, isxdigit)) return std::nullopt;
    for (const char c : hex) {
        if (c >= 'A' && c <= 'F') return std::nullopt;
    }
    return std::stoull(std::string(hex), nullptr, 16);
}

Response JsonOk(const Json& j) {
    return Ok(j.dump(), "application/json");
}

Response Status(int status, std::string body = "") {
    Response r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

}  // namespace

FakeReaderServer::FakeReaderServer(std::string user, std::string password, ReaderDialect dialect)
    : m_user(std::move(user)), m_password(std::move(password)), m_dialect(dialect) {
    m_http.SetHandler([this](const Request& request) { return Answer(request); });
}

std::string FakeReaderServer::ApiUrl() const {
    return m_http.Url(m_dialect == ReaderDialect::kFreshRss ? "/api/greader.php" : "");
}

std::string FakeReaderServer::LongId(uint64_t id) const {
    if (m_dialect == ReaderDialect::kOldReader) {
        return std::string(kLongPrefix) + std::string(kOldReaderHigh) + Hex16(id);
    }
    return std::string(kLongPrefix) + Hex16(id);
}

std::string FakeReaderServer::ShortId(uint64_t id) const {
    if (m_dialect == ReaderDialect::kOldReader) return std::string(kOldReaderHigh) + Hex16(id);
    return std::to_string(id);
}

std::string FakeReaderServer::Continuation(size_t offset) const {
    if (m_dialect == ReaderDialect::kBazQux) return "bq" + std::to_string(offset * 7919);
    return std::to_string(offset);
}

std::optional<uint64_t> FakeReaderServer::TakenId(const std::string& id) const {
    std::string_view rest = id;
    const bool prefixed = rest.starts_with(kLongPrefix);
    if (prefixed) rest.remove_prefix(kLongPrefix.size());
    switch (m_dialect) {
        case ReaderDialect::kFreshRss:
            if (prefixed) return FromHex16(rest);
            if (AllOf(rest, isdigit) && rest.size() <= 20) return std::stoull(std::string(rest));
            return std::nullopt;
        case ReaderDialect::kMiniflux:
            return prefixed ? FromHex16(rest) : std::nullopt;
        case ReaderDialect::kBazQux:
            if (prefixed) return FromHex16(rest);
            if (AllOf(rest, isdigit) && rest.size() <= 20) return std::stoull(std::string(rest));
            return std::nullopt;  // bare hex among them: answered 500
        case ReaderDialect::kOldReader:
            if (!rest.starts_with(kOldReaderHigh)) return std::nullopt;
            return FromHex16(rest.substr(kOldReaderHigh.size()));
    }
    return std::nullopt;
}

std::vector<std::string> FakeReaderServer::Refused() const {
    std::lock_guard lock(m_mutex);
    return m_refused;
}

void FakeReaderServer::AddSubscription(FakeSubscription subscription) {
    std::lock_guard lock(m_mutex);
    m_subscriptions.push_back(std::move(subscription));
}

void FakeReaderServer::RemoveSubscription(const std::string& streamId) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_subscriptions,
                  [&](const FakeSubscription& s) { return s.streamId == streamId; });
}

void FakeReaderServer::AddItems(const std::string& streamId, int count, int64_t crawled) {
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < count; ++i) {
        FakeItem item;
        item.id = m_nextId++;
        item.streamId = streamId;
        item.title = "Item " + std::to_string(item.id);
        item.link = "http://example.test/" + streamId + "/" + std::to_string(item.id);
        item.content = "<p>text " + std::to_string(item.id) + "</p>";
        item.published = crawled - 60;
        item.crawled = crawled;
        m_items[item.id] = item;
    }
}

void FakeReaderServer::AddItem(FakeItem item) {
    std::lock_guard lock(m_mutex);
    if (item.id == 0) item.id = m_nextId;
    m_nextId = std::max(m_nextId, item.id + 1);
    m_items[item.id] = std::move(item);
}

void FakeReaderServer::SetPageLimit(size_t items) {
    std::lock_guard lock(m_mutex);
    m_pageLimit = items;
}

void FakeReaderServer::Fault(const std::string& pathPart, Response response, int times) {
    std::lock_guard lock(m_mutex);
    m_faults.push_back({pathPart, std::move(response), times});
}

std::vector<FakeSubscription> FakeReaderServer::Subscriptions() const {
    std::lock_guard lock(m_mutex);
    return m_subscriptions;
}

std::set<uint64_t> FakeReaderServer::ReadIds() const {
    std::lock_guard lock(m_mutex);
    std::set<uint64_t> ids;
    for (const auto& [id, item] : m_items) {
        if (item.read) ids.insert(id);
    }
    return ids;
}

std::set<uint64_t> FakeReaderServer::StarredIds() const {
    std::lock_guard lock(m_mutex);
    std::set<uint64_t> ids;
    for (const auto& [id, item] : m_items) {
        if (item.starred) ids.insert(id);
    }
    return ids;
}

size_t FakeReaderServer::ItemCount() const {
    std::lock_guard lock(m_mutex);
    return m_items.size();
}

void FakeReaderServer::SetRead(uint64_t id, bool read) {
    std::lock_guard lock(m_mutex);
    m_items[id].read = read;
}

void FakeReaderServer::SetStarred(uint64_t id, bool starred) {
    std::lock_guard lock(m_mutex);
    m_items[id].starred = starred;
}

int FakeReaderServer::CountRequests(const std::string& pathPart) const {
    int n = 0;
    for (const Request& r : m_http.Requests()) {
        if (r.target.find(pathPart) != std::string::npos) ++n;
    }
    return n;
}

std::vector<size_t> FakeReaderServer::EditBatchSizes() const {
    std::lock_guard lock(m_mutex);
    return m_editBatches;
}

std::optional<Response> FakeReaderServer::Answer(const Request& request) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (request.target.find(it->pathPart) == std::string::npos) continue;
        Response r = it->response;
        if (--it->times <= 0) m_faults.erase(it);
        return r;
    }
    const std::string api = m_dialect == ReaderDialect::kFreshRss ? "/api/greader.php" : "";
    // Asked as a proxy (an address of another machine, sent here by http_proxy): the path alone.
    std::string_view target = request.target;
    if (target.starts_with("http://")) {
        const size_t slash = target.find('/', 7);
        target = slash == std::string_view::npos ? "/" : target.substr(slash);
    }
    if (!target.starts_with(api)) return std::nullopt;
    std::string path(target.substr(api.size()));
    std::string query;
    if (const size_t q = path.find('?'); q != std::string::npos) {
        query = path.substr(q + 1);
        path.resize(q);
    }
    const auto params = Params(query);
    const auto form = Params(request.body);

    if (path == "/accounts/ClientLogin") {
        if (m_dialect == ReaderDialect::kOldReader && One(form, "Passwd").empty()) {
            m_refused.push_back(request.target);
            return Status(401, "Error=BadAuthentication\n");
        }
        if (One(form, "Email") != m_user || One(form, "Passwd") != m_password) {
            return Status(401, "Error=BadAuthentication\n");
        }
        return Ok(std::string("SID=x\nLSID=x\nAuth=") + kAuth + "\n", "text/plain");
    }
    if (request.Header("Authorization") != std::string("GoogleLogin auth=") + kAuth) {
        return Status(401, "Unauthorized");
    }
    if (request.method == "POST" && One(form, "T") != kToken) {
        Response r = Status(401, "Unauthorized");
        r.headers.emplace_back("X-Reader-Google-Bad-Token", "true");
        return r;
    }
    if (path == "/reader/api/0/token") return Ok(std::string(kToken) + "\n", "text/plain");
    if (path == "/reader/api/0/subscription/list") {
        Json subs = Json::array();
        for (const auto& s : m_subscriptions) {
            Json categories = Json::array();
            for (const auto& l : s.labels) {
                categories.push_back({{"id", "user/-/label/" + l}, {"label", l}});
            }
            subs.push_back({{"id", s.streamId},
                            {"title", s.title},
                            {"url", s.url},
                            {"htmlUrl", "http://example.test/"},
                            {"categories", categories}});
        }
        return JsonOk({{"subscriptions", subs}});
    }
    if (path == "/reader/api/0/tag/list") {
        Json tags = Json::array({{{"id", "user/-/state/com.google/starred"}}});
        std::set<std::string> seen;
        for (const auto& s : m_subscriptions) {
            for (const auto& l : s.labels) {
                if (seen.insert(l).second) tags.push_back({{"id", "user/-/label/" + l}});
            }
        }
        return JsonOk({{"tags", tags}});
    }
    const std::string contents =
        "/reader/api/0/stream/contents/user/-/state/com.google/reading-list";
    const bool ids = path == "/reader/api/0/stream/items/ids";
    if (path == contents || ids) {
        const std::string s = One(params, "s");
        const std::string xt = One(params, "xt");
        const int64_t ot = One(params, "ot").empty() ? 0 : std::stoll(One(params, "ot"));
        size_t n = std::stoul(One(params, "n").empty() ? "20" : One(params, "n"));
        if (m_pageLimit > 0) n = std::min(n, m_pageLimit);
        const std::string c = One(params, "c");
        if (m_dialect == ReaderDialect::kBazQux && params.count("c") > 0 &&
            (c.empty() || c == "null" || !c.starts_with("bq"))) {
            m_refused.push_back(request.target);
            return Status(500, "Internal Server Error");
        }
        size_t offset = 0;
        if (!c.empty()) {
            offset = m_dialect == ReaderDialect::kBazQux ? std::stoul(c.substr(2)) / 7919
                                                         : std::stoul(c);
        }
        std::vector<const FakeItem*> chosen;
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {  // newest first
            const FakeItem& item = it->second;
            if (item.crawled < ot) continue;
            if (ids && s.ends_with("/starred") && !item.starred) continue;
            if (ids && xt.ends_with("/read") && item.read) continue;
            chosen.push_back(&item);
        }
        Json list = Json::array();
        for (size_t i = offset; i < chosen.size() && i < offset + n; ++i) {
            const FakeItem& item = *chosen[i];
            if (ids) {
                list.push_back({{"id", ShortId(item.id)}});
                continue;
            }
            Json categories = Json::array({"user/-/state/com.google/reading-list"});
            if (item.read) categories.push_back("user/-/state/com.google/read");
            if (item.starred) categories.push_back("user/-/state/com.google/starred");
            list.push_back({{"id", LongId(item.id)},
                            {"crawlTimeMsec", std::to_string(item.crawled * 1000)},
                            {"published", item.published},
                            {"title", item.title},
                            {"canonical", Json::array({{{"href", item.link}}})},
                            {"categories", categories},
                            {"origin", {{"streamId", item.streamId}}},
                            {"summary", {{"content", item.content}}}});
        }
        Json answer = {{ids ? "itemRefs" : "items", list}};
        if (offset + n < chosen.size()) answer["continuation"] = Continuation(offset + n);
        return JsonOk(answer);
    }
    if (path == "/reader/api/0/edit-tag") {
        const std::string add = One(form, "a");
        const std::string remove = One(form, "r");
        size_t count = 0;
        std::vector<uint64_t> taken;
        for (auto [it, end] = form.equal_range("i"); it != end; ++it) {
            const std::optional<uint64_t> id = TakenId(it->second);
            if (!id || !m_items.contains(*id)) {
                // Nothing of a batch with an id the server does not take is applied.
                m_refused.push_back(it->second);
                return m_dialect == ReaderDialect::kBazQux ? Status(500, "Internal Server Error")
                                                           : Status(400, "Bad Request");
            }
            taken.push_back(*id);
        }
        for (const uint64_t id : taken) {
            ++count;
            FakeItem& item = m_items[id];
            if (add.ends_with("/read")) item.read = true;
            if (remove.ends_with("/read")) item.read = false;
            if (add.ends_with("/starred")) item.starred = true;
            if (remove.ends_with("/starred")) item.starred = false;
        }
        m_editBatches.push_back(count);
        return Ok("OK", "text/plain");
    }
    if (path == "/reader/api/0/subscription/quickadd") {
        const std::string url = One(form, "quickadd");
        std::string id = "feed/" + std::to_string(m_subscriptions.size() + 100);
        if (m_dialect == ReaderDialect::kBazQux) id = "feed/" + url;
        if (m_dialect == ReaderDialect::kOldReader) {
            id = "feed/" + std::string(kOldReaderHigh) + Hex16(m_subscriptions.size() + 100);
        }
        m_subscriptions.push_back({id, url, url, {}});
        return JsonOk({{"numResults", 1}, {"query", url}, {"streamId", id}});
    }
    if (path == "/reader/api/0/subscription/edit") {
        const std::string action = One(form, "ac");
        const std::string id = One(form, "s");
        auto it = std::find_if(m_subscriptions.begin(), m_subscriptions.end(),
                               [&](const FakeSubscription& s) { return s.streamId == id; });
        if (it == m_subscriptions.end()) return Status(400, "unknown stream");
        if (action == "unsubscribe") {
            m_subscriptions.erase(it);
            return Ok("OK", "text/plain");
        }
        if (!One(form, "t").empty()) it->title = One(form, "t");
        const std::string prefix = "user/-/label/";
        if (const std::string r = One(form, "r"); r.starts_with(prefix)) {
            std::erase(it->labels, r.substr(prefix.size()));
        }
        if (const std::string a = One(form, "a"); a.starts_with(prefix)) {
            it->labels.push_back(a.substr(prefix.size()));
        }
        return Ok("OK", "text/plain");
    }
    return Status(404, "not found");
}

}  // namespace varlo::test
