// Loading XML documents: LoadFile (read, UTF-8 test, conversion to code page 932, parse) against
// libxml2's and pugixml's DOM parses of the same bytes, with peak memory; plus elements with many
// self-closing children. Usage: bench_xml [folder for the generated files] [largest size in MB]

#include <libxml/parser.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <pugixml.hpp>
#include <sstream>

#include "encoding/codepage.h"
#include "support/bench_util.h"
#include "support/feed_generator.h"
#include "xml/document.h"

using namespace varlo;
using namespace varlo::bench;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Holds the result of a timed run until the next one starts, so that freeing it is not timed.
std::function<void()> g_kept;
template <typename T>
void Keep(std::unique_ptr<T> object) {
    g_kept = [held = std::shared_ptr<T>(std::move(object))] {};
}
void Keep(std::function<void()> release) {
    g_kept = nullptr;
    struct Releaser {
        std::function<void()> f;
        ~Releaser() {
            if (f) f();
        }
    };
    auto r = std::make_shared<Releaser>();
    r->f = std::move(release);
    g_kept = [r] {};
}

// Peak memory of one call, measured in a child process.
template <typename F>
size_t PeakOf(F body) {
    return PeakGrowthInChild(body);
}

void Compare(const std::string& folder, size_t megabytes) {
    const std::string path = folder + "/bench-" + std::to_string(megabytes) + "mb.xml";
    if (!std::filesystem::exists(path)) {
        WriteBenchFile(path, GenerateFeed(FeedKind::Rss20, megabytes * 1000 * 1000));
    }
    const double mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    const int runs = megabytes >= 100 ? 2 : 5;
    std::printf(
        "RSS 2.0, Japanese UTF-8, %.1f MB (LoadFile timed from the file, the baselines on the\n"
        "bytes in memory; every peak includes the file's bytes)\n",
        mb);

    // Peaks first, each in a fresh child process that reads the file itself: memory the parent
    // freed earlier would otherwise hide what the next parser takes.
    const size_t loadPeak = PeakOf([&] {
        CMXMLDocument doc;
        doc.LoadFile(path);
    });
    const size_t libxml2Peak = PeakOf([&] {
        const std::string input = ReadAll(path);
        xmlDocPtr doc = xmlReadMemory(input.data(), static_cast<int>(input.size()), "x.xml",
                                      nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
        xmlFreeDoc(doc);
    });
    const size_t pugixmlPeak = PeakOf([&] {
        const std::string input = ReadAll(path);
        pugi::xml_document doc;
        doc.load_buffer(input.data(), input.size());
    });
    double seconds = BestSeconds(runs, [&] {
        auto doc = std::make_unique<CMXMLDocument>();
        doc->LoadFile(path);
        Keep(std::move(doc));
    });
    PrintRow("Varlo LoadFile (read+convert+parse)", mb, seconds, loadPeak);

    const std::string bytes = ReadAll(path);
    seconds = BestSeconds(runs, [&] {
        xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "x.xml",
                                      nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
        Keep([doc] { xmlFreeDoc(doc); });
    });
    PrintRow("libxml2 xmlReadMemory", mb, seconds, libxml2Peak);

    seconds = BestSeconds(runs, [&] {
        auto doc = std::make_unique<pugi::xml_document>();
        doc->load_buffer(bytes.data(), bytes.size());
        Keep(std::move(doc));
    });
    PrintRow("pugixml load_buffer", mb, seconds, pugixmlPeak);

    seconds = BestSeconds(runs, [&] { Utf8ToCp932(bytes); });
    PrintRow("  (of which: UTF-8 to code page 932)", mb, seconds, 0);
}

void ManySelfClosingChildren() {
    for (const char* child : {"<e/>", "<e a=\"1\"/>"}) {
        std::string markup = "<r>";
        for (int i = 0; i < 10000; ++i) markup += child;
        markup += "</r>";
        const double seconds = BestSeconds(5, [&] {
            CMXMLDocument doc;
            doc.ParseXML(markup);
        });
        std::printf("10,000 children %-12s parsed in %.3f ms\n", child, seconds * 1e3);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    const size_t largest = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
    for (size_t mb : {1, 10, 100}) {
        if (mb <= largest) Compare(folder, mb);
    }
    ManySelfClosingChildren();
    return 0;
}
