// Parsing time per byte of markup shapes that make a naive end-tag search rescan the document
// (unclosed openings, distinct unclosed names, deep nesting, unmatched end tags, runs of "<"), at
// 100 KB, 400 KB and 1.6 MB, beside an ordinary RSS 2.0 feed of the same size. A linear parser
// costs about the same per byte at every size.
// Usage: bench_parse_shapes

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "support/bench_util.h"
#include "xml/document.h"

using namespace varlo;
using namespace varlo::bench;

namespace {

std::string Repeat(const std::string& piece, size_t bytes) {
    std::string text;
    text.reserve(bytes + piece.size());
    while (text.size() < bytes) text += piece;
    return text;
}

struct Shape {
    const char* name;
    std::function<std::string(size_t)> make;
};

std::string Wrap(const std::string& body) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>" + body + "</channel></rss>";
}

const Shape kShapes[] = {
    {"ordinary RSS 2.0",
     [](size_t bytes) {
         return Wrap(
             Repeat("<item><title>Article title</title><link>http://example.com/a</link>"
                    "<description>Some text of the article.</description>"
                    "<pubDate>Mon, 01 Jan 2024 00:00:00 GMT</pubDate></item>\n",
                    bytes));
     }},
    {"unclosed <a> then </a>", [](size_t bytes) { return Wrap(Repeat("<a>", bytes) + "</a>"); }},
    {"distinct unclosed names",
     [](size_t bytes) {
         std::string opens;
         std::string closes;
         for (int i = 0; opens.size() + closes.size() < bytes; ++i) {
             const std::string n = std::to_string(i);
             opens += "<n" + n + "><n" + n + ">";
             closes += "</n" + n + ">";
         }
         return Wrap(opens + closes);
     }},
    {"deep nesting (200 levels)",
     [](size_t bytes) {
         std::string block;
         for (int i = 0; i < 200; ++i) block += "<d>";
         block += "x";
         for (int i = 0; i < 200; ++i) block += "</d>";
         return Wrap(Repeat(block, bytes));
     }},
    {"unmatched end tags", [](size_t bytes) { return Wrap(Repeat("</a>", bytes)); }},
    {"runs of <", [](size_t bytes) { return Wrap(Repeat("<<<<<<<<<a ", bytes) + "</a>"); }},
};

}  // namespace

int main() {
    const size_t sizes[] = {100 * 1000, 400 * 1000, 1600 * 1000};
    std::printf("%-28s %12s %12s %12s %10s\n", "shape (ns per byte)", "100 KB", "400 KB", "1.6 MB",
                "1.6M/100K");
    double ordinary[3] = {};
    for (const Shape& shape : kShapes) {
        double perByte[3] = {};
        for (int i = 0; i < 3; ++i) {
            const std::string text = shape.make(sizes[i]);
            const double seconds = BestSeconds(3, [&] {
                CMXMLDocument document;
                document.ParseXML(text);
            });
            perByte[i] = seconds * 1e9 / static_cast<double>(text.size());
        }
        if (shape.name == kShapes[0].name) std::copy(perByte, perByte + 3, ordinary);
        std::printf("%-28s %12.2f %12.2f %12.2f %9.2fx\n", shape.name, perByte[0], perByte[1],
                    perByte[2], perByte[2] / perByte[0]);
    }
    std::printf("baseline: the ordinary feed above, %.2f ns per byte at 1.6 MB\n", ordinary[2]);
    return 0;
}
