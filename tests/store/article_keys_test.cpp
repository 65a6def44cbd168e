#include "store/article_keys.h"

#include <gtest/gtest.h>

#include "feeds/rss_file.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::TempDir;
using test::WriteFile;

// The keys of a feed file, read alone and from the document the feed reader loads (as the
// window takes them): both must agree.
std::vector<Text> KeysOf(const std::string& xml) {
    TempDir dir;
    WriteFile(dir.File("f.xml"), xml);
    std::vector<Text> keys;
    EXPECT_TRUE(ReadArticleKeys(dir.File("f.xml"), &keys));
    std::vector<Text> shared;
    bool sharedRead = false;
    CRssFile feed;
    feed.ReadRss(dir.File("f.xml"), [&](const CMXMLDocument& document) {
        sharedRead = ArticleKeysOf(document, &shared);
    });
    EXPECT_TRUE(sharedRead);
    EXPECT_EQ(shared, keys);
    return keys;
}

TEST(ArticleKeys, RssItemsTakeGuidThenDecodedLinkThenTitleWithDateAsWritten) {
    EXPECT_EQ(KeysOf("<rss><channel><title>c</title>"
                     "<item><guid isPermaLink='false'> tag:1 </guid><link>http://a/1</link></item>"
                     "<item><guid></guid><link> http://a/?x=1&amp;y=2 </link></item>"
                     "<item><title>T</title><pubDate>Mon, 01 Jan 2024 09:00:00 +0900</pubDate>"
                     "</item>"
                     "<item><title> Undated </title></item>"
                     "<item><title>R</title><dc:date>2024-01-01T00:00:00Z</dc:date></item>"
                     "</channel></rss>"),
              (std::vector<Text>{"tag:1", "http://a/?x=1&y=2", "T\tMon, 01 Jan 2024 09:00:00 +0900",
                                 "Undated", "R\t2024-01-01T00:00:00Z"}));
}

TEST(ArticleKeys, AtomEntriesTakeIdThenTheirReaderLinkNeverAnEditLink) {
    EXPECT_EQ(KeysOf("<feed xmlns='http://www.w3.org/2005/Atom'><title>f</title>"
                     "<entry><id>urn:1</id><title>a</title></entry>"
                     "<entry><link rel='edit' href='http://a/edit'/>"
                     "<link href='http://a/2'/><title>b</title></entry>"
                     "<entry><link rel='replies' href='http://a/r'/><title>c</title>"
                     "<updated>2024-01-02T00:00:00Z</updated></entry>"
                     "</feed>"),
              (std::vector<Text>{"urn:1", "http://a/2", "c\t2024-01-02T00:00:00Z"}));
    EXPECT_EQ(KeysOf("<feed version='0.3'><entry><title>x</title><modified>m</modified>"
                     "<issued>i</issued></entry></feed>"),
              std::vector<Text>{"x\tm"});
}

TEST(ArticleKeys, KeysLineUpWithTheArticlesTheReaderListsAndNonFeedsGiveNone) {
    TempDir dir;
    const std::string rdf =
        "<rdf:RDF><channel rdf:about='http://c/'><title>c</title></channel>"
        "<item rdf:about='http://c/1'><title>1</title><link>http://c/1</link></item>"
        "<item><title>2</title></item></rdf:RDF>";
    WriteFile(dir.File("rdf.xml"), rdf);
    CRssFile feed;
    feed.ReadRss(dir.File("rdf.xml"));
    std::vector<Text> keys;
    ASSERT_TRUE(ReadArticleKeys(dir.File("rdf.xml"), &keys));
    ASSERT_EQ(keys.size(), static_cast<size_t>(feed.GetSize()));
    // The reader gives a linkless item the channel's address; its key must not be that.
    EXPECT_EQ(keys, (std::vector<Text>{"http://c/1", "2"}));

    test::MessageCapture messages;
    WriteFile(dir.File("page.html"), "<html><body>not a feed</body></html>");
    EXPECT_FALSE(ReadArticleKeys(dir.File("page.html"), &keys));
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(ReadArticleKeys(dir.File("absent.xml"), &keys));
}

}  // namespace
}  // namespace varlo
