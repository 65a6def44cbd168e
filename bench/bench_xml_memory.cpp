// Peak memory of loading XML files, as a multiple of the file's size: ordinary feeds and the
// shapes a hostile server can send (many small elements, many text nodes, millions of attributes
// on one tag, deep nesting). Each load runs in a child process of its own. Usage:
// bench_xml_memory [folder for the generated files] [size of the hostile files in MB]

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/allocator.h"
#include "support/bench_util.h"
#include "support/feed_generator.h"
#include "xml/document.h"

using namespace varlo;
using namespace varlo::bench;

namespace {

std::string Repeat(const std::string& head, const std::string& unit, size_t bytes,
                   const std::string& tail) {
    std::string out = head;
    out.reserve(bytes + head.size() + tail.size());
    while (out.size() + unit.size() <= bytes) out += unit;
    return out + tail;
}

void Measure(const std::string& folder, const std::string& name, std::string bytes, double bound) {
    static int counter = 0;
    const std::string path = folder + "/bench-memory-" + std::to_string(++counter) + ".xml";
    if (!WriteBenchFile(path, bytes)) {
        std::printf("%-34s cannot write %s\n", name.c_str(), path.c_str());
        return;
    }
    const size_t size = bytes.size();
    // The child starts from what the parent holds: give the heap back first, so that the child's
    // growth is what the load itself took.
    std::string().swap(bytes);
    malloc_trim(0);
    bool capped = false;
    const size_t peak = PeakGrowthInChild([&] {
        CMXMLDocument doc;
        doc.LoadFile(path);
        capped = doc.LimitReached();
    });
    // The child's flag does not reach the parent: ask once more here, outside the measurement.
    CMXMLDocument doc;
    doc.LoadFile(path);
    capped = doc.LimitReached();
    const double ratio = static_cast<double>(peak) / static_cast<double>(size);
    std::printf("%-34s %7.1f MB  peak %8.1f MB  %5.1fx (bound %4.1fx)%s%s\n", name.c_str(),
                static_cast<double>(size) / 1e6, static_cast<double>(peak) / 1e6, ratio, bound,
                capped ? "  cap reached" : "", ratio > bound ? "  OVER" : "");
    std::filesystem::remove(path);
}

}  // namespace

int main(int argc, char** argv) {
    // As the programs do.
    KeepLargeBlocksOutOfTheHeap();
    const std::string folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    const size_t mb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20;
    const size_t size = mb * 1024 * 1024;
    std::printf("Peak memory of LoadFile over the file's size (the file's own bytes included)\n");
    Measure(folder, "RSS 2.0 feed", GenerateFeed(FeedKind::Rss20, 10 * 1000 * 1000), 3);
    Measure(folder, "RSS 1.0 feed", GenerateFeed(FeedKind::Rss10, 10 * 1000 * 1000), 3);
    Measure(folder, "Atom 1.0 feed", GenerateFeed(FeedKind::Atom10, 10 * 1000 * 1000), 3);
    Measure(folder, "<item/> repeated",
            Repeat("<rss><channel>", "<item/>", size, "</channel></rss>"), 16);
    Measure(folder, "<item/> and line break repeated",
            Repeat("<rss><channel>", "<item/>\n", size, "</channel></rss>"), 16);
    Measure(folder, "<a/>x repeated", Repeat("<rss>", "<a/>x", size, "</rss>"), 16);
    Measure(folder, "<a>x</a> repeated", Repeat("<rss>", "<a>x</a>", size, "</rss>"), 16);
    Measure(folder, "<!---->x repeated", Repeat("<rss>", "<!---->x", size, "</rss>"), 16);
    Measure(folder, "10 million bare attributes",
            Repeat("<rss", " a", 10000000 * 2 + 4, "><channel/></rss>"), 16);
    Measure(folder, "attributes a=\"1\" on one tag", Repeat("<rss", " a=\"1\"", size, "/>"), 16);
    std::string deep;
    for (size_t i = 0; deep.size() + 7 < size / 2; ++i) deep += "<a>";
    Measure(folder, "deep nesting", "<rss>" + deep + "</rss>", 16);
    return 0;
}
