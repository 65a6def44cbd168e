// Reading subscription files: what becomes an entry, with which category and title, and what a
// failed read leaves behind.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "subscriptions/opml_file.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

class OpmlReading : public ::testing::Test {
  protected:
    bool ReadText(const std::string& text) {
        test::WriteFile(dir.File("list.opml"), text);
        return list.ReadOpml(dir.File("list.opml"));
    }
    bool ReadBody(const std::string& body) {
        return ReadText(
            "<?xml version=\"1.0\"?>\n<opml version=\"1.0\">\n<head><title>T</title>"
            "</head>\n<body>" +
            body + "</body>\n</opml>\n");
    }
    // "category|title|htmlUrl|xmlUrl|type" for each entry.
    std::vector<std::string> Entries() const {
        std::vector<std::string> rows;
        for (int i = 0; i < list.GetCount(); ++i) {
            const COpmlItem& e = *list.GetAt(i);
            rows.push_back(e.m_strCategory + "|" + e.m_strTitle + "|" + e.m_strHtmlUrl + "|" +
                           e.m_strXmlUrl + "|" + e.m_strType);
        }
        return rows;
    }

    test::TempDir dir;
    test::MessageCapture messages;
    COpmlFile list;
};

TEST_F(OpmlReading, TakesTheCategoryFromTheNearestEnclosingElementOnly) {
    ASSERT_TRUE(ReadBody(R"(
<outline title="Subscriptions">
  <outline title="A"><outline title="B">
    <outline title="e1" htmlUrl="http://1/" type="rss" xmlUrl="http://1/rss" /></outline></outline>
  <outline text="Texted"><outline title="e2" xmlUrl="http://2/"/></outline>
  <outline title="e3" htmlUrl="http://3/" />
</outline>
<outline title="e4" htmlUrl="http://4/" />)"));
    EXPECT_EQ(list.m_strTitle, "T");
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{"B|e1|http://1/|http://1/rss|rss", "Texted|e2||http://2/|",
                                        "Subscriptions|e3|http://3/||", "|e4|http://4/||"}));
    ASSERT_TRUE(ReadText(R"(<opml><body text="Top"><outline xmlUrl="http://a/"/></body></opml>)"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"Top|||http://a/|"});
    EXPECT_EQ(list.m_strTitle, "Morva OPML");
}

TEST_F(OpmlReading, MakesEntriesOnlyFromChildlessElementsWithAnAddress) {
    // Any content, even a line break or a comment, makes a folder whose own addresses are not
    // read; the element's name plays no part; entries never take their title from "text".
    ASSERT_TRUE(ReadBody(R"(<outline title="F" xmlUrl="http://folder/">
</outline><outline title="G" xmlUrl="http://g/"><!-- c --></outline>
<outline title="E" xmlUrl="http://entry/"></outline><site text="t" htmlUrl="http://s/"/>
<outline title="none" type="rss"/><outline title="x" xmlUrl=""/>)"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"|E||http://entry/|", "||http://s/||"}));
}

TEST_F(OpmlReading, TakesTheFirstTitleBelowHeadAndDecodesReferencesButNotCdata) {
    ASSERT_TRUE(ReadText(
        R"(<opml><head><x><title>A &amp; B<![CDATA[ &amp; ]]></title></x><title>2</title></head><body>)"
        R"(<outline title="R&amp;D"><outline title="&quot;Q&quot; &#x3042;" htmlUrl="http://x/?a=1&amp;b=2" xmlUrl="http://x/?a=1&b=2" type="&#x1F600;"/></outline></body></opml>)"));
    EXPECT_EQ(list.m_strTitle, "A & B &amp; ");
    EXPECT_EQ(Entries(), std::vector<std::string>{
                             Sjis("R&D|\"Q\" あ|http://x/?a=1&b=2|http://x/?a=1&b=2|&#x1F600;")});
}

TEST_F(OpmlReading, ConvertsUtf8FilesAndReadsShiftJisFilesAsTheyAre) {
    ASSERT_TRUE(list.ReadOpml(test::DataPath("subscriptions/japanese_utf8.opml")));
    EXPECT_EQ(list.m_strTitle, Sjis("購読リスト"));
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{
                  Sjis("ニュース|朝日 & 毎日|http://example.jp/|http://example.jp/rss?a=1&b=2|rss"),
                  Sjis("ニュース|技術ブログ||http://example.jp/tech.rdf|")}));
    ASSERT_TRUE(list.ReadOpml(test::DataPath("subscriptions/sjis.opml")));
    EXPECT_EQ(Entries(),
              std::vector<std::string>{Sjis("ソフト|能力開発|http://example.jp/nouryoku||")});
}

class OpmlFailedReading : public OpmlReading {
  protected:
    void SetUp() override {
        list.m_strTitle = "Before";
        list.m_nSortKey = 0;
        kept = list.GetAt(list.Add(std::make_unique<COpmlItem>(COpmlItem{"kept", {}, {}, {}, {}})));
    }
    void ExpectUnchanged() const {
        EXPECT_EQ(list.m_strTitle, "Before");
        ASSERT_EQ(list.GetCount(), 1);
        EXPECT_EQ(list.GetAt(0), kept);
        EXPECT_EQ(list.m_nSortKey, 0);
    }
    const COpmlItem* kept = nullptr;
};

TEST_F(OpmlFailedReading, KeepsTheListWhenTheFileIsMissingOrNotOpml) {
    EXPECT_FALSE(list.ReadOpml(dir.File("missing.opml")));
    EXPECT_FALSE(ReadText(R"(<OPML><body><outline xmlUrl="http://x/"/></body></OPML>)"));
    EXPECT_EQ(messages.Messages(), (std::vector<std::string>{"ファイルのオープンに失敗しました:" +
                                                                 dir.File("missing.opml"),
                                                             "OPMLファイルではありません"}));
    ExpectUnchanged();
    for (const char* text : {"", "just words", "<opml", "<rss><channel/></rss>"}) {
        EXPECT_FALSE(ReadText(text));
        ExpectUnchanged();
    }
}

TEST_F(OpmlFailedReading, FailsSilentlyWithoutBodyAndKeepsTheList) {
    EXPECT_FALSE(ReadText(R"(<opml><head><title>New</title></head><outline xmlUrl="x"/></opml>)"));
    EXPECT_TRUE(messages.Messages().empty());
    ExpectUnchanged();
}

TEST(OpmlCorpus, ReadsABloglinesExport) {
    const std::string path = test::CorpusPath("rome/rome-opml/src/test/resources/opml_1.0.xml");
    if (path.empty()) GTEST_SKIP() << "corpus absent";
    COpmlFile list;
    ASSERT_TRUE(list.ReadOpml(path));
    EXPECT_EQ(list.m_strTitle, "Bloglines Subscriptions");
    std::vector<Text> categories;
    list.GetCategories(categories);
    EXPECT_EQ(categories, (std::vector<Text>{"Subscriptions", "nerdy"}));
    ASSERT_EQ(list.GetCount(), 11);
    EXPECT_EQ(list.GetAt(4)->m_strXmlUrl, "http://www.theregister.co.uk/feeds/latest.rdf");
}

}  // namespace
}  // namespace varlo
