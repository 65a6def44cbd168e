// The memory of reading a feed, measured in a child process: twice the file plus 32 MB for an
// ordinary feed in any language, sixteen times for any shape of markup.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "feeds/rss_file.h"
#include "support/test_support.h"

namespace varlo {
namespace {

// The peak resident memory of reading the feed at `path`, above what the child started with.
size_t PeakOfReading(const std::string& path) {
    return test::ResidentPeakOfInChild([&] {
        CRssFile feed;
        feed.ReadRss(path);
    });
}

TEST(FeedMemory, AnAccentedLatinFeedStaysWithinTwiceItsSizeAndThirtyTwoMegabytes) {
#ifdef VARLO_NO_NODE_POOL
    GTEST_SKIP() << "sanitizer builds pad and hold back every block they free: memory is measured "
                    "in the normal build";
#endif
    // Words made of nothing but characters code page 932 lacks: each is held as a reference
    // three times its UTF-8 size, so the articles alone take about three times the file, and
    // nothing else may be held beside them for long.
    const std::string word = "éàüèçöùâêëïôñáíúóýéàüèçö";
    std::string sentence;
    for (int i = 0; i < 60; ++i) sentence += word + " ";
    std::string feed =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\"><channel><title>t"
        "</title><link>http://example.com/</link><description>d</description>\n";
    const size_t size = 20'850'000;
    for (int n = 1; feed.size() < size; ++n) {
        const std::string id = std::to_string(n);
        feed += "<item><title>" + word + " " + word + "</title><link>http://example.com/a/" + id +
                "</link><description>&lt;p&gt;" + sentence + "&lt;/p&gt;</description><guid>" + id +
                "</guid></item>\n";
    }
    feed += "</channel></rss>\n";
    test::TempDir dir;
    const std::string path = dir.File("accented.xml");
    test::WriteFile(path, feed);
    const size_t peak = PeakOfReading(path);
    std::printf("  peak growth %.1f MB (bound %.1f MB)\n", peak / 1e6,
                (2 * feed.size() + 32'000'000) / 1e6);
    EXPECT_LT(peak, 2 * feed.size() + 32'000'000);
    EXPECT_GT(peak, 2 * feed.size()) << "the measurement must see the articles themselves";
}

TEST(FeedMemory, ADeeplyNestedXhtmlContentStaysWithinSixteenTimesItsSize) {
#ifdef VARLO_NO_NODE_POOL
    GTEST_SKIP() << "sanitizer builds give every node a heap block of its own";
#endif
    // One entry whose content nests a million divs: the search for their end tags indexes every
    // tag, the levels of a million of them among them.
    const size_t divs = 8'000'000 / 11;
    std::string feed =
        "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\"><title>t</title>"
        "<entry><title>t</title><content type=\"xhtml\">"
        "<div xmlns=\"http://www.w3.org/1999/xhtml\">";
    feed.reserve(divs * 11 + 200);
    for (size_t i = 0; i < divs; ++i) feed += "<div>";
    feed += "x";
    for (size_t i = 0; i < divs; ++i) feed += "</div>";
    feed += "</div></content></entry></feed>";
    test::TempDir dir;
    const std::string path = dir.File("nested.xml");
    test::WriteFile(path, feed);
    const double ratio =
        static_cast<double>(PeakOfReading(path)) / static_cast<double>(feed.size());
    std::printf("  peak growth %.1f times the file (bound 16)\n", ratio);
    EXPECT_LT(ratio, 16);
    EXPECT_GT(ratio, 1) << "the measurement must see the file itself";
}

}  // namespace
}  // namespace varlo
