// Writing subscription files: their exact layout, and round trips of every field.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "feeds/dates.h"
#include "subscriptions/opml_file.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

void Add(COpmlFile& list, const Text& title, const Text& category, const Text& htmlUrl = "h",
         const Text& xmlUrl = "x", const Text& type = "rss") {
    list.Add(std::make_unique<COpmlItem>(COpmlItem{title, category, htmlUrl, xmlUrl, type}));
}

class OpmlWriting : public ::testing::Test {
  protected:
    // The file as written, with the time of writing replaced by "DATE".
    std::string Written() const {
        return std::regex_replace(test::ReadFile(path), std::regex("<dateCreated>[^<]*<"),
                                  "<dateCreated>DATE<");
    }
    // Writes the list, reads it into a fresh list and expects all five fields of every entry back.
    void ExpectRoundTrip(const COpmlFile& list) {
        ASSERT_TRUE(list.WriteOpml(path));
        COpmlFile reread;
        ASSERT_TRUE(reread.ReadOpml(path));
        EXPECT_EQ(reread.m_strTitle, list.m_strTitle);
        ASSERT_EQ(reread.GetCount(), list.GetCount());
        for (int i = 0; i < list.GetCount(); ++i) {
            const COpmlItem& a = *list.GetAt(i);
            const COpmlItem& b = *reread.GetAt(i);
            EXPECT_EQ(std::vector<Text>({a.m_strTitle, a.m_strCategory, a.m_strHtmlUrl,
                                         a.m_strXmlUrl, a.m_strType}),
                      std::vector<Text>({b.m_strTitle, b.m_strCategory, b.m_strHtmlUrl,
                                         b.m_strXmlUrl, b.m_strType}));
        }
    }

    test::TempDir dir;
    test::MessageCapture messages;
    std::string path = dir.File("out.opml");
};

const char* const kDeclarationAndHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<opml version=\"1.0\">\r\n\t<head>\r\n"
    "\t\t<title>Morva OPML</title>\r\n\t\t<dateCreated>DATE</dateCreated>\r\n\t</head>\r\n";

TEST_F(OpmlWriting, WritesAnEmptyListWithoutTheHolder) {
    ASSERT_TRUE(COpmlFile().WriteOpml(path));
    EXPECT_EQ(Written(), std::string(kDeclarationAndHead) + "\t<body />\r\n</opml>");
}

TEST_F(OpmlWriting, GroupsRunsOfCategoriesInsideTheHolder) {
    COpmlFile list;
    Add(list, "A", "", "http://a/", "", "");
    Add(list, "B", "News", "", "http://b/rss", "rss");
    Add(list, "C", "", "http://c/", "http://c/rss", "");
    Add(list, "D", "News", "http://d/", "http://d/rss", "atom");
    ASSERT_TRUE(list.WriteOpml(path));
    EXPECT_EQ(Written(),
              std::string(kDeclarationAndHead) +
                  "\t<body>\r\n"
                  "\t\t<outline title=\"A\" htmlUrl=\"http://a/\" />\r\n"
                  "\t\t<outline title=\"Subscriptions\">\r\n"
                  "\t\t\t<outline title=\"News\">\r\n"
                  "\t\t\t\t<outline title=\"B\" type=\"rss\" xmlUrl=\"http://b/rss\" />\r\n"
                  "\t\t\t</outline>\r\n"
                  "\t\t\t<outline>\r\n"
                  "\t\t\t\t<outline title=\"C\" htmlUrl=\"http://c/\" "
                  "xmlUrl=\"http://c/rss\" />\r\n"
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

TEST_F(OpmlWriting, RoundTripsJapaneseTextsMarkupCharactersAndCategoryRuns) {
    COpmlFile list;
    list.m_strTitle = Sjis("日本語 & <タイトル>\r\n\"x\"");
    Add(list, "lead", "");
    Add(list, Sjis("朝日"), Sjis("ニュース"), "http://x/?a=1&b=2", "http://x/?q=<>", "'rss'");
    Add(list, "say \"hi\" & <bye>", Sjis("ニュース"), "  spaced  ", "tab\tnew\nline\rcr", "&amp;");
    Add(list, "\"\"", "", "\"", "'", ">");
    Add(list, "tech", "R&D \"lab\"");
    Add(list, Sjis("「引用」と\"混在\""), Sjis("ニュース"), "/>", "&#65;", "x");
    ExpectRoundTrip(list);
    const std::string written = test::ReadFile(path);
    EXPECT_NE(written.find("<outline title=\"ニュース\">"), std::string::npos);
    EXPECT_NE(written.find("title=\"say &quot;hi&quot; &amp; &lt;bye&gt;\""), std::string::npos);
}

TEST_F(OpmlWriting, DatesTheFileWithTheTimeOfWritingInLocalTime) {
    test::ScopedTimeZone tokyo("Asia/Tokyo");
    const std::time_t before = std::time(nullptr);
    ASSERT_TRUE(COpmlFile().WriteOpml(path));
    const std::time_t after = std::time(nullptr);
    std::smatch date;
    const std::string written = test::ReadFile(path);
    ASSERT_TRUE(std::regex_search(written, date, std::regex("<dateCreated>(.{26}\\+0900)<")));
    EXPECT_GE(ParseRfc822Date(date[1].str()), before);
    EXPECT_LE(ParseRfc822Date(date[1].str()), after);
}

// A file size limit makes every write past 200 bytes fail, even for root.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

  private:
    rlimit m_saved{};
    void (*m_handler)(int);
};

TEST_F(OpmlWriting, KeepsTheOldFileWhenTheSaveFails) {
    COpmlFile list;
    Add(list, "first", "");
    ASSERT_TRUE(list.WriteOpml(path));
    const std::string before = test::ReadFile(path);
    for (int i = 0; i < 20; ++i) Add(list, "more", "Category");
    {
        FileSizeLimit limit(200);
        EXPECT_FALSE(list.WriteOpml(path));
    }
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(test::ReadFile(path), before);
    EXPECT_EQ(list.GetCount(), 21);
    EXPECT_FALSE(list.WriteOpml(dir.File("no-such-folder/out.opml")));
}

}  // namespace
}  // namespace varlo
