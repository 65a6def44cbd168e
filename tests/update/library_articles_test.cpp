#include "update/library_articles.h"

#include <gtest/gtest.h>

#include "store/store_paths.h"
#include "support/test_support.h"
#include "update/feed_choice.h"
#include "update/feed_reading.h"

namespace varlo {
namespace {

// A feed whose texts need the display form: references, markup in a title, a relative link, a
// script in the text and a character code page 932 lacks.
constexpr const char* kFeed =
    "<?xml version='1.0' encoding='UTF-8'?><rss version='2.0'><channel><title>t</title>"
    "<link>https://example.com/</link>"
    "<item><title>&lt;b&gt;東京&lt;/b&gt; &amp;amp; café 😀</title><link>/a/1</link>"
    "<guid>k😀1</guid><category>ニュース</category>"
    "<pubDate>Mon, 01 Jan 2024 00:00:00 GMT</pubDate>"
    "<description>&lt;p onclick='x()'&gt;本文 😀&lt;script&gt;alert(1)&lt;/script&gt;&lt;/p&gt;"
    "</description></item>"
    "<item><title>二つ目</title><guid>k2</guid></item>"
    "</channel></rss>";

TEST(LibraryArticles, AFeedReadBecomesArticlesInTheWindowsFormAndAChoiceRecordsThem) {
    test::TempDir dir;
    const std::string path = dir.File("down.xml");
    test::WriteFile(path, kFeed);
    const FeedReading reading = ReadFeedBody(path, "https://example.com/feed.xml");
    ASSERT_TRUE(reading.isFeed);
    const std::vector<LibraryArticle> articles = LibraryArticlesOf(*reading.feed);
    ASSERT_EQ(articles.size(), 2u);
    const LibraryArticle& first = articles[0];
    EXPECT_EQ(first.key, "k😀1");
    EXPECT_EQ(first.title, "東京 & café 😀");
    EXPECT_EQ(first.link, "https://example.com/a/1");
    EXPECT_EQ(first.category, "ニュース");
    EXPECT_EQ(first.date, 1704067200);
    EXPECT_NE(first.html.find("本文 😀"), std::string::npos) << first.html;
    EXPECT_EQ(first.html.find("script"), std::string::npos) << first.html;
    EXPECT_EQ(first.html.find("onclick"), std::string::npos) << first.html;
    EXPECT_EQ(articles[1].date, 0);
    // A body that cannot be read is no feed, and its message is the caller's to show.
    const FeedReading absent = ReadFeedBody(dir.File("absent.xml"), "");
    EXPECT_FALSE(absent.isFeed);
    EXPECT_EQ(absent.feed->GetSize(), 0);
    EXPECT_EQ(absent.messages.size(), 1u);

    // The window's worker records the chosen feed with its articles and marks the site read.
    CFeedStore store;
    ASSERT_TRUE(store.Open(dir.File("varlo.db")));
    ASSERT_TRUE(MakePrivateFolder(dir.File("cache")));
    const CFeedCache cache(dir.File("cache"));
    const CRssFile& feed = *reading.feed;
    const ChosenFeed chosen = RecordChosenLibrary({"\"e\"", "", false}, store, cache,
                                                  feed.m_strAddress, path, LibraryArticlesOf(feed));
    EXPECT_EQ(chosen.newArticles, 2);
    EXPECT_TRUE(chosen.WasUnseen(*feed.GetAt(0)));
    CLibrary library(store);
    EXPECT_EQ(library.UnreadTotal(), 0);
    const std::vector<LibraryRow> rows = library.SiteArticles(feed.m_strAddress);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].title, "東京 & café 😀");
    EXPECT_EQ(library.Search("本文").size(), 1u);
    EXPECT_TRUE(library.Search("alert").empty());
}

}  // namespace
}  // namespace varlo
