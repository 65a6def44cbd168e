// Subscription files opened and saved: no title, category or address changes, whatever characters
// or markup it holds, and what cannot be read is counted rather than lost in silence.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoding/codepage.h"
#include "subscriptions/opml_file.h"
#include "support/test_support.h"
#include "support/transcode.h"

namespace varlo {
namespace {

class OpmlRoundTrip : public ::testing::Test {
  protected:
    // Reads `text` as a subscription file into `list`.
    bool Read(const std::string& text, COpmlFile& into) {
        const std::string path = dir.File("in.opml");
        test::WriteFile(path, text);
        return into.ReadOpml(path);
    }
    // "category|title|htmlUrl|xmlUrl" in UTF-8 for each entry.
    static std::vector<std::string> Rows(const COpmlFile& list) {
        std::vector<std::string> rows;
        for (int i = 0; i < list.GetCount(); ++i) {
            const COpmlItem& e = *list.GetAt(i);
            rows.push_back(Cp932ToUtf8(e.m_strCategory + "|" + e.m_strTitle + "|" + e.m_strHtmlUrl +
                                       "|" + e.m_strXmlUrl));
        }
        return rows;
    }
    // The list written to a file and read back.
    std::vector<std::string> SavedAndReread(const COpmlFile& list) {
        const std::string path = dir.File("out.opml");
        EXPECT_TRUE(list.WriteOpml(path));
        saved = test::ReadFile(path);
        COpmlFile reread;
        EXPECT_TRUE(reread.ReadOpml(path));
        return Rows(reread);
    }

    test::TempDir dir;
    test::MessageCapture messages;
    std::string saved;
};

const char* const kHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<opml version=\"1.0\">"
    "<head><title>List</title></head>\n<body>";
const char* const kTail = "</body></opml>\n";

TEST_F(OpmlRoundTrip, EmojiAccentsAndOtherScriptsSurviveOpenAndSave) {
    // Formerly one emoji made the whole file read as Shift_JIS, and such characters became "?".
    const std::string body = R"(<outline title="Subscriptions"><outline title="Café 😀">
<outline title="日本語のブログ 🎌" htmlUrl="https://例え.jp/ブログ/" xmlUrl="https://ex.jp/feed?q=😀&amp;x=1"/>
<outline title="Ærøskøbing — naïve “news” 〜" htmlUrl="https://a.example/é"/>
<outline title="中文 한국어 Привет" xmlUrl="https://b.example/rss"/>
</outline></outline>)";
    COpmlFile list;
    ASSERT_TRUE(Read(kHead + body + kTail, list));
    const std::vector<std::string> expected = {
        "Café 😀|日本語のブログ 🎌|https://例え.jp/ブログ/|https://ex.jp/feed?q=😀&x=1",
        "Café 😀|Ærøskøbing — naïve “news” 〜|https://a.example/é|",
        "Café 😀|中文 한국어 Привет||https://b.example/rss",
    };
    EXPECT_EQ(Rows(list), expected);
    EXPECT_EQ(SavedAndReread(list), expected);
    // Written as the characters themselves, not as references or "?".
    EXPECT_NE(saved.find("title=\"日本語のブログ 🎌\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("title=\"Café 😀\""), std::string::npos) << saved;
    EXPECT_EQ(saved.find('?', saved.find("<body>")), saved.find("?q="));
    EXPECT_EQ(list.m_nUnreadItems, 0);
}

TEST_F(OpmlRoundTrip, SingleByteAndWideFilesAreReadAndSavedAsUtf8) {
    const std::string latin = std::string(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><opml>"
        "<body><outline title=\"Caf\xE9\" xmlUrl=\"http://c/\"/>"
        "</body></opml>");
    COpmlFile list;
    ASSERT_TRUE(Read(latin, list));
    EXPECT_EQ(SavedAndReread(list), std::vector<std::string>{"|Café||http://c/"});
    const std::string wide = "\xFF\xFE" + test::Transcode(std::string(kHead) +
                                                              "<outline title=\"ひらがな 😀\" "
                                                              "xmlUrl=\"http://w/\"/>" +
                                                              kTail,
                                                          "UTF-8", "UTF-16LE");
    ASSERT_TRUE(Read(wide, list));
    EXPECT_EQ(SavedAndReread(list), std::vector<std::string>{"|ひらがな 😀||http://w/"});
}

TEST_F(OpmlRoundTrip, GreaterThanInQuotedValuesKeepsTheEntryAndItsFolder) {
    // The ">" used to end the tag: the entry vanished and its folder was renamed.
    const std::string body = R"(<outline title="Subscriptions"><outline title="x>y">
<outline title="a>b" htmlUrl="http://a/?q=1>0" xmlUrl='http://a/rss?x=">"'/>
<outline title="c" xmlUrl="http://c/"/></outline></outline>)";
    COpmlFile list;
    ASSERT_TRUE(Read(kHead + body + kTail, list));
    const std::vector<std::string> expected = {"x>y|a>b|http://a/?q=1>0|http://a/rss?x=\">\"",
                                               "x>y|c||http://c/"};
    EXPECT_EQ(Rows(list), expected);
    EXPECT_EQ(SavedAndReread(list), expected);
}

TEST_F(OpmlRoundTrip, OutlinesNestedBeyondTheParsersCapAreCounted) {
    std::string body;
    for (int i = 0; i < 300; ++i) body += "<outline title=\"f" + std::to_string(i) + "\">";
    body +=
        "<outline title=\"deep\" xmlUrl=\"http://deep/\"/>"
        "<outline title=\"deep2\" htmlUrl=\"http://deep2/\"/><outline title=\"folder only\"/>";
    for (int i = 0; i < 300; ++i) body += "</outline>";
    body += "<outline title=\"shallow\" xmlUrl=\"http://shallow/\"/>";
    COpmlFile list;
    ASSERT_TRUE(Read(kHead + body + kTail, list));
    EXPECT_EQ(Rows(list), std::vector<std::string>{"|shallow||http://shallow/"});
    EXPECT_EQ(list.m_nUnreadItems, 2);
    // A new read replaces the count; clearing resets it.
    ASSERT_TRUE(Read(std::string(kHead) + kTail, list));
    EXPECT_EQ(list.m_nUnreadItems, 0);
    list.m_nUnreadItems = 3;
    list.Clear();
    EXPECT_EQ(list.m_nUnreadItems, 0);
}

TEST_F(OpmlRoundTrip, TextThatLooksLikeAReferenceStaysAsTyped) {
    COpmlFile list;
    auto item = std::make_unique<COpmlItem>();
    item->m_strTitle = "Tom &amp; Jerry &#x3042; & <b> \"q\"";
    item->m_strXmlUrl = "http://x/?a=1&b=2";
    list.Add(std::move(item));
    EXPECT_EQ(SavedAndReread(list),
              std::vector<std::string>{"|Tom &amp; Jerry &#x3042; & <b> \"q\"||http://x/?a=1&b=2"});
}

}  // namespace
}  // namespace varlo
