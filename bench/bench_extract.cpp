// Whole articles: the extractor's quality and speed on the pages of a public article-extraction
// benchmark (kept beside the project in ../shared/extraction, skipped when absent), each figure
// beside its baseline: F1, precision and recall from the benchmark's own scorer beside
// Readability.js 0.6.0's on the same pages (constants: it is not run here); the time per page in
// the process (goal: 20 ms) and as a whole `varlo-cli extract --text` process (goal: 60 ms); the
// peak memory of one extraction against 8 times the page plus 32 MB. Then the time of pages of
// 10,000 and 100,000 paragraphs (linear: the same time per paragraph) and of hostile pages.
// Usage: bench_extract [EXTRACTION_FOLDER]

#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "encoding/codepage.h"
#include "fetch/text_file.h"
#include "fulltext/article_extractor.h"
#include "support/bench_util.h"
#include "support/feed_generator.h"

using namespace varlo;
using namespace varlo::bench;
namespace fs = std::filesystem;

namespace {

// Readability.js 0.6.0 (on jsdom, given each page as UTF-8) on the same 92 pages.
constexpr double kReadabilityF1 = 0.941;
constexpr double kReadabilityPrecision = 0.914;
constexpr double kReadabilityRecall = 0.968;

std::string Gunzip(const fs::path& path) {
    std::string out;
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) return out;
    char buffer[65536];
    int got;
    while ((got = gzread(file, buffer, sizeof buffer)) > 0) out.append(buffer, got);
    gzclose(file);
    return out;
}

// Runs the benchmark's scorer on the command and prints its summary beside the baseline.
void Quality(const fs::path& folder) {
    const std::string command = "python3 '" + (folder / "score.py").string() + "' '" +
                                (folder / "dev").string() + "' '" VARLO_CLI "' extract --text";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return;
    std::string output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    pclose(pipe);
    int pages = 0;
    double f1 = 0, precision = 0, recall = 0, ms = 0;
    if (std::sscanf(output.c_str(), "%d pages: F1 %lf precision %lf recall %lf %lf ms", &pages, &f1,
                    &precision, &recall, &ms) != 5) {
        std::printf("  the scorer printed no summary:\n%s\n", output.c_str());
        return;
    }
    std::printf("Quality on %d pages (the benchmark's scorer, F1 over 4-word shingles):\n", pages);
    std::printf("  %-12s %8s %14s\n", "", "varlo", "Readability.js");
    std::printf("  %-12s %8.3f %14.3f   (goal: at least 0.96)\n", "F1", f1, kReadabilityF1);
    std::printf("  %-12s %8.3f %14.3f\n", "precision", precision, kReadabilityPrecision);
    std::printf("  %-12s %8.3f %14.3f\n", "recall", recall, kReadabilityRecall);
    std::printf("  whole process `varlo-cli extract --text`: %.0f ms per page (goal: at most 60)\n",
                ms);
    std::printf("%s", output.substr(output.find('\n') + 1).c_str());
}

// The peak resident memory of one `varlo-cli extract --text FILE` process, in bytes; 0 when it
// could not run. Read from the process itself as it exits: the peak the system reports after
// the end counts the memory of the process it was started from, and this one is large by then.
size_t ProcessPeak(const std::string& file) {
    // The child must not write out what this process has not written yet.
    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0) return 0;
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execl(VARLO_CLI, VARLO_CLI, "extract", "--text", file.c_str(), "https://example.com/",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    // Stopped once the program is loaded; stopped again as it exits, its memory still there.
    if (waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) return 0;
    ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACEEXIT);
    ptrace(PTRACE_CONT, child, nullptr, nullptr);
    size_t peak = 0;
    while (waitpid(child, &status, 0) == child && WIFSTOPPED(status)) {
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            std::FILE* proc =
                std::fopen(("/proc/" + std::to_string(child) + "/status").c_str(), "r");
            char line[256];
            while (proc && std::fgets(line, sizeof line, proc)) {
                unsigned long kilobytes = 0;
                if (std::sscanf(line, "VmHWM: %lu kB", &kilobytes) == 1) peak = kilobytes * 1024;
            }
            if (proc) std::fclose(proc);
        }
        // Signals other than the stops of tracing go on to the program.
        const int signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
        ptrace(PTRACE_CONT, child, nullptr, reinterpret_cast<void*>(static_cast<intptr_t>(signal)));
    }
    return WIFEXITED(status) ? peak : 0;
}

void PrintProcessPeak(const std::string& what, const std::string& page) {
    const fs::path file = fs::temp_directory_path() / "varlo-bench-extract-memory.html";
    WriteBenchFile(file.string(), page);
    const size_t peak = ProcessPeak(file.string());
    fs::remove(file);
    std::printf("  %-44s page %6.1f MB  peak %6.1f MB  (bound: 8 x page + 32 MB = %6.1f MB)\n",
                what.c_str(), page.size() / 1e6, peak / 1e6, (8.0 * page.size() + 32e6) / 1e6);
}

void Speed(const fs::path& folder) {
    std::vector<std::pair<std::string, std::string>> pages;  // name, UTF-8 page
    for (const auto& entry : fs::directory_iterator(folder / "dev" / "html"))
        if (entry.path().string().ends_with(".html.gz"))
            pages.emplace_back(entry.path().filename().string(), Gunzip(entry.path()));
    std::sort(pages.begin(), pages.end());
    const fs::path temporary = fs::temp_directory_path() / "varlo-bench-extract.html";
    double extractTotal = 0, decodeTotal = 0;
    size_t bytes = 0, failures = 0;
    for (const auto& [name, page] : pages) {
        bytes += page.size();
        extractTotal += BestSeconds(
            3, [&] { failures += ExtractArticle(page, "https://example.com/").Found() ? 0 : 1; });
        WriteBenchFile(temporary.string(), page);
        decodeTotal += BestSeconds(3, [&] {
            CTextFile file;
            file.Load(temporary.string());
            ExtractArticle(Cp932ToUtf8(file.m_strText), "https://example.com/");
        });
    }
    fs::remove(temporary);
    const double n = static_cast<double>(pages.size());
    std::printf("Speed in the process, %zu pages (%.1f MB):\n", pages.size(), bytes / 1e6);
    std::printf("  extraction alone            %7.2f ms per page (goal: at most 20)\n",
                1000 * extractTotal / n);
    std::printf("  decoding and extraction     %7.2f ms per page\n", 1000 * decodeTotal / n);
    std::printf("  pages without an article    %zu\n", failures / 3);
    const auto largest = std::max_element(pages.begin(), pages.end(), [](auto& a, auto& b) {
        return a.second.size() < b.second.size();
    });
    std::printf("Memory of a whole process:\n");
    PrintProcessPeak("the largest page", largest->second);
}

std::string Paragraphs(int count) {
    std::string page = "<html><body><article>";
    for (int i = 0; i < count; ++i)
        page += "<p>Paragraph " + std::to_string(i) +
                ", with a comma, and enough words to count as prose for any reader.</p>";
    return page + "</article></body></html>";
}

void Scaling() {
    std::printf("Linear time (the same time per paragraph at 10 times the paragraphs):\n");
    for (int count : {10000, 100000}) {
        const std::string page = Paragraphs(count);
        const double seconds =
            BestSeconds(3, [&] { ExtractArticle(page, "https://example.com/"); });
        std::printf("  %6d paragraphs (%5.1f MB)  %8.1f ms  %6.2f us per paragraph\n", count,
                    page.size() / 1e6, 1000 * seconds, 1e6 * seconds / count);
    }
    std::printf("Memory of a whole process:\n");
    PrintProcessPeak("100,000 paragraphs", Paragraphs(100000));
    std::printf("Hostile pages (each refused):\n");
    struct Case {
        const char* what;
        std::string page;
    };
    std::string nested40k, nested1m;
    for (int i = 0; i < 40000; ++i) nested40k += "<div>";
    for (int i = 0; i < 1000000; ++i) nested1m += "<div>";
    Case cases[] = {{"40,000 nested <div>", std::move(nested40k)},
                    {"1,000,000 nested <div>", std::move(nested1m)},
                    {"a page of 200 MB", "<p>" + std::string(200u << 20, 'a')}};
    for (const Case& c : cases) {
        ExtractedArticle result;
        const double seconds =
            BestSeconds(3, [&] { result = ExtractArticle(c.page, "https://example.com/"); });
        std::printf("  %-26s %8.2f ms  %s\n", c.what, 1000 * seconds, result.failure.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder =
        argc > 1 ? fs::path(argv[1]) : fs::path(VARLO_SOURCE_DIR) / ".." / "shared" / "extraction";
    if (fs::exists(folder / "score.py") && fs::exists(folder / "dev" / "html")) {
        Quality(folder);
        Speed(folder);
    } else {
        std::printf("%s is absent: quality and speed on the benchmark's pages skipped\n",
                    folder.c_str());
    }
    Scaling();
    return 0;
}
