#include "update/stored_feed.h"

#include <gtest/gtest.h>

#include "encoding/carried_reference.h"
#include "preview/preview_page.h"
#include "support/test_support.h"
#include "update/feed_reading.h"
#include "update/library_articles.h"

namespace varlo {
namespace {

LibraryRow Row(const std::string& title, const std::string& html, int64_t date) {
    LibraryRow row;
    row.id = date;
    row.key = "key " + title;
    row.title = title;
    row.link = "http://example.jp/" + std::to_string(date);
    row.date = date;
    row.html = html;
    return row;
}

TEST(StoredFeed, StoredArticlesBecomeAFeedThePreviewPageShowsWithItsSanitizer) {
    const std::vector<LibraryRow> rows{
        Row("東京 😀 & <b>", "<p>本文 😀</p><script>alert(1)</script>", 1700000000),
        Row("Café", "<p onclick=\"x()\">second</p>", 1600000000)};
    const CRssFile feed = StoredFeed(rows, Utf8TextToCp932("ニュース"));
    ASSERT_EQ(feed.GetSize(), 2);
    // The title is plain text: its "<b>" is text, and the emoji is carried.
    EXPECT_EQ(Cp932TextToUtf8(feed.GetAt(0)->m_strTitle), "東京 😀 & <b>");
    EXPECT_EQ(feed.GetAt(0)->m_nTitleKind, kKindText);
    EXPECT_EQ(feed.GetAt(1)->m_timeUpdated, 1600000000);
    const std::string page = BuildPreviewPage(feed, {false, false, true, false});
    EXPECT_NE(page.find("ニュース"), std::string::npos);
    EXPECT_NE(page.find("東京 😀 &amp; &lt;b&gt;"), std::string::npos);
    EXPECT_NE(page.find("本文 😀"), std::string::npos);
    // The page's sanitizer still stands between the store and the browser.
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_EQ(page.find("onclick"), std::string::npos);
    EXPECT_NE(page.find("id=\"" + PreviewAnchor(1) + "\""), std::string::npos);
}

// The text blocks of a preview page, in order.
std::vector<std::string> Bodies(const std::string& page) {
    std::vector<std::string> bodies;
    for (size_t at = page.find("<div class=\"body"); at != std::string::npos;
         at = page.find("<div class=\"body", at + 1)) {
        bodies.push_back(page.substr(at, page.find("</div>\n", at) - at));
    }
    return bodies;
}

TEST(StoredFeed, AStoredArticlesPageShowsItsTextAsTheFeedsPageDidAndNoDateWhenUndated) {
    test::TempDir dir;
    const std::string path = dir.File("feed.xml");
    test::WriteFile(
        path,
        "<?xml version='1.0' encoding='utf-8'?><feed xmlns='http://www.w3.org/2005/Atom'>"
        "<title>t</title>"
        "<entry><id>1</id><title>plain</title><updated>2024-01-01T12:00:00Z</updated>"
        "<content type='text'>see &lt;img src=\"https://example.com/a.png\"&gt; here\n"
        "and a second line &amp;amp; more</content></entry>"
        "<entry><id>2</id><title>html</title><updated>2024-01-02T12:00:00Z</updated>"
        "<content type='html'>&lt;p&gt;para &lt;b&gt;bold&lt;/b&gt;&lt;/p&gt;</content></entry>"
        "<entry><id>3</id><title>escaped twice</title><updated>2024-01-03T12:00:00Z</updated>"
        "<content type='html'>&amp;lt;p&amp;gt;twice&amp;lt;/p&amp;gt;</content></entry>"
        "<entry><id>4</id><title>no tag</title><updated>2024-01-04T12:00:00Z</updated>"
        "<content type='html'>a &amp;lt;img src=x&amp;gt; b\nline</content></entry>"
        "<entry><id>5</id><title>undated</title><content type='text'>x</content></entry>"
        "</feed>");
    const FeedReading reading = ReadFeedBody(path, "https://example.com/feed");
    ASSERT_TRUE(reading.isFeed);
    const CRssFile& feed = *reading.feed;
    const std::vector<LibraryArticle> articles = LibraryArticlesOf(feed);
    ASSERT_EQ(articles.size(), 5u);
    std::vector<LibraryRow> rows;
    for (const LibraryArticle& article : articles) {
        LibraryRow row = Row(article.title, article.html, article.date);
        row.link = article.link;
        rows.push_back(std::move(row));
    }
    const PreviewOptions options{false, false, true, false};
    const std::vector<std::string> fed = Bodies(BuildPreviewPage(feed, options));
    const std::string stored = BuildPreviewPage(StoredFeed(rows, "t"), options);
    ASSERT_EQ(fed.size(), 5u);
    EXPECT_EQ(Bodies(stored), fed);
    // The plain text's markup is text on both.
    EXPECT_NE(fed[0].find("&lt;img"), std::string::npos) << fed[0];
    EXPECT_EQ(Bodies(stored)[0].find("<img"), std::string::npos);
    EXPECT_EQ(articles[4].date, 0);
    EXPECT_EQ(stored.find("1970"), std::string::npos);
    EXPECT_NE(stored.find("2024-01-0"), std::string::npos);
}

TEST(StoredFeed, KeysGoToTheLibraryAsUtf8AndBack) {
    const std::string utf8 = "tag:example.jp,2026:記事/😀&#x41;";
    const Text system = Utf8TextToCp932(utf8);
    EXPECT_EQ(LibraryKeyOf(system), utf8);
    EXPECT_TRUE(StoredFeed({}, {}).GetSize() == 0);
}

}  // namespace
}  // namespace varlo
