// Subscription files: ReadOpml, WriteOpml and Sort on generated lists of 10,000 sites (in 50
// categories, and in a single one), side by side with a libxml2 DOM parse of the same file.
// Usage: bench_opml [folder for the generated files]

#include <libxml/parser.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "encoding/codepage.h"
#include "platform/message_box.h"
#include "subscriptions/opml_file.h"
#include "support/bench_util.h"

using namespace varlo;
using namespace varlo::bench;

namespace {

constexpr int kSites = 10000;
constexpr int kRuns = 7;

// A list of `sites` entries spread over `categories` runs, with Japanese and ASCII titles in no
// particular order, so that sorting has work to do.
void Generate(COpmlFile& list, int categories) {
    const Text words[] = {Jp("ニュース"), "Tech", Jp("技術ブログ"), "daily", Jp("日記"), "Photo"};
    uint32_t seed = 2463534242u;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    list.Clear();
    for (int i = 0; i < kSites; ++i) {
        auto item = std::make_unique<COpmlItem>();
        const int group = i * categories / kSites;
        item->m_strCategory =
            categories == 1 ? Jp("購読") : words[group % 6] + std::to_string(group);
        item->m_strTitle = words[next() % 6] + " " + std::to_string(next() % 100000) + " & co";
        item->m_strHtmlUrl = "https://site" + std::to_string(i) + ".example.jp/";
        item->m_strXmlUrl = item->m_strHtmlUrl + "feed?format=rss&lang=ja";
        item->m_strType = "rss";
        list.Add(std::move(item));
    }
}

void Report(const std::string& name, const std::string& path) {
    const double mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::printf("%s (%d sites, %.2f MB)\n", name.c_str(), kSites, mb);

    const size_t base = CurrentRssBytes();
    ResetPeakRss();
    COpmlFile list;
    const double read = BestSeconds(kRuns, [&] { list.ReadOpml(path); });
    PrintRow("ReadOpml", mb, read, PeakRssBytes() - base);

    ResetPeakRss();
    const double libxml = BestSeconds(kRuns, [&] {
        xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
        xmlFreeDoc(doc);
    });
    PrintRow("libxml2 xmlReadFile + xmlFreeDoc (baseline)", mb, libxml, PeakRssBytes() - base);

    const std::string out = path + ".written";
    const double write = BestSeconds(kRuns, [&] { list.WriteOpml(out); });
    PrintRow("WriteOpml", mb, write, PeakRssBytes() - base);

    for (int key : {0, 1}) {
        for (bool descending : {false, true}) {
            double best = 1e300;
            for (int run = 0; run < kRuns; ++run) {
                list.ReadOpml(path);  // file order again, untimed
                list.m_nSortKey = key;
                list.m_bDescending = descending;
                best = std::min(best, BestSeconds(1, [&] { list.Sort(); }));
            }
            PrintRow(
                "Sort key " + std::to_string(key) + (descending ? " descending" : " ascending"), mb,
                best, PeakRssBytes() - base);
        }
    }
    std::filesystem::remove(out);
}

}  // namespace

int main(int argc, char** argv) {
    SetMessageBoxHandler([](const Text& text, unsigned) {
        std::fprintf(stderr, "%s\n", Cp932ToUtf8(text).c_str());
        return 1;
    });
    const std::filesystem::path dir =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(dir);
    xmlInitParser();
    for (int categories : {50, 1}) {
        COpmlFile list;
        Generate(list, categories);
        const std::string path =
            (dir / ("bench_opml_" + std::to_string(categories) + ".opml")).string();
        if (!list.WriteOpml(path)) return 1;
        Report(std::to_string(categories) + (categories == 1 ? " category" : " categories"), path);
        std::filesystem::remove(path);
    }
    xmlCleanupParser();
    return 0;
}
