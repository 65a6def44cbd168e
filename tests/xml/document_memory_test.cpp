// The memory a document takes: a tree may grow only to a fixed multiple of its text, so hostile
// markup (millions of tiny elements, text nodes or attributes) cannot exhaust memory, while
// ordinary feeds never come near the limit.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "platform/allocator.h"
#include "support/test_support.h"
#include "xml/document.h"

namespace varlo {
namespace {

std::string Repeat(const std::string& head, const std::string& unit, size_t bytes,
                   const std::string& tail) {
    std::string out = head;
    while (out.size() + unit.size() <= bytes) out += unit;
    return out + tail;
}

// An RSS 2.0 feed of about `bytes` bytes with Japanese UTF-8 text, as ordinary feeds are.
std::string OrdinaryFeed(size_t bytes) {
    std::string item =
        "    <item>\n      <title>日本語のニュース記事です #1</title>\n"
        "      <link>https://example.jp/articles/1.html</link>\n      <description><![CDATA[<p>";
    for (int i = 0; i < 20; ++i)
        item += "新しい製品が発表されました。詳しくは公式サイトをご覧ください。";
    item +=
        "</p>]]></description>\n      <pubDate>Mon, 02 Nov 2026 10:15:00 +0900</pubDate>\n"
        "    </item>\n";
    return Repeat("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\"><channel>\n",
                  item, bytes, "</channel></rss>\n");
}

size_t CountChildren(const CMXMLNode& node) {
    size_t n = 0;
    for (const CMXMLNode* c = node.GetFirstChild(); c; c = c->GetNextSibling()) ++n;
    return n;
}

TEST(TreeBudget, HostileShapesStopGrowingAndSaySo) {
    const size_t size = 2 << 20;
    const struct {
        const char* unit;
        size_t nodesPerUnit;
    } shapes[] = {{"<a/>x", 2}, {"<!---->x", 2}, {"<item/>\n", 2}, {"<a>x</a>", 1}};
    for (const auto& shape : shapes) {
        CMXMLDocument doc;
        doc.ParseXML(Repeat("<rss>", shape.unit, size, "</rss>"));
        const CMXMLElement* root = doc.GetDocumentElement();
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->NodeName(), "rss");
        EXPECT_TRUE(doc.LimitReached()) << shape.unit;
        const size_t all = size / std::strlen(shape.unit) * shape.nodesPerUnit;
        const size_t kept = CountChildren(*root);
        EXPECT_GT(kept, all / 4) << shape.unit;
        EXPECT_LT(kept, all) << shape.unit;
    }
}

TEST(TreeBudget, OrdinaryFeedsAndPlainElementRunsAreReadWhole) {
    CMXMLDocument feed;
    feed.ParseXML(OrdinaryFeed(2 << 20));
    EXPECT_FALSE(feed.LimitReached());
    const CMXMLElement* channel = feed.GetDocumentElement()->FindFirstElement("channel");
    ASSERT_NE(channel, nullptr);
    EXPECT_GT(channel->GetElementsByTagName("item").GetCount(), 500);
    EXPECT_EQ(channel->GetLastChild()->GetNodeType(), kTextNode);

    CMXMLDocument items;
    const size_t count = (2 << 20) / 7;
    items.ParseXML(Repeat("<rss><channel>", "<item/>", count * 7 + 14, "</channel></rss>"));
    EXPECT_FALSE(items.LimitReached());
    EXPECT_EQ(CountChildren(*items.GetDocumentElement()->GetFirstChild()), count);

    // A tiny document may always build a small tree.
    CMXMLDocument small;
    small.ParseXML(Repeat("<r>", "<a/>", 4000, "</r>"));
    EXPECT_FALSE(small.LimitReached());
}

TEST(TreeBudget, AParseWithoutADocumentIsNotLimited) {
    const CMXMLElement element(Repeat("<r>", "<a/>x", 1 << 20, "</r>"));
    EXPECT_EQ(CountChildren(element), ((1 << 20) - 3) / 5 * 2);
}

// The peak resident memory of loading `path`, above what the process held before, measured in a
// child process so that nothing the test process did earlier hides or adds to it.
size_t PeakOfLoading(const std::string& path) {
    return test::ResidentPeakOfInChild([&] {
        CMXMLDocument doc;
        doc.LoadFile(path);
    });
}

TEST(TreeMemory, PeakStaysWithinSixteenTimesAnyInputAndThreeTimesAnOrdinaryFeed) {
#ifdef VARLO_NO_NODE_POOL
    GTEST_SKIP() << "sanitizer builds give every node a heap block of its own";
#endif
    test::MessageCapture quiet;
    test::TempDir dir;
    const size_t size = 8 << 20;
    const struct {
        const char* name;
        std::function<std::string()> make;
        double bound;
    } inputs[] = {
        {"<item/>", [&] { return Repeat("<rss><channel>", "<item/>", size, "</channel></rss>"); },
         16},
        {"<a/>x", [&] { return Repeat("<rss>", "<a/>x", size, "</rss>"); }, 16},
        {"bare attributes", [&] { return Repeat("<rss", " a", size, "/>"); }, 16},
        {"ordinary feed", [&] { return OrdinaryFeed(size); }, 3},
    };
    for (const auto& input : inputs) {
        const std::string path = dir.File("input.xml");
        size_t bytes = 0;
        {
            const std::string text = input.make();
            bytes = text.size();
            test::WriteFile(path, text);
        }
        const double ratio = static_cast<double>(PeakOfLoading(path)) / static_cast<double>(bytes);
        EXPECT_LT(ratio, input.bound) << input.name;
        EXPECT_GT(ratio, 0.5) << "the measurement must see the file itself: " << input.name;
    }
}

}  // namespace
}  // namespace varlo
