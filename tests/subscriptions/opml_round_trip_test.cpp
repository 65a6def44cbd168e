// Subscription files opened and saved: no title, category or address changes, whatever characters
// or markup it holds, and what cannot be read is counted rather than lost in silence.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoding/carried_reference.h"
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

TEST_F(OpmlRoundTrip, LiteralReferenceTextStaysTextWhileCarriedCharactersStayCharacters) {
    // Titles, a category and addresses that hold the text "&#x1F600;" beside the emoji itself,
    // given as a character and as a reference.
    const std::string body =
        R"(<outline title="Tag &amp;#x1F600;"><outline title="&amp;#x1F600; 😀 &#x1F600;" )"
        R"(htmlUrl="http://x/?q=&amp;#x1F600;" xmlUrl="http://x/😀?a=1&amp;b=&amp;#x26;#x1F600;"/>)"
        R"(</outline>)";
    COpmlFile list;
    ASSERT_TRUE(Read(kHead + body + kTail, list));
    auto shown = [](const COpmlFile& l) {
        std::vector<std::string> rows;
        for (int i = 0; i < l.GetCount(); ++i) {
            const COpmlItem& e = *l.GetAt(i);
            for (const Text* t : {&e.m_strCategory, &e.m_strTitle, &e.m_strHtmlUrl, &e.m_strXmlUrl})
                rows.push_back(Cp932TextToUtf8(*t));
        }
        return rows;
    };
    const std::vector<std::string> expected = {"Tag &#x1F600;", "&#x1F600; 😀 😀",
                                               "http://x/?q=&#x1F600;",
                                               "http://x/😀?a=1&b=&#x26;#x1F600;"};
    EXPECT_EQ(shown(list), expected);
    for (int round = 0; round < 2; ++round) {
        const std::string path = dir.File("out.opml");
        ASSERT_TRUE(list.WriteOpml(path));
        saved = test::ReadFile(path);
        ASSERT_TRUE(list.ReadOpml(path));
        EXPECT_EQ(shown(list), expected);
    }
    EXPECT_NE(saved.find(R"(title="&amp;#x1F600; 😀 😀")"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"(title="Tag &amp;#x1F600;")"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"(xmlUrl="http://x/😀?a=1&amp;b=&amp;#x26;#x1F600;")"), std::string::npos)
        << saved;
}

TEST_F(OpmlRoundTrip, TextTypedAsAReferenceIsSavedAsText) {
    COpmlFile list;
    auto item = std::make_unique<COpmlItem>();
    item->m_strTitle = Utf8TextToCp932("&#x1F600; 😀");
    item->m_strCategory = Utf8TextToCp932("&#128512;");
    item->m_strXmlUrl = Utf8TextToCp932("http://x/?e=&#xE9;");
    list.Add(std::move(item));
    const std::string path = dir.File("out.opml");
    ASSERT_TRUE(list.WriteOpml(path));
    COpmlFile reread;
    ASSERT_TRUE(reread.ReadOpml(path));
    ASSERT_EQ(reread.GetCount(), 1);
    EXPECT_EQ(Cp932TextToUtf8(reread.GetAt(0)->m_strTitle), "&#x1F600; 😀");
    EXPECT_EQ(Cp932TextToUtf8(reread.GetAt(0)->m_strCategory), "&#128512;");
    EXPECT_EQ(Cp932TextToUtf8(reread.GetAt(0)->m_strXmlUrl), "http://x/?e=&#xE9;");
}

TEST_F(OpmlRoundTrip, CharactersXmlForbidsAreLeftOutAndCounted) {
    // What a file may bring in: control characters as references, U+FFFF as a reference.
    const std::string body =
        "<outline title=\"a&#1;b&#xFFFF;c\" xmlUrl=\"http://x/&#x1f;\"/>"
        "<outline title=\"&#8;\" htmlUrl=\"http://y/\"/>";
    COpmlFile list;
    ASSERT_TRUE(Read(kHead + body + kTail, list));
    const std::string path = dir.File("out.opml");
    int leftOut = -1;
    ASSERT_TRUE(list.WriteOpml(path, &leftOut));
    EXPECT_EQ(leftOut, 4);
    saved = test::ReadFile(path);
    for (const unsigned char c : saved) {
        EXPECT_TRUE(c >= 0x20 || c == '\t' || c == '\n' || c == '\r') << static_cast<int>(c);
    }
    EXPECT_EQ(saved.find("&#1;"), std::string::npos);
    EXPECT_EQ(saved.find("\xEF\xBF\xBF"), std::string::npos);
    COpmlFile reread;
    ASSERT_TRUE(reread.ReadOpml(path));
    EXPECT_EQ(Rows(reread), (std::vector<std::string>{"|abc||http://x/", "||http://y/|"}));
    // A list with nothing to leave out says so.
    ASSERT_TRUE(reread.WriteOpml(path, &leftOut));
    EXPECT_EQ(leftOut, 0);
    EXPECT_EQ(LeftOutCharactersMessage(4),
              test::Sjis("XML ファイルに書けない文字 (制御文字など) が 4 個あったため、"
                         "それらを除いて保存しました。"));
}

}  // namespace
}  // namespace varlo
