// Updating many sites at once: 500 feeds of 100 KB on 10 loopback hosts, 5 of them sending at
// 50 KB/s, through the update of every site (driven from a 20 ms timer as the window drives it),
// side by side with a sequential loop of the curl program over the same addresses; then the same
// update again with every server answering "not modified"; the longest gap between two timer ticks
// and the peak memory of updates of different sizes. Last, 200 sites of 30 Japanese articles each
// into an empty store, where reading and recording the articles is most of the work: the whole
// update beside the curl loop, and the workers' processor time per article.
//
// usage: bench_update [SITES]   (default 500; a smaller number for a quick look; "articles" runs
//                                only the update of the sites of Japanese articles)

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "store/feed_cache.h"
#include "store/feed_store.h"
#include "store/store_paths.h"
#include "support/bench_util.h"
#include "support/feed_generator.h"
#include "update/update_run.h"

// The benchmarks are single files; the test server comes along as source rather than as a library.
#include "tests/support/loopback_server.cpp"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kHosts = 10;
constexpr int kSlowHosts = 5;
constexpr size_t kFeedBytes = 100 * 1024;
constexpr uint64_t kSlowBytesPerSecond = 50 * 1024;
constexpr auto kTick = std::chrono::milliseconds(20);
constexpr int kArticleSites = 200;
constexpr int kArticlesPerSite = 30;

// The servers live in a process of their own, so that their copies of the bodies and their
// threads count for neither side. Returns the base address of each host; the servers stop when
// `stop` (the write end of a pipe) is closed.
std::vector<std::string> StartServers(int sites, int* stop, pid_t* pid) {
    int ports[2], hold[2];
    if (pipe(ports) != 0 || pipe(hold) != 0) std::exit(1);
    *pid = fork();
    if (*pid == 0) {
        close(ports[0]);
        close(hold[1]);
        std::vector<std::unique_ptr<varlo::test::LoopbackServer>> servers;
        const std::string body =
            varlo::bench::GenerateFeed(varlo::bench::FeedKind::Rss20, kFeedBytes);
        for (int h = 0; h < kHosts; ++h) {
            servers.push_back(
                std::make_unique<varlo::test::LoopbackServer>("127.0.0." + std::to_string(h + 1)));
        }
        for (int site = 0; site < sites; ++site) {
            varlo::test::Response response = varlo::test::Ok(body);
            response.etag = "\"" + std::to_string(site) + "\"";
            const int host = site % kHosts;
            if (host >= kHosts - kSlowHosts) response.bytesPerSecond = kSlowBytesPerSecond;
            servers[static_cast<size_t>(host)]->Route("/feed/" + std::to_string(site) + ".xml",
                                                      response);
        }
        // Sites of few, wholly new articles, every host at full speed.
        for (int site = 0; site < kArticleSites; ++site) {
            const std::string feed =
                varlo::bench::GenerateFeed(varlo::bench::FeedKind::Rss20, 0, kArticlesPerSite);
            servers[static_cast<size_t>(site % kHosts)]->Route(
                "/jp/" + std::to_string(site) + ".xml", varlo::test::Ok(feed));
        }
        for (auto& s : servers) {
            const std::string url = s->Url("");
            (void)!write(ports[1], url.c_str(), url.size() + 1);
        }
        close(ports[1]);
        char byte;
        while (read(hold[0], &byte, 1) > 0) {
        }
        _exit(0);
    }
    close(ports[1]);
    close(hold[0]);
    *stop = hold[1];
    std::vector<std::string> hosts;
    std::string current;
    char c;
    while (read(ports[0], &c, 1) == 1) {
        if (c == '\0') {
            hosts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    close(ports[0]);
    return hosts;
}

struct UpdateFigures {
    double seconds = 0;
    int sitesNew = 0;
    int failed = 0;
    std::chrono::microseconds longestStep{0};  // the longest time one tick held the loop
    std::chrono::microseconds longestGap{0};   // the longest time between two ticks' starts
    // The longest processor time of one tick: the work itself, without the time the machine
    // gave to other processes meanwhile.
    std::chrono::microseconds longestStepCpu{0};
};

std::chrono::microseconds CpuOf(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::duration_cast<std::chrono::microseconds>(
                                                  std::chrono::nanoseconds(now.tv_nsec));
}

std::chrono::microseconds ThreadCpu() {
    return CpuOf(CLOCK_THREAD_CPUTIME_ID);
}

// Wall time of the sequential curl loop over `urls`; counts its failures.
double CurlLoop(const std::vector<varlo::Text>& urls, const std::string& folder, int* failures) {
    const auto start = Clock::now();
    for (const varlo::Text& url : urls) {
        *failures += !varlo::bench::RunProgram(
            {"curl", "-s", "-S", "--noproxy", "*", "-o", folder + "/curl.xml", url});
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The update of the sites of Japanese articles into an empty store, driven as varlo-cli drives
// it: the whole time, and the processor time of everything but the driving thread (the workers
// that read and record the articles).
void ArticleUpdate(const std::vector<std::string>& hosts, const std::string& folder) {
    using namespace varlo;
    std::vector<Text> urls;
    for (int site = 0; site < kArticleSites; ++site) {
        urls.push_back(hosts[static_cast<size_t>(site % kHosts)] + "/jp/" + std::to_string(site) +
                       ".xml");
    }
    const std::string sub = folder + "/articles";
    std::filesystem::create_directories(sub + "/cache");
    double seconds = 0;
    double workerMs = 0;
    int failed = 0;
    // Best of three, each into a new empty store.
    for (int round = 0; round < 3; ++round) {
        std::filesystem::remove(sub + "/varlo.db");
        std::filesystem::remove(sub + "/varlo.db-wal");
        std::filesystem::remove(sub + "/varlo.db-shm");
        std::filesystem::remove_all(sub + "/cache");
        std::filesystem::create_directories(sub + "/cache");
        CFeedStore store;
        if (!store.Open(sub + "/varlo.db")) return;
        const auto processBefore = CpuOf(CLOCK_PROCESS_CPUTIME_ID);
        const auto threadBefore = ThreadCpu();
        const auto start = Clock::now();
        CUpdateRun run(store, CFeedCache(sub + "/cache"), urls);
        while (run.Step(100)) {
        }
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        // The workers finish their last recording before the run reports the site done.
        const auto workers =
            (CpuOf(CLOCK_PROCESS_CPUTIME_ID) - processBefore) - (ThreadCpu() - threadBefore);
        failed = run.SitesFailed();
        if (round == 0 || wall < seconds) {
            seconds = wall;
            workerMs = workers.count() / 1000.0;
        }
    }
    int curlFailures = 0;
    const double curl = CurlLoop(urls, folder, &curlFailures);
    const int articles = kArticleSites * kArticlesPerSite;
    std::printf(
        "update of %d sites of %d Japanese articles into an empty store: %.2f s (%.3f ms per "
        "article; workers %.3f ms per article, goal at most 0.1)   failed %d\n",
        kArticleSites, kArticlesPerSite, seconds, seconds * 1000 / articles, workerMs / articles,
        failed);
    std::printf("%-34s %8.2f s   failed %3d\n", "sequential loop of the curl program", curl,
                curlFailures);
    std::printf("update vs curl loop: %.1fx faster (goal: at least 2x)\n", curl / seconds);
}

// One update of `urls`, moved on by a tick every 20 ms as the window's timer does.
UpdateFigures Update(varlo::CFeedStore& store, const varlo::CFeedCache& cache,
                     const std::vector<varlo::Text>& urls) {
    UpdateFigures figures;
    const auto start = Clock::now();
    varlo::CUpdateRun run(store, cache, urls);
    auto previous = Clock::now();
    auto next = previous;
    for (bool running = true; running;) {
        next += kTick;
        std::this_thread::sleep_until(next);
        const auto tick = Clock::now();
        const auto cpu = ThreadCpu();
        running = run.Step(0);
        const auto done = Clock::now();
        figures.longestStepCpu = std::max(figures.longestStepCpu, ThreadCpu() - cpu);
        figures.longestStep =
            std::max(figures.longestStep,
                     std::chrono::duration_cast<std::chrono::microseconds>(done - tick));
        figures.longestGap =
            std::max(figures.longestGap,
                     std::chrono::duration_cast<std::chrono::microseconds>(tick - previous));
        previous = tick;
        // A tick that ran late starts the next period from now, as a timer does.
        if (done > next) next = done;
    }
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.sitesNew = run.SitesWithNew();
    figures.failed = run.SitesFailed();
    return figures;
}

void PrintUpdate(const char* what, const UpdateFigures& f) {
    std::printf(
        "%-34s %8.2f s   new %4d  failed %3d   longest tick %5.1f ms (processor %4.1f ms)   "
        "longest gap %5.1f ms\n",
        what, f.seconds, f.sitesNew, f.failed, f.longestStep.count() / 1000.0,
        f.longestStepCpu.count() / 1000.0, f.longestGap.count() / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace varlo;
    const bool articlesOnly = argc > 1 && std::string_view(argv[1]) == "articles";
    const int sites = argc > 1 && !articlesOnly ? std::max(kHosts, std::atoi(argv[1])) : 500;
    setenv("no_proxy", "*", 1);
    int stop = -1;
    pid_t serverPid = -1;
    const std::vector<std::string> hosts = StartServers(sites, &stop, &serverPid);
    if (hosts.size() != kHosts) return 1;
    std::vector<Text> urls;
    for (int site = 0; site < sites; ++site) {
        urls.push_back(hosts[static_cast<size_t>(site % kHosts)] + "/feed/" + std::to_string(site) +
                       ".xml");
    }

    char pattern[] = "/tmp/varlo-bench-update-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string folder = pattern;
    std::filesystem::create_directories(folder + "/cache");
    if (articlesOnly) {
        ArticleUpdate(hosts, folder);
        close(stop);
        waitpid(serverPid, nullptr, 0);
        std::filesystem::remove_all(folder);
        return 0;
    }

    std::printf(
        "update of %d feeds of %zu KB on %d loopback hosts, %d of them at %llu KB/s; at "
        "most 8 transfers, 2 per host\n",
        sites, kFeedBytes / 1024, kHosts, kSlowHosts,
        static_cast<unsigned long long>(kSlowBytesPerSecond / 1024));

    // Peak memory of updates of two sizes, each in a child of its own with its own store: what
    // grows with the number of sites and what does not.
    for (int count : {std::min(sites, 40), sites}) {
        const std::string sub = folder + "/memory-" + std::to_string(count);
        std::filesystem::create_directories(sub + "/cache");
        const std::vector<Text> some(urls.begin(), urls.begin() + count);
        const size_t growth = bench::PeakGrowthInChild([&] {
            CFeedStore store;
            store.Open(sub + "/varlo.db");
            Update(store, CFeedCache(sub + "/cache"), some);
        });
        std::printf("peak memory growth, update of %3d sites:   %6.1f MB\n", count,
                    growth / 1048576.0);
    }

    CFeedStore store;
    if (!store.Open(folder + "/varlo.db")) return 1;
    const CFeedCache cache(folder + "/cache");
    const UpdateFigures first = Update(store, cache, urls);
    PrintUpdate("update, first (every body)", first);
    const UpdateFigures second = Update(store, cache, urls);
    PrintUpdate("update, second (all not modified)", second);

    int curlFailures = 0;
    const double curlSeconds = CurlLoop(urls, folder, &curlFailures);
    std::printf("%-34s %8.2f s   failed %3d\n", "sequential loop of the curl program", curlSeconds,
                curlFailures);

    std::printf("first update vs curl loop: %.1fx faster (goal: at least 4x)\n",
                curlSeconds / first.seconds);
    std::printf("second update vs first:    %.1fx faster (goal: at least 10x)\n",
                first.seconds / second.seconds);
    std::printf("longest gap between 20 ms ticks: %.1f ms (goal: at most 50 ms)\n",
                std::max(first.longestGap, second.longestGap).count() / 1000.0);

    ArticleUpdate(hosts, folder);

    close(stop);
    waitpid(serverPid, nullptr, 0);
    std::filesystem::remove_all(folder);
    const bool ok = first.failed == 0 && second.failed == 0 && curlFailures == 0 &&
                    first.sitesNew == sites && second.sitesNew == 0;
    return ok ? 0 : 1;
}
