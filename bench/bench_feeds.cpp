// Reading feeds end to end: CRssFile::ReadRss (load, convert, parse, map) on generated RSS 2.0,
// RSS 1.0 and Atom 1.0 feeds, side by side with readers of the same fields built on libxml2 and on
// pugixml, and with Python's feedparser on the smaller sizes; then the time per item at 10,000 and
// 100,000 items. Usage: bench_feeds [folder for the generated files] [largest size in MB]

#include <libxml/parser.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/dates.h"
#include "feeds/rss_file.h"
#include "platform/allocator.h"
#include "support/bench_util.h"
#include "support/feed_generator.h"

using namespace varlo;
using namespace varlo::bench;

namespace {

// The fields every reader extracts for one article.
struct Record {
    std::string title, link, description, category, content;
    TimeValue updated = 0, published = 0;
};

struct Names {
    const char* item;
    const char* description;
    const char* category;
    const char* content;
    const char* date;
    bool rfc822;
};

Names NamesOf(FeedKind kind) {
    switch (kind) {
        case FeedKind::Rss20:
            return {"item", "description", "category", "content:encoded", "pubDate", true};
        case FeedKind::Rss10:
            return {"item", "description", "dc:subject", "content:encoded", "dc:date", false};
        case FeedKind::Atom10:
            return {"entry", "summary", "category", "content", "updated", false};
    }
    return {};
}

TimeValue ParseDate(const Names& names, const std::string& text) {
    return names.rfc822 ? ParseRfc822Date(text) : ParseW3cDate(text);
}

// ---- libxml2: a DOM parse, then the same lookups over its tree.

bool XmlNameIs(const xmlNode* node, std::string_view qname) {
    const std::string_view local = reinterpret_cast<const char*>(node->name);
    if (node->ns != nullptr && node->ns->prefix != nullptr) {
        const std::string_view prefix = reinterpret_cast<const char*>(node->ns->prefix);
        return qname.size() == prefix.size() + 1 + local.size() && qname.starts_with(prefix) &&
               qname[prefix.size()] == ':' && qname.ends_with(local);
    }
    return qname == local;
}

// Visits the elements below `root` in document order until `visit` returns true.
template <typename F>
const xmlNode* XmlWalk(const xmlNode* root, F visit) {
    const xmlNode* node = root->children;
    while (node != nullptr && node != root) {
        if (node->type == XML_ELEMENT_NODE && visit(node)) return node;
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != root && node->next == nullptr) node = node->parent;
        if (node != root) node = node->next;
    }
    return nullptr;
}

const xmlNode* XmlFirst(const xmlNode* root, std::string_view name) {
    return XmlWalk(root, [&](const xmlNode* n) { return XmlNameIs(n, name); });
}

std::string XmlText(const xmlNode* node) {
    if (node == nullptr) return {};
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

std::string XmlHref(const xmlNode* node) {
    if (node == nullptr) return {};
    xmlChar* href = xmlGetProp(node, BAD_CAST "href");
    std::string text = href ? reinterpret_cast<const char*>(href) : "";
    xmlFree(href);
    return text;
}

std::vector<Record> ReadWithLibxml2(const std::string& path, FeedKind kind) {
    std::vector<Record> records;
    xmlDoc* doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
    if (doc == nullptr) return records;
    const Names names = NamesOf(kind);
    const xmlNode* root = xmlDocGetRootElement(doc);
    XmlWalk(root, [&](const xmlNode* item) {
        if (!XmlNameIs(item, names.item)) return false;
        Record r;
        r.title = XmlText(XmlFirst(item, "title"));
        r.link = kind == FeedKind::Atom10 ? XmlHref(XmlFirst(item, "link"))
                                          : XmlText(XmlFirst(item, "link"));
        r.description = XmlText(XmlFirst(item, names.description));
        r.category = XmlText(XmlFirst(item, names.category));
        r.content = XmlText(XmlFirst(item, names.content));
        r.updated = ParseDate(names, XmlText(XmlFirst(item, names.date)));
        if (kind == FeedKind::Atom10)
            r.published = ParseW3cDate(XmlText(XmlFirst(item, "published")));
        records.push_back(std::move(r));
        return false;
    });
    xmlFreeDoc(doc);
    return records;
}

// ---- pugixml: the same over its tree (names keep their prefixes, as ours do).

template <typename F>
pugi::xml_node PugiWalk(pugi::xml_node root, F visit) {
    pugi::xml_node node = root.first_child();
    while (node && node != root) {
        if (node.type() == pugi::node_element && visit(node)) return node;
        if (node.type() == pugi::node_element && node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != root && !node.next_sibling()) node = node.parent();
        if (node != root) node = node.next_sibling();
    }
    return {};
}

pugi::xml_node PugiFirst(pugi::xml_node root, const char* name) {
    return PugiWalk(root, [&](pugi::xml_node n) { return std::strcmp(n.name(), name) == 0; });
}

std::string PugiText(pugi::xml_node element) {
    std::string text;
    if (!element) return text;
    for (pugi::xml_node n = element.first_child(); n && n != element;) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n != element && !n.next_sibling()) n = n.parent();
        if (n != element) n = n.next_sibling();
    }
    return text;
}

std::vector<Record> ReadWithPugixml(const std::string& path, FeedKind kind) {
    std::vector<Record> records;
    pugi::xml_document doc;
    if (!doc.load_file(path.c_str())) return records;
    const Names names = NamesOf(kind);
    PugiWalk(doc.document_element(), [&](pugi::xml_node item) {
        if (std::strcmp(item.name(), names.item) != 0) return false;
        Record r;
        r.title = PugiText(PugiFirst(item, "title"));
        r.link = kind == FeedKind::Atom10 ? PugiFirst(item, "link").attribute("href").value()
                                          : PugiText(PugiFirst(item, "link"));
        r.description = PugiText(PugiFirst(item, names.description));
        r.category = PugiText(PugiFirst(item, names.category));
        r.content = PugiText(PugiFirst(item, names.content));
        r.updated = ParseDate(names, PugiText(PugiFirst(item, names.date)));
        if (kind == FeedKind::Atom10)
            r.published = ParseW3cDate(PugiText(PugiFirst(item, "published")));
        records.push_back(std::move(r));
        return false;
    });
    return records;
}

// ---- feedparser, timed inside Python so that the interpreter's start does not count.

double FeedparserSeconds(const std::string& path, size_t& items) {
    const std::string command =
        "/usr/bin/python3 -c 'import sys, time, feedparser\n"
        "t = time.perf_counter(); d = feedparser.parse(sys.argv[1])\n"
        "print(time.perf_counter() - t, len(d.entries))' '" +
        path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    double seconds = -1;
    if (std::fscanf(pipe, "%lf %zu", &seconds, &items) != 2) seconds = -1;
    pclose(pipe);
    return seconds;
}

// Peak memory above what the process held before the call. Freed memory is handed back to the
// system first, so that a run cannot hide its growth in what an earlier run left behind.
template <typename F>
size_t PeakOf(F body) {
    malloc_trim(0);
    const size_t base = CurrentRssBytes();
    ResetPeakRss();
    body();
    const size_t peak = PeakRssBytes();
    return peak > base ? peak - base : 0;
}

const char* KindName(FeedKind kind) {
    switch (kind) {
        case FeedKind::Rss20:
            return "RSS 2.0";
        case FeedKind::Rss10:
            return "RSS 1.0";
        case FeedKind::Atom10:
            return "Atom 1.0";
    }
    return "";
}

double FileMegabytes(const std::string& path) {
    return static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

void CompareReaders(const std::string& folder, FeedKind kind, size_t megabytes) {
    const std::string path = folder + "/feed-" + std::to_string(static_cast<int>(kind)) + "-" +
                             std::to_string(megabytes) + "mb.xml";
    if (!WriteBenchFile(path, GenerateFeed(kind, megabytes * 1000000))) {
        std::printf("cannot write %s\n", path.c_str());
        return;
    }
    const double mb = FileMegabytes(path);
    // A reading of 1 MB takes milliseconds: more runs keep its best time from being chance.
    const int runs = megabytes >= 100 ? 3 : megabytes >= 10 ? 7 : 25;
    std::printf("%s, %.1f MB\n", KindName(kind), mb);

    size_t ourItems = 0;
    const auto ours = [&] {
        CRssFile feed;
        feed.ReadRss(path);
        ourItems = static_cast<size_t>(feed.GetSize());
    };
    size_t xmlItems = 0;
    size_t pugiItems = 0;
    const auto libxml2 = [&] { xmlItems = ReadWithLibxml2(path, kind).size(); };
    const auto pugixml = [&] { pugiItems = ReadWithPugixml(path, kind).size(); };
    // The three readers in turn, so that a phase of the machine favours none of them.
    const std::vector<double> best = BestSecondsInTurn(runs, {ours, libxml2, pugixml});
    const double ourSeconds = best[0];
    const double xmlSeconds = best[1];
    const double pugiSeconds = best[2];
    const size_t ourPeak = PeakOf(ours);
    PrintRow("ReadRss (" + std::to_string(ourItems) + " items)", mb, ourSeconds, ourPeak);
    PrintRow("libxml2 reader (" + std::to_string(xmlItems) + " items)", mb, xmlSeconds,
             PeakOf(libxml2));
    PrintRow("pugixml reader (" + std::to_string(pugiItems) + " items)", mb, pugiSeconds,
             PeakOf(pugixml));
    size_t count = 0;
    double pySeconds = -1;
    if (megabytes <= 10) {
        pySeconds = FeedparserSeconds(path, count);
        if (pySeconds > 0) {
            PrintRow("feedparser (" + std::to_string(count) + " items)", mb, pySeconds, 0);
        } else {
            std::printf("  feedparser not available\n");
        }
    }
    std::printf("  => %.2fx libxml2 reader (at least 2x), %.2fx pugixml reader (at least 0.8x)",
                xmlSeconds / ourSeconds, pugiSeconds / ourSeconds);
    if (pySeconds > 0) std::printf(", %.0fx feedparser", pySeconds / ourSeconds);
    std::printf(", peak %.2fx file size\n\n", static_cast<double>(ourPeak) / (mb * 1e6));
    std::filesystem::remove(path);
}

void ItemScaling(const std::string& folder) {
    std::printf("Time per item, RSS 2.0\n");
    const size_t counts[2] = {10000, 100000};
    std::string paths[2];
    for (int i = 0; i < 2; ++i) {
        paths[i] = folder + "/items-" + std::to_string(counts[i]) + ".xml";
        WriteBenchFile(paths[i], GenerateFeed(FeedKind::Rss20, 0, counts[i]));
    }
    const auto read = [&](int i) {
        CRssFile feed;
        feed.ReadRss(paths[i]);
    };
    // The sizes take turns, so that the machine's slow spells fall on both alike, and each turn
    // times the same number of items of each: ten readings of the smaller file in a row against
    // one of the larger, as a short reading falls wholly into a fast spell more often than a long
    // one. The smaller file is read once first, as that reading finds the cache and the heap as
    // the larger one left them.
    double seconds[2] = {1e300, 1e300};
    for (int turn = 0; turn < 7; ++turn) {
        read(0);
        seconds[0] = std::min(seconds[0], BestSeconds(1, [&] {
                                              for (int i = 0; i < 10; ++i) read(0);
                                          }) / 10);
        seconds[1] = std::min(seconds[1], BestSeconds(1, [&] { read(1); }));
    }
    double perItem[2];
    for (int i = 0; i < 2; ++i) {
        perItem[i] = seconds[i] / static_cast<double>(counts[i]);
        std::printf("  %7zu items  %6.1f MB  %8.3f s  %7.2f us per item\n", counts[i],
                    FileMegabytes(paths[i]), seconds[i], perItem[i] * 1e6);
        std::filesystem::remove(paths[i]);
    }
    std::printf("  => 100,000 items cost %.2fx per item what 10,000 do (at most 1.2x)\n",
                perItem[1] / perItem[0]);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder =
        argc > 1 ? argv[1]
                 : (std::filesystem::temp_directory_path() / "varlo-bench-feeds").string();
    const size_t largest = argc > 2 ? static_cast<size_t>(std::atoi(argv[2])) : 100;
    std::filesystem::create_directories(folder);
    // Large blocks as the programs get them (fresh from the system each time), for every reader.
    KeepLargeBlocksOutOfTheHeap();
    // First, in a process of its own: after the other readers' trees of hundreds of megabytes, the
    // heap they leave fragmented would be measured as much as the reader.
    RunInChild([&] { ItemScaling(folder); });
    std::printf("\n");
    xmlInitParser();
    for (FeedKind kind : {FeedKind::Rss20, FeedKind::Rss10, FeedKind::Atom10}) {
        for (size_t megabytes : {size_t{1}, size_t{10}, size_t{100}}) {
            if (megabytes <= largest) CompareReaders(folder, kind, megabytes);
        }
    }
    xmlCleanupParser();
    return 0;
}
