// Reading subscription files: what becomes an entry, its category and title, and what a failed
// read leaves behind.

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
    // Reads an OPML text whose body content is `body`.
    bool ReadBody(const std::string& body, const std::string& head = "<title>T</title>") {
        return ReadText("<?xml version=\"1.0\"?>\n<opml version=\"1.0\">\n<head>" + head +
                        "</head>\n<body>" + body + "</body>\n</opml>\n");
    }
    bool ReadText(const std::string& text) {
        test::WriteFile(dir.File("list.opml"), text);
        return list.ReadOpml(dir.File("list.opml"));
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

TEST_F(OpmlReading, TakesEachEntrysCategoryFromItsEnclosingOutline) {
    ASSERT_TRUE(ReadBody(R"(
<outline title="Subscriptions">
  <outline title="News">
    <outline title="A" htmlUrl="http://a/" type="rss" xmlUrl="http://a/rss" />
    <outline title="B" xmlUrl="http://b/rss"/>
  </outline>
  <outline title="C" htmlUrl="http://c/" />
</outline>
<outline title="D" htmlUrl="http://d/" />)"));
    EXPECT_EQ(list.m_strTitle, "T");
    EXPECT_EQ(Entries(), (std::vector<std::string>{
                             "News|A|http://a/|http://a/rss|rss", "News|B||http://b/rss|",
                             "Subscriptions|C|http://c/||", "|D|http://d/||"}));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(OpmlReading, UsesOnlyTheNearestFolderOfNestedFolders) {
    ASSERT_TRUE(ReadBody(R"(<outline title="A"><outline title="B">
<outline title="e" xmlUrl="http://e/" /></outline></outline>)"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"B|e||http://e/|"});
}

TEST_F(OpmlReading, FallsBackToTextForFoldersButNotForEntries) {
    ASSERT_TRUE(ReadBody(R"(<outline text="Folder">
<outline text="only text" xmlUrl="http://x/" />
<outline text="ignored" title="" xmlUrl="http://y/" />
</outline><outline title="Titled" text="Texted"><outline xmlUrl="http://z/"/></outline>)"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Folder|||http://x/|", "Folder|||http://y/|",
                                                   "Titled|||http://z/|"}));
}

TEST_F(OpmlReading, TreatsAnElementWithAnyContentAsAFolder) {
    // A line break between start and end tag makes a folder, whose own addresses are not read;
    // an element with its end tag right after the start tag is an entry.
    ASSERT_TRUE(ReadBody(R"(<outline title="F" xmlUrl="http://folder/">
</outline><outline title="E" xmlUrl="http://entry/"></outline><outline title="G" xmlUrl="http://g/"><!-- c --></outline>)"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"|E||http://entry/|"});
}

TEST_F(OpmlReading, AcceptsElementsOfAnyName) {
    ASSERT_TRUE(ReadBody(R"(<group title="G"><site title="s" htmlUrl="http://s/"/></group>)"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"G|s|http://s/||"});
}

TEST_F(OpmlReading, SkipsEntriesWithoutAnyAddress) {
    ASSERT_TRUE(ReadBody(R"(<outline title="none" type="rss"/><outline title="x" xmlUrl=""/>
<outline title="kept" htmlUrl="http://k/"/>)"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"|kept|http://k/||"});
}

TEST_F(OpmlReading, GivesEntriesDirectlyInTheBodyTheBodysTitle) {
    ASSERT_TRUE(ReadText(R"(<opml><body title="Top"><outline xmlUrl="http://a/"/></body></opml>)"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"Top|||http://a/|"});
    EXPECT_EQ(list.m_strTitle, "Morva OPML");
}

TEST_F(OpmlReading, TakesTheFirstTitleBelowTheFirstHead) {
    ASSERT_TRUE(ReadText(R"(<opml><head><x><title>Deep</title></x><title>Later</title></head>
<head><title>Second</title></head><body/></opml>)"));
    EXPECT_EQ(list.m_strTitle, "Deep");
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(OpmlReading, KeepsTheDefaultTitleWithoutHeadOrTitle) {
    list.m_strTitle = "Old";
    ASSERT_TRUE(ReadText("<opml><head></head><body></body></opml>"));
    EXPECT_EQ(list.m_strTitle, "Morva OPML");
}

TEST_F(OpmlReading, DecodesReferencesInValuesAndTitle) {
    ASSERT_TRUE(ReadBody(
        R"(<outline title="R&amp;D &lt;1&gt;"><outline title="&quot;Q&quot; &apos;s&apos; &#x3042;&#12356;" htmlUrl="http://x/?a=1&amp;b=2" xmlUrl="http://x/?a=1&b=2&nbsp;" type="&#x1F600;"/></outline>)",
        "<title>A &amp; B<![CDATA[ &amp; ]]></title>"));
    EXPECT_EQ(list.m_strTitle, "A & B &amp; ");
    ASSERT_EQ(list.GetCount(), 1);
    const COpmlItem& e = *list.GetAt(0);
    EXPECT_EQ(e.m_strCategory, "R&D <1>");
    EXPECT_EQ(e.m_strTitle, Sjis("\"Q\" 's' あい"));
    EXPECT_EQ(e.m_strHtmlUrl, "http://x/?a=1&b=2");
    EXPECT_EQ(e.m_strXmlUrl, "http://x/?a=1&b=2&nbsp;");  // no references: read as written
    EXPECT_EQ(e.m_strType, "&#x1F600;");                  // not in the code page: kept
}

TEST_F(OpmlReading, ConvertsUtf8FilesAndReadsShiftJisFilesAsTheyAre) {
    ASSERT_TRUE(list.ReadOpml(test::DataPath("subscriptions/japanese_utf8.opml")));
    EXPECT_EQ(list.m_strTitle, Sjis("購読リスト"));
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{
                  Sjis("ニュース|朝日 & 毎日|http://example.jp/|http://example.jp/rss?a=1&b=2|rss"),
                  Sjis("ニュース|技術ブログ||http://example.jp/tech.rdf|")}));

    ASSERT_TRUE(list.ReadOpml(test::DataPath("subscriptions/sjis.opml")));
    EXPECT_EQ(list.m_strTitle, Sjis("表示テスト"));
    EXPECT_EQ(Entries(),
              std::vector<std::string>{Sjis("ソフト|能力開発|http://example.jp/nouryoku||")});
}

TEST_F(OpmlReading, ReplacesTheEntriesAndKeepsTheSortSettings) {
    list.Add(std::make_unique<COpmlItem>());
    list.m_nSortKey = 0;
    list.m_bDescending = true;
    ASSERT_TRUE(ReadBody(R"(<outline title="a" xmlUrl="http://a/"/>)"));
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.m_nSortKey, 0);
    EXPECT_TRUE(list.m_bDescending);
}

class OpmlFailedReading : public OpmlReading {
  protected:
    void SetUp() override {
        list.m_strTitle = "Before";
        auto item = std::make_unique<COpmlItem>();
        item->m_strTitle = "kept";
        item->m_strXmlUrl = "http://kept/";
        kept = item.get();
        list.Add(std::move(item));
    }
    void ExpectUnchanged() const {
        EXPECT_EQ(list.m_strTitle, "Before");
        ASSERT_EQ(list.GetCount(), 1);
        EXPECT_EQ(list.GetAt(0), kept);
        EXPECT_EQ(kept->m_strTitle, "kept");
    }
    const COpmlItem* kept = nullptr;
};

TEST_F(OpmlFailedReading, RefusesARootOtherThanLowerCaseOpml) {
    EXPECT_FALSE(
        ReadText(R"(<OPML version="1.0"><body><outline xmlUrl="http://x/"/></body></OPML>)"));
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"OPMLファイルではありません"});
    ExpectUnchanged();
    EXPECT_FALSE(ReadText(R"(<rss><channel><title>x</title></channel></rss>)"));
    EXPECT_EQ(messages.Messages().size(), 2u);
    ExpectUnchanged();
}

TEST_F(OpmlFailedReading, FailsWithoutMessageWhenTheBodyIsMissing) {
    EXPECT_FALSE(
        ReadText(R"(<opml><head><title>New</title></head><outline xmlUrl="http://x/"/></opml>)"));
    EXPECT_TRUE(messages.Messages().empty());
    ExpectUnchanged();
}

TEST_F(OpmlFailedReading, ReportsAFileThatCannotBeRead) {
    EXPECT_FALSE(list.ReadOpml(dir.File("missing.opml")));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0],
              "ファイルのオープンに失敗しました:" + dir.File("missing.opml"));
    ExpectUnchanged();
}

TEST_F(OpmlFailedReading, JudgesTextThatIsNotXml) {
    EXPECT_FALSE(ReadText(""));
    EXPECT_FALSE(ReadText("just some words"));
    EXPECT_FALSE(ReadText("<opml"));
    ExpectUnchanged();
}

TEST(OpmlCorpus, ReadsABloglinesExport) {
    const std::string path = test::CorpusPath("rome/rome-opml/src/test/resources/opml_1.0.xml");
    if (path.empty()) GTEST_SKIP() << "corpus absent";
    COpmlFile list;
    ASSERT_TRUE(list.ReadOpml(path));
    EXPECT_EQ(list.m_strTitle, "Bloglines Subscriptions");
    ASSERT_EQ(list.GetCount(), 11);
    EXPECT_EQ(list.GetAt(0)->m_strCategory, "Subscriptions");
    EXPECT_EQ(list.GetAt(0)->m_strTitle, "Bloglines | News");
    EXPECT_EQ(list.GetAt(4)->m_strCategory, "nerdy");
    EXPECT_EQ(list.GetAt(4)->m_strXmlUrl, "http://www.theregister.co.uk/feeds/latest.rdf");
    std::vector<Text> categories;
    list.GetCategories(categories);
    EXPECT_EQ(categories, (std::vector<Text>{"Subscriptions", "nerdy"}));
}

TEST(OpmlCorpus, ReadsNestedGroupingsWithTextOnly) {
    const std::string path =
        test::CorpusPath("listparser/tests/files/opml/categories/hier-2-nested.xml");
    if (path.empty()) GTEST_SKIP() << "corpus absent";
    COpmlFile list;
    ASSERT_TRUE(list.ReadOpml(path));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->m_strCategory, "grouping2");
    EXPECT_EQ(list.GetAt(0)->m_strTitle, "");
    EXPECT_EQ(list.GetAt(0)->m_strXmlUrl, "http://domain/feed");
}

}  // namespace
}  // namespace varlo
