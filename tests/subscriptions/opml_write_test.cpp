// Writing subscription files: their exact layout, and round trips of every field.

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "feeds/dates.h"
#include "subscriptions/opml_file.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

COpmlItem* AddEntry(COpmlFile& list, const Text& title, const Text& category,
                    const Text& htmlUrl = "http://site/", const Text& xmlUrl = "http://site/rss",
                    const Text& type = "rss") {
    auto item = std::make_unique<COpmlItem>();
    item->m_strTitle = title;
    item->m_strCategory = category;
    item->m_strHtmlUrl = htmlUrl;
    item->m_strXmlUrl = xmlUrl;
    item->m_strType = type;
    COpmlItem* raw = item.get();
    list.Add(std::move(item));
    return raw;
}

// The file as written, with the time of writing replaced by "DATE".
std::string WrittenWithoutDate(const std::string& path) {
    return std::regex_replace(test::ReadFile(path), std::regex("<dateCreated>[^<]*</dateCreated>"),
                              "<dateCreated>DATE</dateCreated>");
}

void ExpectSameEntries(const COpmlFile& a, const COpmlFile& b) {
    EXPECT_EQ(a.m_strTitle, b.m_strTitle);
    ASSERT_EQ(a.GetCount(), b.GetCount());
    for (int i = 0; i < a.GetCount(); ++i) {
        const COpmlItem& x = *a.GetAt(i);
        const COpmlItem& y = *b.GetAt(i);
        EXPECT_EQ(x.m_strTitle, y.m_strTitle) << i;
        EXPECT_EQ(x.m_strCategory, y.m_strCategory) << i;
        EXPECT_EQ(x.m_strHtmlUrl, y.m_strHtmlUrl) << i;
        EXPECT_EQ(x.m_strXmlUrl, y.m_strXmlUrl) << i;
        EXPECT_EQ(x.m_strType, y.m_strType) << i;
    }
}

class OpmlWriting : public ::testing::Test {
  protected:
    // Writes `list`, reads it into a fresh list and expects the same content back.
    void ExpectRoundTrip(const COpmlFile& original) {
        ASSERT_TRUE(original.WriteOpml(path));
        COpmlFile reread;
        ASSERT_TRUE(reread.ReadOpml(path));
        ExpectSameEntries(original, reread);
    }

    test::TempDir dir;
    test::MessageCapture messages;
    std::string path = dir.File("out.opml");
};

TEST_F(OpmlWriting, WritesAnEmptyListWithoutTheHolder) {
    COpmlFile list;
    ASSERT_TRUE(list.WriteOpml(path));
    EXPECT_EQ(WrittenWithoutDate(path),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
              "<opml version=\"1.0\">\r\n"
              "\t<head>\r\n"
              "\t\t<title>Morva OPML</title>\r\n"
              "\t\t<dateCreated>DATE</dateCreated>\r\n"
              "\t</head>\r\n"
              "\t<body />\r\n"
              "</opml>");
}

TEST_F(OpmlWriting, GroupsRunsOfCategoriesInsideTheHolder) {
    COpmlFile list;
    AddEntry(list, "A", "", "http://a/", "", "");
    AddEntry(list, "B", "News", "", "http://b/rss", "rss");
    AddEntry(list, "C", "", "http://c/", "http://c/rss", "");
    AddEntry(list, "D", "News", "http://d/", "http://d/rss", "atom");
    ASSERT_TRUE(list.WriteOpml(path));
    EXPECT_EQ(WrittenWithoutDate(path),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
              "<opml version=\"1.0\">\r\n"
              "\t<head>\r\n"
              "\t\t<title>Morva OPML</title>\r\n"
              "\t\t<dateCreated>DATE</dateCreated>\r\n"
              "\t</head>\r\n"
              "\t<body>\r\n"
              "\t\t<outline title=\"A\" htmlUrl=\"http://a/\" />\r\n"
              "\t\t<outline title=\"Subscriptions\">\r\n"
              "\t\t\t<outline title=\"News\">\r\n"
              "\t\t\t\t<outline title=\"B\" type=\"rss\" xmlUrl=\"http://b/rss\" />\r\n"
              "\t\t\t</outline>\r\n"
              "\t\t\t<outline>\r\n"
              "\t\t\t\t<outline title=\"C\" htmlUrl=\"http://c/\" xmlUrl=\"http://c/rss\" />\r\n"
              "\t\t\t</outline>\r\n"
              "\t\t\t<outline title=\"News\">\r\n"
              "\t\t\t\t<outline title=\"D\" htmlUrl=\"http://d/\" type=\"atom\" "
              "xmlUrl=\"http://d/rss\" />\r\n"
              "\t\t\t</outline>\r\n"
              "\t\t</outline>\r\n"
              "\t</body>\r\n"
              "</opml>");
    ExpectRoundTrip(list);
}

TEST_F(OpmlWriting, WritesJapaneseTextAsUtf8) {
    COpmlFile list;
    list.m_strTitle = Sjis("私の購読");
    AddEntry(list, Sjis("ソフトウェア表示"), Sjis("技術"));
    ASSERT_TRUE(list.WriteOpml(path));
    const std::string written = test::ReadFile(path);
    EXPECT_NE(written.find("<title>私の購読</title>"), std::string::npos);
    EXPECT_NE(written.find("<outline title=\"技術\">"), std::string::npos);
    EXPECT_NE(written.find("title=\"ソフトウェア表示\""), std::string::npos);
    ExpectRoundTrip(list);
}

TEST_F(OpmlWriting, RoundTripsRepeatedAndEmptyCategoriesBetweenNamedOnes) {
    COpmlFile list;
    list.m_strTitle = Sjis("日本語のタイトル");
    AddEntry(list, "lead1", "");
    AddEntry(list, "lead2", "");
    AddEntry(list, Sjis("朝日"), Sjis("ニュース"));
    AddEntry(list, Sjis("毎日"), Sjis("ニュース"));
    AddEntry(list, "gap", "");
    AddEntry(list, "tech", "Tech");
    AddEntry(list, Sjis("読売"), Sjis("ニュース"));
    AddEntry(list, "gap2", "");
    ExpectRoundTrip(list);
    COpmlFile reread;
    ASSERT_TRUE(reread.ReadOpml(path));
    std::vector<Text> categories;
    reread.GetCategories(categories);
    EXPECT_EQ(categories, (std::vector<Text>{Sjis("ニュース"), "", "Tech", Sjis("ニュース"), ""}));
}

TEST_F(OpmlWriting, RoundTripsTextsWithMarkupCharactersAndQuotes) {
    COpmlFile list;
    list.m_strTitle = "Tom & Jerry's <list>\r\n\"x\"";
    AddEntry(list, "say \"hi\" & <bye>", "R&D \"lab\"", "http://x/?a=1&b=2", "http://x/?q=<>",
             "'rss'");
    AddEntry(list, "\"\"", "'quoted'", "  spaced  ", "tab\there\nline\rcr", "&amp;");
    AddEntry(list, Sjis("「引用」と\"混在\"&記号"), "/>", "\"", "'", ">");
    AddEntry(list, "&#65; &lt;", "\"News\"", "http://y/", "", "");
    ExpectRoundTrip(list);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(OpmlWriting, WritesWellFormedEscapedAttributes) {
    COpmlFile list;
    AddEntry(list, "a\"b<c>&d", "", "http://x/?a=1&b=2", "", "");
    ASSERT_TRUE(list.WriteOpml(path));
    EXPECT_NE(
        test::ReadFile(path).find(
            "<outline title=\"a&quot;b&lt;c&gt;&amp;d\" htmlUrl=\"http://x/?a=1&amp;b=2\" />"),
        std::string::npos);
}

TEST_F(OpmlWriting, LosesAnEntryWithoutAddressesOnTheNextRead) {
    COpmlFile list;
    AddEntry(list, "no address", "", "", "", "");
    AddEntry(list, "kept", "", "http://k/", "", "");
    ASSERT_TRUE(list.WriteOpml(path));
    EXPECT_NE(test::ReadFile(path).find("<outline title=\"no address\" />"), std::string::npos);
    COpmlFile reread;
    ASSERT_TRUE(reread.ReadOpml(path));
    ASSERT_EQ(reread.GetCount(), 1);
    EXPECT_EQ(reread.GetAt(0)->m_strTitle, "kept");
}

TEST_F(OpmlWriting, DatesTheFileWithTheTimeOfWritingInLocalTime) {
    test::ScopedTimeZone tokyo("Asia/Tokyo");
    COpmlFile list;
    const std::time_t before = std::time(nullptr);
    ASSERT_TRUE(list.WriteOpml(path));
    const std::time_t after = std::time(nullptr);
    std::smatch match;
    const std::string written = test::ReadFile(path);
    ASSERT_TRUE(
        std::regex_search(written, match, std::regex("<dateCreated>([^<]*)</dateCreated>")));
    EXPECT_TRUE(
        std::regex_match(match[1].str(), std::regex("[A-Z][a-z]{2}, \\d\\d [A-Z][a-z]{2} \\d{4} "
                                                    "\\d\\d:\\d\\d:\\d\\d \\+0900")))
        << match[1];
    const TimeValue written_at = ParseRfc822Date(match[1].str());
    EXPECT_GE(written_at, before);
    EXPECT_LE(written_at, after);
}

TEST_F(OpmlWriting, KeepsTheOldFileWhenTheSaveFails) {
    COpmlFile list;
    AddEntry(list, "first", "");
    ASSERT_TRUE(list.WriteOpml(path));
    const std::string before = test::ReadFile(path);
    // A folder in the way of the temporary file and of the file itself: the save cannot succeed.
    const std::string blocked = dir.File("blocked");
    std::filesystem::create_directories(blocked + "/x");
    AddEntry(list, "second", "");
    EXPECT_FALSE(list.WriteOpml(blocked));
    EXPECT_FALSE(messages.Messages().empty());
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_FALSE(list.WriteOpml(dir.File("no-such-folder/out.opml")));
    EXPECT_EQ(test::ReadFile(path), before);
}

TEST_F(OpmlWriting, RoundTripsAListReadFromTheCorpus) {
    const std::string source = test::CorpusPath("rome/rome-opml/src/test/resources/opml_1.0.xml");
    if (source.empty()) GTEST_SKIP() << "corpus absent";
    COpmlFile list;
    ASSERT_TRUE(list.ReadOpml(source));
    ExpectRoundTrip(list);
}

}  // namespace
}  // namespace varlo
