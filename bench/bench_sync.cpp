// Sync with a local FreshRSS (../shared/freshrss, served by PHP on loopback): the first sync of
// SITES sites with ARTICLES articles each into an empty store, and a second sync with nothing
// changed, each beside the same API requests made one after another by the curl program (the
// server's own share), and beside Varlo's update of the same feeds from their sites; then a first
// sync into the library that update filled, all read there, whose articles are matched rather than
// stored and whose marks become the server's.
//
// usage: bench_sync [SITES [ARTICLES]]   (default 200 sites of 50 articles: 10,000 articles)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "store/feed_cache.h"
#include "store/feed_store.h"
#include "store/library.h"
#include "subscriptions/opml_file.h"
#include "support/bench_util.h"
#include "sync/reader_client.h"
#include "sync/sync_run.h"
#include "update/update_run.h"

namespace {

using Clock = std::chrono::steady_clock;
const std::string kFreshRss = std::string(VARLO_SOURCE_DIR) + "/../shared/freshrss";
constexpr const char* kUser = "bench";
constexpr const char* kPassword = "benchpass123";

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    close(fd);
    return ntohs(a.sin_port);
}

std::string Feed(int site, int articles, const std::string& base) {
    std::string xml =
        "<?xml version='1.0' encoding='UTF-8'?><rss version='2.0'><channel><title>"
        "Site " +
        std::to_string(site) + "</title><link>" + base + "</link>";
    const std::string text(900, 'x');
    for (int i = 0; i < articles; ++i) {
        const std::string id = std::to_string(site) + "-" + std::to_string(i);
        xml += "<item><title>Article " + id + "</title><link>" + base + "a/" + id +
               "</link><guid>" + id +
               "</guid><pubDate>Mon, 07 Dec 2026 10:" + std::to_string(10 + i % 50) +
               ":00 GMT</pubDate><description>" +
               (i % 4 == 0 ? std::string("日本語の本文です。") : std::string()) + text +
               "</description></item>";
    }
    return xml + "</channel></rss>";
}

// One request by the curl program; its body (for continuations) in `out`.
bool Curl(const std::vector<std::string>& extra, const std::string& url, std::string* out,
          const std::string& folder) {
    std::vector<std::string> args{"curl", "-s", "-o", folder + "/curl.out"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(url);
    const bool ok = varlo::bench::RunProgram(args);
    if (out) {
        std::ifstream in(folder + "/curl.out");
        std::stringstream s;
        s << in.rdbuf();
        *out = s.str();
    }
    return ok;
}

// The requests a sync makes, by the curl program one after another: seconds.
double CurlSync(const std::string& api, int64_t ot, const std::string& folder) {
    const auto start = Clock::now();
    std::string body;
    Curl({"-d", std::string("Email=") + kUser + "&Passwd=" + kPassword},
         api + "/accounts/ClientLogin", &body, folder);
    const size_t at = body.find("Auth=");
    const std::string auth =
        at == std::string::npos ? "" : body.substr(at + 5, body.find('\n', at) - at - 5);
    const std::vector<std::string> h{"-H", "Authorization: GoogleLogin auth=" + auth};
    Curl(h, api + "/reader/api/0/token", nullptr, folder);
    Curl(h, api + "/reader/api/0/subscription/list?output=json", nullptr, folder);
    Curl(h, api + "/reader/api/0/tag/list?output=json", nullptr, folder);
    // Every list over its continuation pages, as the sync reads them.
    const auto paged = [&](const std::string& first) {
        std::string c;
        do {
            std::string url = first;
            if (!c.empty()) url += "&c=" + c;
            Curl(h, url, &body, folder);
            const auto j = nlohmann::json::parse(body, nullptr, false);
            c = j.is_object() && j.contains("continuation") && j["continuation"].is_string()
                    ? j["continuation"].get<std::string>()
                    : "";
        } while (!c.empty());
    };
    std::string contents = api +
                           "/reader/api/0/stream/contents/user/-/state/com.google/reading-list"
                           "?output=json&n=1000";
    if (ot) contents += "&ot=" + std::to_string(ot);
    paged(contents);
    paged(api +
          "/reader/api/0/stream/items/ids?output=json&s=user/-/state/com.google/"
          "reading-list&xt=user/-/state/com.google/read&n=10000");
    paged(api +
          "/reader/api/0/stream/items/ids?output=json&s=user/-/state/com.google/"
          "starred&n=10000");
    return Since(start);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace varlo;
    const int sites = argc > 1 ? std::atoi(argv[1]) : 200;
    const int articles = argc > 2 ? std::atoi(argv[2]) : 50;
    if (!std::filesystem::exists(kFreshRss + "/start.sh")) {
        std::printf("../shared/freshrss is absent: nothing to measure\n");
        return 0;
    }
    setenv("no_proxy", "*", 1);
    const std::string dir =
        std::filesystem::temp_directory_path() / ("varlo-bench-sync-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const int port = FreePort();
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    const std::string api = base + "/api/greader.php";
    FILE* pipe = popen((kFreshRss + "/start.sh '" + dir + "/fr' " + std::to_string(port) + " " +
                        kUser + " " + kPassword)
                           .c_str(),
                       "r");
    char line[64] = {};
    if (!pipe || !std::fgets(line, sizeof line, pipe)) return 1;
    pclose(pipe);
    const int pid = std::atoi(line);

    // The server reads each feed when it is subscribed to.
    std::printf("setting up %d sites of %d articles in FreshRSS...\n", sites, articles);
    const std::string feeds = dir + "/fr/FreshRSS/p/t";
    std::filesystem::create_directories(feeds);
    COpmlFile file;
    std::vector<Text> urls;
    CReaderClient setup(api);
    if (!setup.Login(kUser, kPassword).Ok()) return 1;
    for (int s = 0; s < sites; ++s) {
        std::ofstream(feeds + "/s" + std::to_string(s) + ".xml")
            << Feed(s, articles, base + "/site" + std::to_string(s) + "/");
        const std::string url = base + "/t/s" + std::to_string(s) + ".xml";
        std::string id;
        setup.QuickAdd(url, &id);
        auto item = std::make_unique<COpmlItem>();
        item->m_strTitle = "Site " + std::to_string(s);
        item->m_strXmlUrl = url;
        file.Add(std::move(item));
        urls.push_back(url);
    }

    SyncAccount account{api, kUser};
    CFeedStore store;
    store.Open(dir + "/sync.db");
    auto start = Clock::now();
    const SyncSummary first = RunSync(store, file, account, kPassword);
    const double firstSync = Since(start);
    start = Clock::now();
    const SyncSummary second = RunSync(store, file, account, kPassword);
    const double secondSync = Since(start);
    const double curlFirst = CurlSync(api, 0, dir);
    const double curlSecond = CurlSync(api, std::time(nullptr), dir);

    CFeedStore updateStore;
    updateStore.Open(dir + "/update.db");
    std::filesystem::create_directories(dir + "/cache");
    start = Clock::now();
    {
        CUpdateRun run(updateStore, CFeedCache(dir + "/cache"), urls);
        while (run.Step(50)) {
        }
    }
    const double update = Since(start);
    // A reader who used Varlo before syncing: the server's articles are those the library read
    // from the sites, found by their links instead of stored twice. Read there, unread on the
    // server: the server's marks are taken, each of them.
    CLibrary(updateStore).MarkAllRead();
    start = Clock::now();
    const SyncSummary joined = RunSync(updateStore, file, account, kPassword);
    const double joinSync = Since(start);

    std::printf("\n%-52s %10s\n", "", "seconds");
    std::printf("%-52s %10.3f   (%d articles stored, %d failed requests)\n", "Varlo: first sync",
                firstSync, first.articles, first.failed);
    std::printf("%-52s %10.3f   goal: at most 1.5x curl (%.2fx)\n",
                "curl: the same requests in sequence", curlFirst, firstSync / curlFirst);
    std::printf("%-52s %10.3f   goal: under 1 s (%d articles, %d marks)\n",
                "Varlo: second sync, nothing changed", secondSync, second.articles,
                second.marksSent + second.marksReceived);
    std::printf("%-52s %10.3f\n", "curl: the same requests in sequence", curlSecond);
    std::printf("%-52s %10.3f\n", "Varlo: update of the same feeds from their sites", update);
    std::printf("%-52s %10.3f   (%d articles stored, %d marks, %d failed requests)\n",
                "Varlo: first sync into that library, all read", joinSync, joined.articles,
                joined.marksReceived, joined.failed);

    kill(-pid, SIGTERM);
    std::filesystem::remove_all(dir);
    return 0;
}
