// Download throughput: a 100 MB body from a loopback server through CHttpDownload (1023-byte
// reads, one pumped event each), side by side with the curl program on the same address.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fetch/http_download.h"
#include "platform/message_pump.h"
#include "support/bench_util.h"

// The benchmarks are single files; the test server comes along as source rather than as a library.
#include "tests/support/loopback_server.cpp"

namespace {

constexpr uint64_t kBodyBytes = uint64_t{100} << 20;

// Runs the curl program without a shell; true when it exited with 0.
bool RunCurl(const std::string& url, const std::string& out) {
    return varlo::bench::RunProgram({"curl", "-s", "-S", "--noproxy", "*", "-o", out, url});
}

}  // namespace

int main() {
    using namespace varlo;
    setenv("no_proxy", "*", 1);
    test::LoopbackServer server;
    test::Response big;
    big.generatedSize = kBodyBytes;
    server.Route("/big.bin", big);
    const std::string url = server.Url("/big.bin");

    char pattern[] = "/tmp/varlo-bench-download-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string folder = pattern;
    const double megabytes = static_cast<double>(kBodyBytes) / (1 << 20);

    // A pump with nothing to dispatch, as the GUI's is most of the time.
    uint64_t pumps = 0;
    ScopedMessagePumpHook hook([&] { ++pumps; });

    std::printf("download of %.0f MB from 127.0.0.1 (best of 5, runs alternating)\n", megabytes);
    bool ok = true;
    double ours = 1e300;
    double theirs = 1e300;
    bench::ResetPeakRss();
    for (int run = 0; run < 5; ++run) {
        ours =
            std::min(ours, bench::BestSeconds(1, [&] {
                         CHttpDownload download(url);
                         std::string path = download.Download(folder, false, "down.bin");
                         ok = ok && !path.empty() && std::filesystem::file_size(path) == kBodyBytes;
                     }));
        theirs = std::min(theirs, bench::BestSeconds(1, [&] {
                              ok = ok && RunCurl(url, folder + "/curl.bin") &&
                                   std::filesystem::file_size(folder + "/curl.bin") == kBodyBytes;
                          }));
    }
    bench::PrintRow("CHttpDownload::Download (1023-byte reads)", megabytes, ours,
                    bench::PeakRssBytes());
    bench::PrintRow("curl program (baseline)", megabytes, theirs, 0);
    std::printf("  ratio (ours / curl throughput): %.2f   pumped events per download: %llu\n",
                theirs / ours, static_cast<unsigned long long>(pumps / 5));
    std::filesystem::remove_all(folder);
    if (!ok) std::printf("  FAILED: a download did not complete\n");
    return ok ? 0 : 1;
}
