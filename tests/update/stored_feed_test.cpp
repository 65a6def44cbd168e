#include "update/stored_feed.h"

#include <gtest/gtest.h>

#include "encoding/carried_reference.h"
#include "preview/preview_page.h"

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

TEST(StoredFeed, KeysGoToTheLibraryAsUtf8AndBack) {
    const std::string utf8 = "tag:example.jp,2026:記事/😀&#x41;";
    const Text system = Utf8TextToCp932(utf8);
    EXPECT_EQ(LibraryKeyOf(system), utf8);
    EXPECT_TRUE(StoredFeed({}, {}).GetSize() == 0);
}

}  // namespace
}  // namespace varlo
