#include "sync/reader_client.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <set>
#include <thread>

#include <nlohmann/json.hpp>

#include "encoding/codepage.h"
#include "sync/json_list.h"

namespace varlo {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kLongIdPrefix = "tag:google.com,2005:reader/item/";
// The longest item id taken: far above any server's, small enough to keep millions of.
constexpr size_t kMaxItemId = 256;

// The long form of a 64-bit item number.
std::string Long(uint64_t value) {
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(value));
    return std::string(kLongIdPrefix) + buffer;
}

// The member `name` of `object` when it is a string; empty otherwise.
std::string StringOf(const Json& object, const char* name) {
    if (!object.is_object()) return {};
    const auto it = object.find(name);
    if (it == object.end() || !it->is_string()) return {};
    return it->get<std::string>();
}

// A number sent as a JSON number or as a decimal string; 0 when neither.
int64_t NumberOf(const Json& object, const char* name) {
    if (!object.is_object()) return 0;
    const auto it = object.find(name);
    if (it == object.end()) return 0;
    if (it->is_number_integer()) return it->get<int64_t>();
    if (it->is_number_float()) return static_cast<int64_t>(it->get<double>());
    if (it->is_string()) {
        const std::string& s = it->get_ref<const std::string&>();
        int64_t value = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        if (ec == std::errc() && end == s.data() + s.size()) return value;
    }
    return 0;
}

// The member "id" as text: some servers send an item's number itself rather than its text.
std::string IdOf(const Json& object) {
    if (!object.is_object()) return {};
    const auto it = object.find("id");
    if (it == object.end()) return {};
    if (it->is_number_unsigned()) return std::to_string(it->get<uint64_t>());
    if (it->is_number_integer()) return std::to_string(it->get<int64_t>());
    return it->is_string() ? it->get<std::string>() : std::string();
}

// A top-level string kept by the reader of the answer; empty when it was not there.
std::string TopString(const std::map<std::string, std::string, std::less<>>& strings,
                      std::string_view name) {
    const auto it = strings.find(name);
    return it == strings.end() ? std::string() : it->second;
}

// The first "href" of the array member `name` (canonical, alternate).
std::string FirstHref(const Json& object, const char* name) {
    const auto it = object.find(name);
    if (it == object.end() || !it->is_array()) return {};
    for (const Json& link : *it) {
        std::string href = StringOf(link, "href");
        if (!href.empty()) return href;
    }
    return {};
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Whether a category names the state `tail` ("/state/com.google/read") of any user: servers
// write "user/-/" or the user's own number.
bool IsState(std::string_view category, std::string_view tail) {
    return category.starts_with("user/") && EndsWith(category, tail);
}

ReaderItem ReadItem(const Json& j) {
    ReaderItem item;
    item.id = LongItemId(IdOf(j));
    item.title = StringOf(j, "title");
    item.link = FirstHref(j, "canonical");
    if (item.link.empty()) item.link = FirstHref(j, "alternate");
    item.author = StringOf(j, "author");
    for (const char* part : {"content", "summary"}) {
        const auto it = j.find(part);
        if (it != j.end()) item.html = StringOf(*it, "content");
        if (!item.html.empty()) break;
    }
    item.published = NumberOf(j, "published");
    item.crawled = NumberOf(j, "crawlTimeMsec") / 1000;
    if (item.crawled == 0) item.crawled = NumberOf(j, "timestampUsec") / 1000000;
    if (const auto origin = j.find("origin"); origin != j.end()) {
        item.streamId = StringOf(*origin, "streamId");
    }
    if (const auto categories = j.find("categories");
        categories != j.end() && categories->is_array()) {
        for (const Json& c : *categories) {
            if (!c.is_string()) continue;
            const std::string& name = c.get_ref<const std::string&>();
            if (IsState(name, "/state/com.google/read")) item.read = true;
            if (IsState(name, "/state/com.google/starred")) item.starred = true;
        }
    }
    return item;
}

// The largest answer read for each kind of request: far above what an honest server sends, far
// below what would let a hostile one fill the memory. The reading list's pages carry articles and
// take the limits' own cap.
constexpr uint64_t kLoginBytes = 64 << 10;
constexpr uint64_t kListBytes = 8 << 20;
constexpr uint64_t kIdsBytes = 8 << 20;
constexpr uint64_t kEditBytes = 1 << 20;
constexpr uint64_t kPageBytes = UINT64_MAX;

// What a request to `path` asks for, in the words of a refusal's message.
Text RequestName(std::string_view path) {
    static constexpr std::pair<std::string_view, const char*> kNames[] = {
        {"/accounts/ClientLogin", "ログイン"},
        {"/reader/api/0/token", "書き込みトークンの要求"},
        {"/reader/api/0/subscription/list", "購読の一覧の要求"},
        {"/reader/api/0/subscription/quickadd", "サイトの追加"},
        {"/reader/api/0/subscription/edit", "購読の変更"},
        {"/reader/api/0/tag/list", "ラベルの一覧の要求"},
        {"/reader/api/0/stream/contents/", "記事の要求"},
        {"/reader/api/0/stream/items/ids", "既読とスターの一覧の要求"},
        {"/reader/api/0/edit-tag", "既読とスターの変更"},
    };
    for (const auto& [start, name] : kNames) {
        if (path.starts_with(start)) return Jp(name);
    }
    return Jp("要求");
}

// A refusal of the request to `path` with `status`: "同期サーバーが既読とスターの変更を断りました
// (HTTP 400)".
Text RefusalMessage(std::string_view path, int status) {
    return Jp("同期サーバーが") + RequestName(path) + Jp("を断りました (HTTP ") +
           std::to_string(status) + ")";
}

Text ConnectMessage(const Text& error) {
    return Jp("同期サーバーに接続できませんでした: ") + error;
}

}  // namespace

std::string LongItemId(std::string_view id) {
    // Opaque text beyond the forms below: kept as the server wrote it, and sent back so. Only
    // what cannot travel in a form or be stored as one id is refused.
    if (id.empty() || id.size() > kMaxItemId) return {};
    for (const char c : id) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f) return {};
    }
    std::string_view digits = id;
    const bool prefixed = digits.starts_with(kLongIdPrefix);
    if (prefixed) digits.remove_prefix(kLongIdPrefix.size());
    const bool hex = !digits.empty() && std::all_of(digits.begin(), digits.end(), IsAsciiHexDigit);
    if (!prefixed && hex && std::all_of(digits.begin(), digits.end(), IsAsciiDigit)) {
        // The short form: the same 64 bits in decimal, negative where the server's number is
        // signed.
        uint64_t value = 0;
        if (digits.size() <= 20) {
            const auto [end, ec] =
                std::from_chars(digits.data(), digits.data() + digits.size(), value);
            if (ec == std::errc() && end == digits.data() + digits.size()) return Long(value);
        }
    } else if (!prefixed && id.starts_with('-') && id.size() > 1 && id.size() <= 20) {
        int64_t value = 0;
        const auto [end, ec] = std::from_chars(id.data(), id.data() + id.size(), value);
        if (ec == std::errc() && end == id.data() + id.size()) {
            return Long(static_cast<uint64_t>(value));
        }
        return std::string(id);
    }
    if (!hex) return std::string(id);
    // Hexadecimal, with the prefix or bare: in lower case, at least 16 digits. Longer ones (some
    // servers number their items with more than 64 bits) keep every digit.
    std::string out(kLongIdPrefix);
    if (digits.size() < 16) out.append(16 - digits.size(), '0');
    for (const char c : digits) out += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    return out;
}

CReaderClient::CReaderClient(std::string server, const ReaderLimits& limits, const ReaderCaps& caps)
    : m_server(std::move(server)), m_http(limits), m_caps(caps) {
    while (!m_server.empty() && m_server.back() == '/') m_server.pop_back();
    m_waiter = [](std::chrono::seconds s) { std::this_thread::sleep_for(s); };
    m_clock = [] { return static_cast<int64_t>(std::time(nullptr)); };
    m_steady = [] { return std::chrono::steady_clock::now(); };
    m_start = m_steady();
}

void CReaderClient::SetSteadyClock(std::function<std::chrono::steady_clock::time_point()> clock) {
    m_steady = std::move(clock);
    m_start = m_steady();
}

void CReaderClient::SetServer(std::string server) {
    m_server = std::move(server);
    while (!m_server.empty() && m_server.back() == '/') m_server.pop_back();
    m_auth.clear();
    m_token.clear();
}

ReaderStatus CReaderClient::SlowStream(const Text& what) {
    return Fail(ReaderFailure::kPartial,
                Jp("同期サーバーが少しずつしか送らないため、途中で止めました (") + what +
                    Jp("; 受け取った分は保存しました)"));
}

ReaderStatus CReaderClient::Fail(ReaderFailure failure, Text message) {
    ++m_failed;
    ReaderStatus status;
    status.failure = failure;
    status.message = std::move(message);
    return status;
}

ReaderStatus CReaderClient::Call(const std::string& path, const std::string_view* form,
                                 HttpAnswer* answer, uint64_t maxBytes) {
    const std::string url = m_server + path;
    bool tokenRenewed = false;
    bool loggedInAgain = false;
    for (int attempt = 0;; ++attempt) {
        if (m_requests >= static_cast<int>(std::min<size_t>(m_caps.maxRequests, INT_MAX)) ||
            m_steady() - m_start > m_caps.maxDuration) {
            *answer = HttpAnswer{};
            return Fail(
                ReaderFailure::kBudget,
                Jp("同期に時間がかかりすぎるため途中で止めました (受け取った分は保存しました)"));
        }
        std::vector<std::string> headers;
        if (!m_auth.empty()) headers.push_back("Authorization: GoogleLogin auth=" + m_auth);
        // The login's form holds the password: it goes from its own memory, never copied here.
        std::string withToken;
        std::string_view body;
        if (form) {
            body = *form;
            if (!m_token.empty()) {
                withToken = std::string(*form) + (form->empty() ? "T=" : "&T=") +
                            CReaderHttp::Escape(m_token);
                body = withToken;
            }
        }
        ++m_requests;
        *answer =
            form ? m_http.Post(url, body, headers, maxBytes) : m_http.Get(url, headers, maxBytes);
        const int status = answer->status;
        if (status == 0) {
            if (answer->tooLarge) {
                return Fail(ReaderFailure::kTooLarge,
                            Jp("同期サーバーの応答が大きすぎるため読みませんでした"));
            }
            return Fail(ReaderFailure::kUnreachable, ConnectMessage(answer->error));
        }
        if (status == 429 || status == 503) {
            const int64_t now = m_clock();
            const auto until = WaitUntil(answer->server, now);
            const int64_t longest = m_http.Limits().longestWait.count();
            if (until && *until - now <= longest && attempt < 3) {
                m_waiter(std::chrono::seconds(std::max<int64_t>(0, *until - now)));
                continue;
            }
            ReaderStatus s = Fail(until ? ReaderFailure::kWaiting : ReaderFailure::kServer,
                                  until ? Jp("同期サーバー: ") + WaitingMessage(*until)
                                        : RefusalMessage(path, status));
            if (until) s.waitUntil = *until;
            return s;
        }
        if (status == 401 && form && answer->badToken && !m_auth.empty() && !tokenRenewed) {
            // The write token expires on some servers: a new one, then the same request again.
            tokenRenewed = true;
            m_token.clear();
            if (ReaderStatus t = FetchToken(); !t.Ok()) return t;
            continue;
        }
        if ((status == 401 || status == 403) && !m_loggingIn && !m_user.empty() && !loggedInAgain) {
            // Servers end sessions (a restart, an expired key): one fresh login with the same
            // name and password, then the same request again. A refused login ends it.
            loggedInAgain = true;
            if (ReaderStatus s = LoginAgain(); !s.Ok()) {
                return s;
            }
            continue;
        }
        if (status == 401 || status == 403) {
            return Fail(ReaderFailure::kLogin,
                        Jp("サーバーにログインできませんでした。パスワードを確かめてください。"));
        }
        if (status < 200 || status > 299) {
            return Fail(ReaderFailure::kServer, RefusalMessage(path, status));
        }
        return {};
    }
}

ReaderStatus CReaderClient::Login(const std::string& user, std::string_view password) {
    // Every server refuses it, and some accounts (made by signing in through another service)
    // have none until the user sets one on the server: said so, and nothing sent.
    if (password.empty()) {
        return Fail(ReaderFailure::kLogin,
                    Jp("API パスワードがありません。ほかのサービスでサインインして作ったアカウント"
                       "でも、サーバーでパスワードを設定してから入れてください。"));
    }
    m_user = user;
    m_password.Clear();
    if (!m_password.Append(password)) {
        return Fail(ReaderFailure::kLogin, Jp("パスワードを扱うメモリーを確保できませんでした"));
    }
    return LoginAgain();
}

ReaderStatus CReaderClient::LoginAgain() {
    m_auth.clear();
    m_token.clear();
    m_loggingIn = true;
    ReaderStatus status = LoginOnce();
    m_loggingIn = false;
    return status;
}

ReaderStatus CReaderClient::LoginOnce() {
    CSecretBuffer form("Email=" + CReaderHttp::Escape(m_user) + "&Passwd=");
    char escaped[3];
    for (const char c : m_password.View()) {
        if (!form.Append(std::string_view(escaped, CReaderHttp::EscapeChar(c, escaped)))) {
            return Fail(ReaderFailure::kLogin,
                        Jp("パスワードを扱うメモリーを確保できませんでした"));
        }
    }
    explicit_bzero(escaped, sizeof escaped);
    HttpAnswer answer;
    const std::string_view view = form.View();
    if (ReaderStatus s = Call("/accounts/ClientLogin", &view, &answer, kLoginBytes); !s.Ok()) {
        // Not found, sent elsewhere or a web page: this address is not the API's (a server's
        // own page rather than its /api/greader.php).
        if ((s.failure == ReaderFailure::kServer &&
             (answer.status == 404 || (answer.status >= 300 && answer.status < 400))) ||
            s.failure == ReaderFailure::kTooLarge) {
            s.failure = ReaderFailure::kNotApi;
        }
        return s;
    }
    std::string_view rest = answer.body;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = Trim(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.starts_with("Auth=")) m_auth = std::string(line.substr(5));
    }
    if (m_auth.empty() || m_auth.size() > 4096 ||
        m_auth.find_first_of(" \t\r\n") != std::string::npos) {
        m_auth.clear();
        const std::string_view start = Trim(std::string_view(answer.body).substr(0, 512));
        const bool page = start.starts_with('<');
        return Fail(page ? ReaderFailure::kNotApi : ReaderFailure::kGarbage,
                    Jp("同期サーバーの応答を読めませんでした (ログイン)"));
    }
    return FetchToken();
}

ReaderStatus CReaderClient::FetchToken() {
    HttpAnswer answer;
    if (ReaderStatus s = Call("/reader/api/0/token", nullptr, &answer, kLoginBytes); !s.Ok())
        return s;
    const std::string_view token = Trim(answer.body);
    if (token.empty() || token.size() > 1024) {
        return Fail(ReaderFailure::kGarbage, Jp("同期サーバーの応答を読めませんでした (トークン)"));
    }
    m_token = std::string(token);
    return {};
}

ReaderStatus CReaderClient::Subscriptions(std::vector<ReaderSubscription>* out, bool* whole) {
    out->clear();
    if (whole) *whole = true;
    HttpAnswer answer;
    if (ReaderStatus s =
            Call("/reader/api/0/subscription/list?output=json", nullptr, &answer, kListBytes);
        !s.Ok()) {
        return s;
    }
    bool complete = true;
    const JsonListResult read = ReadJsonList(
        answer.body,
        {"subscriptions", {"id", "title", "url", "htmlUrl", "categories", "label"}, {}},
        [&](Json&& s) {
            if (out->size() >= m_caps.maxSubscriptions) return false;
            ReaderSubscription sub;
            sub.streamId = StringOf(s, "id");
            sub.title = StringOf(s, "title");
            sub.xmlUrl = StringOf(s, "url");
            if (sub.xmlUrl.empty() && sub.streamId.starts_with("feed/") &&
                sub.streamId.find("://") != std::string::npos) {
                sub.xmlUrl = sub.streamId.substr(5);  // servers that name a feed by its address
            }
            sub.htmlUrl = StringOf(s, "htmlUrl");
            if (const auto c = s.find("categories");
                s.is_object() && c != s.end() && c->is_array()) {
                for (const Json& label : *c) {
                    std::string name = StringOf(label, "label");
                    if (name.empty()) {
                        const std::string id = StringOf(label, "id");
                        if (const size_t at = id.find("/label/"); at != std::string::npos) {
                            name = id.substr(at + 7);
                        }
                    }
                    if (!name.empty()) sub.labels.push_back(std::move(name));
                }
            }
            if (sub.streamId.empty() || sub.xmlUrl.empty()) {
                complete = false;
                ++m_unreadableSubscriptions;
                return true;
            }
            out->push_back(std::move(sub));
            return true;
        });
    if (!read.ok || !read.listSeen) {
        out->clear();
        return Fail(ReaderFailure::kGarbage,
                    Jp("同期サーバーの応答を読めませんでした (購読の一覧)"));
    }
    m_unreadableSubscriptions += static_cast<int>(read.dropped);
    if (whole) *whole = complete && !read.stopped && read.dropped == 0;
    return {};
}

ReaderStatus CReaderClient::Labels(std::vector<std::string>* out) {
    out->clear();
    HttpAnswer answer;
    if (ReaderStatus s = Call("/reader/api/0/tag/list?output=json", nullptr, &answer, kListBytes);
        !s.Ok()) {
        return s;
    }
    const JsonListResult read = ReadJsonList(answer.body, {"tags", {"id"}, {}}, [&](Json&& t) {
        const std::string id = StringOf(t, "id");
        if (const size_t at = id.find("/label/"); at != std::string::npos) {
            out->push_back(id.substr(at + 7));
        }
        return out->size() < m_caps.maxSubscriptions;
    });
    if (!read.ok || !read.listSeen) {
        out->clear();
        return Fail(ReaderFailure::kGarbage, Jp("同期サーバーの応答を読めませんでした (ラベル)"));
    }
    return {};
}

ReaderStatus CReaderClient::ReadingList(int64_t newerThan, std::vector<ReaderItem>* out) {
    out->clear();
    return ReadingList(newerThan, [out](std::vector<ReaderItem>&& items) {
        out->insert(out->end(), std::make_move_iterator(items.begin()),
                    std::make_move_iterator(items.end()));
    });
}

ReaderStatus CReaderClient::ReadingList(
    int64_t newerThan, const std::function<void(std::vector<ReaderItem>&&)>& page) {
    std::string continuation;
    std::set<std::string> seenContinuations;
    size_t total = 0;
    int slow = 0;
    while (total < m_caps.maxItems) {
        const size_t n = std::min(m_caps.pageItems, m_caps.maxItems - total);
        std::string path = std::string("/reader/api/0/stream/contents/") + kReadingList +
                           "?output=json&n=" + std::to_string(n);
        if (newerThan > 0) path += "&ot=" + std::to_string(newerThan);
        if (!continuation.empty()) path += "&c=" + CReaderHttp::Escape(continuation);
        HttpAnswer answer;
        if (ReaderStatus s = Call(path, nullptr, &answer, kPageBytes); !s.Ok()) return s;
        std::vector<ReaderItem> items;
        const JsonListResult read = ReadJsonList(
            answer.body,
            {"items",
             {"id", "title", "canonical", "alternate", "href", "author", "content", "summary",
              "published", "crawlTimeMsec", "timestampUsec", "origin", "streamId", "categories"},
             {"continuation"}},
            [&](Json&& i) {
                if (total + items.size() >= m_caps.maxItems) return false;
                ReaderItem item = ReadItem(i);
                if (item.id.empty()) {
                    ++m_unreadableIds;
                } else {
                    items.push_back(std::move(item));
                }
                return true;
            });
        m_unreadableIds += static_cast<int>(read.dropped);
        if (!read.ok) {
            return Fail(ReaderFailure::kGarbage, Jp("同期サーバーの応答を読めませんでした (記事)"));
        }
        // The answer goes before the page is handed on: the page may wait for its reader.
        std::string().swap(answer.body);
        const size_t taken = items.size();
        total += taken;
        if (taken > 0) page(std::move(items));
        continuation = TopString(read.strings, "continuation");
        // A server that sends the same page again would never end.
        if (continuation.empty() || taken == 0 || !seenContinuations.insert(continuation).second) {
            break;
        }
        slow = taken < n / 10 ? slow + 1 : 0;
        if (slow >= m_caps.slowPages) return SlowStream(Jp("記事"));
    }
    return {};
}

ReaderStatus CReaderClient::Ids(const std::string& query, std::vector<std::string>* out) {
    out->clear();
    std::string continuation;
    std::set<std::string> seenContinuations;
    int slow = 0;
    while (out->size() < m_caps.maxIds) {
        std::string path = "/reader/api/0/stream/items/ids?output=json&" + query +
                           "&n=" + std::to_string(m_caps.pageIds);
        if (!continuation.empty()) path += "&c=" + CReaderHttp::Escape(continuation);
        HttpAnswer answer;
        if (ReaderStatus s = Call(path, nullptr, &answer, kIdsBytes); !s.Ok()) return s;
        size_t taken = 0;
        const JsonListResult read =
            ReadJsonList(answer.body, {"itemRefs", {"id"}, {"continuation"}}, [&](Json&& ref) {
                if (out->size() >= m_caps.maxIds) return false;
                std::string id = LongItemId(IdOf(ref));
                if (id.empty()) {
                    ++m_unreadableIds;
                } else {
                    out->push_back(std::move(id));
                    ++taken;
                }
                return true;
            });
        if (!read.ok) {
            return Fail(ReaderFailure::kGarbage,
                        Jp("同期サーバーの応答を読めませんでした (既読とスター)"));
        }
        continuation = TopString(read.strings, "continuation");
        if (continuation.empty() || taken == 0 || !seenContinuations.insert(continuation).second) {
            break;
        }
        slow = taken < m_caps.pageIds / 10 ? slow + 1 : 0;
        if (slow >= m_caps.slowPages) return SlowStream(Jp("既読とスター"));
    }
    return {};
}

ReaderStatus CReaderClient::UnreadIds(std::vector<std::string>* out) {
    return Ids(std::string("s=") + kReadingList + "&xt=" + kReadState, out);
}

ReaderStatus CReaderClient::StarredIds(std::vector<std::string>* out) {
    return Ids(std::string("s=") + kStarredState, out);
}

ReaderStatus CReaderClient::EditTag(const std::vector<std::string>& ids, const std::string& addTag,
                                    const std::string& removeTag) {
    for (size_t start = 0; start < ids.size(); start += m_caps.editBatch) {
        std::string form;
        const size_t end = std::min(ids.size(), start + m_caps.editBatch);
        for (size_t i = start; i < end; ++i) {
            if (!form.empty()) form += '&';
            form += "i=" + CReaderHttp::Escape(ids[i]);
        }
        if (!addTag.empty()) form += "&a=" + CReaderHttp::Escape(addTag);
        if (!removeTag.empty()) form += "&r=" + CReaderHttp::Escape(removeTag);
        HttpAnswer answer;
        if (ReaderStatus s = Call("/reader/api/0/edit-tag", form, &answer, kEditBytes); !s.Ok())
            return s;
    }
    return {};
}

ReaderStatus CReaderClient::QuickAdd(const std::string& xmlUrl, std::string* streamId) {
    const std::string form = "quickadd=" + CReaderHttp::Escape(xmlUrl);
    HttpAnswer answer;
    if (ReaderStatus s = Call("/reader/api/0/subscription/quickadd", form, &answer, kEditBytes);
        !s.Ok()) {
        return s;
    }
    const JsonListResult read =
        ReadJsonList(answer.body, {{}, {}, {"streamId"}}, [](Json&&) { return true; });
    const std::string id = read.ok ? TopString(read.strings, "streamId") : std::string();
    if (id.empty()) {
        return Fail(ReaderFailure::kServer,
                    Jp("同期サーバーがサイトを追加できませんでした: ") + Utf8ToCp932(xmlUrl));
    }
    *streamId = id;
    return {};
}

ReaderStatus CReaderClient::EditSubscription(const std::string& action, const std::string& streamId,
                                             const std::string& title, const std::string& addLabel,
                                             const std::string& removeLabel) {
    std::string form = "ac=" + CReaderHttp::Escape(action) + "&s=" + CReaderHttp::Escape(streamId);
    if (!title.empty()) form += "&t=" + CReaderHttp::Escape(title);
    if (!addLabel.empty()) form += "&a=" + CReaderHttp::Escape("user/-/label/" + addLabel);
    if (!removeLabel.empty()) form += "&r=" + CReaderHttp::Escape("user/-/label/" + removeLabel);
    HttpAnswer answer;
    return Call("/reader/api/0/subscription/edit", form, &answer, kEditBytes);
}

}  // namespace varlo
