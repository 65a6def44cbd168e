#include "feeds/rss_file.h"

#include <gtest/gtest.h>

#include "feed_fixture.h"

namespace varlo {
namespace {

using test::ReadFeedText;
using test::Sjis;

// Counts destructions, so that ownership mistakes show up as wrong counts.
struct CountedItem : CRssItem {
    explicit CountedItem(int& deaths) : CRssItem(1), m_deaths(deaths) {}
    ~CountedItem() override { ++m_deaths; }
    int& m_deaths;
};

TEST(FeedModel, StartsEmptyWithTheDefaultFileNames) {
    CRssFile feed;
    EXPECT_EQ(feed.GetSize(), 0);
    EXPECT_EQ(feed.GetAt(0), nullptr);
    EXPECT_EQ(feed.m_strRssFileName, "index.rdf");
    EXPECT_EQ(feed.m_strAtomFileName, "atom.xml");
    EXPECT_TRUE(feed.m_strTitle.empty());
    EXPECT_TRUE(feed.m_strFolder.empty());
}

TEST(FeedModel, DeletesEachArticleExactlyOnceOnClearAndDestruction) {
    int deaths = 0;
    {
        CRssFile feed;
        for (int i = 0; i < 3; ++i) feed.Add(std::make_unique<CountedItem>(deaths));
        EXPECT_EQ(feed.Add(nullptr), -1);
        EXPECT_EQ(feed.GetSize(), 3);
        feed.Clear();
        EXPECT_EQ(deaths, 3);
        EXPECT_EQ(feed.GetSize(), 0);
        feed.Add(std::make_unique<CountedItem>(deaths));
    }
    EXPECT_EQ(deaths, 4);
}

TEST(FeedModel, ClearResetsTheTextsAndFileNamesButKeepsTheFormat) {
    CRssFile feed;
    ASSERT_EQ(ReadFeedText(feed,
                           "<feed><title>T</title><id>i</id><author><name>N</name></author>"
                           "<entry/></feed>",
                           "a.xml"),
              1);
    feed.Clear();
    EXPECT_EQ(feed.GetSize(), 0);
    EXPECT_TRUE(feed.m_strTitle.empty());
    EXPECT_TRUE(feed.m_strAuthor.empty());
    EXPECT_TRUE(feed.m_strId.empty());
    EXPECT_TRUE(feed.m_strFolder.empty());
    EXPECT_EQ(feed.m_strAtomFileName, "atom.xml");
    EXPECT_EQ(feed.m_nFormat, kFormatAtom10);
}

constexpr const char* kRss2 = R"(<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel>
<title>Channel</title><link>http://example.com/</link><description>About</description>
<item><title>One</title><link>http://example.com/1</link><description>First</description>
<category>news</category><pubDate>Sat, 07 Sep 2002 00:00:01 GMT</pubDate></item>
<item><title>Two</title><link>http://example.com/2</link>
<content:encoded><![CDATA[<p>Full</p>]]></content:encoded></item>
<item><title>Three</title></item>
</channel></rss>)";

TEST(RssReading, ReadsTheChannelAndItsItemsInFileOrder) {
    CRssFile feed;
    EXPECT_EQ(ReadFeedText(feed, kRss2), 1);
    EXPECT_EQ(feed.m_nFormat, kFormatRss);
    EXPECT_EQ(feed.m_strTitle, "Channel");
    EXPECT_EQ(feed.m_strLink, "http://example.com/");
    EXPECT_EQ(feed.m_strDescription, "About");
    ASSERT_EQ(feed.GetSize(), 3);
    EXPECT_EQ(feed.GetAt(0)->GetTitle(), "One");
    EXPECT_EQ(feed.GetAt(0)->m_strLink, "http://example.com/1");
    EXPECT_EQ(feed.GetAt(0)->m_strDescription, "First");
    EXPECT_EQ(feed.GetAt(0)->m_strCategory, "news");
    EXPECT_EQ(feed.GetAt(0)->m_timeUpdated, 1031356801);
    EXPECT_EQ(feed.GetAt(1)->m_strContent, "<p>Full</p>");
    EXPECT_EQ(feed.GetAt(2)->GetTitle(), "Three");
    EXPECT_TRUE(feed.GetAt(2)->m_strLink.empty());
}

TEST(RssReading, TakesTheChannelsOwnTextsNeverTheImagesOrAnItems) {
    CRssFile feed;
    ReadFeedText(feed,
                 "<rss><channel><image><title>Logo</title><link>http://img/</link></image>"
                 "<title>Channel</title><item><title>A</title><link>http://a/</link>"
                 "<description>D</description></item></channel></rss>");
    EXPECT_EQ(feed.m_strTitle, "Channel");
    EXPECT_EQ(feed.m_strLink, "");
    EXPECT_EQ(feed.m_strDescription, "");
    feed.Clear();
    ReadFeedText(feed, "<rss><channel><item><title>A</title></item></channel></rss>");
    EXPECT_EQ(feed.m_strTitle, "");
}

TEST(RssReading, ReadsItemsNestedInItemsAsArticlesOfTheirOwn) {
    CRssFile feed;
    ReadFeedText(feed,
                 "<rss><channel><item><item><title>B</title></item><title>A</title></item>"
                 "</channel></rss>");
    ASSERT_EQ(feed.GetSize(), 2);
    EXPECT_EQ(feed.GetAt(0)->GetTitle(), "B");
    EXPECT_EQ(feed.GetAt(1)->GetTitle(), "B");
}

TEST(RssReading, GivesRdfItemsWithoutALinkTheChannelsAbout) {
    CRssFile feed;
    EXPECT_EQ(ReadFeedText(feed, R"(<rdf:RDF><channel rdf:about="http://site/rss">
<title>S</title></channel>
<item rdf:about="http://site/1"><title>A</title></item>
<item><title>B</title><link>http://site/2</link></item></rdf:RDF>)"),
              1);
    EXPECT_EQ(feed.m_nFormat, kFormatRdf);
    ASSERT_EQ(feed.GetSize(), 2);
    EXPECT_EQ(feed.GetAt(0)->m_strLink, "http://site/rss");
    EXPECT_EQ(feed.GetAt(1)->m_strLink, "http://site/2");
}

TEST(RssReading, ReadsRdfDatesAndSubjectsFromTheDcElementsOnly) {
    CRssFile feed;
    test::ReadingTime clock;
    ReadFeedText(feed, R"(<rdf:RDF><channel/>
<item><dc:date>2004-01-02T03:04:05Z</dc:date><dc:subject>tech</dc:subject>
<category>ignored</category></item>
<item><pubDate>Sat, 07 Sep 2002 00:00:01 GMT</pubDate></item>
<item><DC:date>2004-01-02T03:04:05Z</DC:date></item>
<item><dcterms:date>2004-01-02T03:04:05Z</dcterms:date></item></rdf:RDF>)");
    clock.Stop();
    ASSERT_EQ(feed.GetSize(), 4);
    EXPECT_EQ(feed.GetAt(0)->m_timeUpdated, 1073012645);
    EXPECT_EQ(feed.GetAt(0)->m_strCategory, "tech");
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(clock.Contains(feed.GetAt(i)->m_timeUpdated)) << i;
        EXPECT_TRUE(clock.Contains(feed.GetAt(i)->m_timePublished)) << i;
    }
}

TEST(RssReading, FallsBackToDcDateOnlyWhenAnRssItemHasNoPubDate) {
    CRssFile feed;
    test::ReadingTime clock;
    ReadFeedText(feed, R"(<rss><channel>
<item><dc:date>2004-01-02T03:04:05Z</dc:date></item>
<item><pubDate>someday</pubDate><dc:date>2004-01-02T03:04:05Z</dc:date></item>
<item><dc:subject>s</dc:subject></item></channel></rss>)");
    clock.Stop();
    ASSERT_EQ(feed.GetSize(), 3);
    EXPECT_EQ(feed.GetAt(0)->m_timeUpdated, 1073012645);
    EXPECT_TRUE(clock.Contains(feed.GetAt(0)->m_timePublished));
    EXPECT_TRUE(clock.Contains(feed.GetAt(1)->m_timeUpdated));
    EXPECT_TRUE(feed.GetAt(2)->m_strCategory.empty());
}

TEST(RssReading, DatesAnItemWithoutRssDatesByItsAtomDates) {
    CRssFile feed;
    test::ReadingTime clock;
    ReadFeedText(feed, R"(<rss><channel>
<item><a10:updated>2004-01-02T03:04:05Z</a10:updated></item>
<item><atom:updated>2004-01-02T03:04:05Z</atom:updated><atom:published>2003-01-02T03:04:05Z</atom:published></item>
<item><atom:published>later</atom:published><atom:updated>2004-01-02T03:04:05+09:00</atom:updated></item>
<item><pubDate>Fri, 02 Jan 2004 03:04:05 GMT</pubDate><atom:updated>2009-01-01T00:00:00Z</atom:updated></item>
<item><dc:date>2004-01-02T03:04:05Z</dc:date><a10:updated>2009-01-01T00:00:00Z</a10:updated></item>
<item><pubDate>someday</pubDate><atom:updated>2009-01-01T00:00:00Z</atom:updated></item>
</channel></rss>)");
    clock.Stop();
    ASSERT_EQ(feed.GetSize(), 6);
    EXPECT_EQ(feed.GetAt(0)->m_timeUpdated, 1073012645);
    EXPECT_EQ(feed.GetAt(1)->m_timeUpdated, 1041476645);
    EXPECT_EQ(feed.GetAt(2)->m_timeUpdated, 1073012645 - 9 * 3600);
    EXPECT_EQ(feed.GetAt(3)->m_timeUpdated, 1073012645);
    EXPECT_EQ(feed.GetAt(4)->m_timeUpdated, 1073012645);
    // An unreadable pubDate keeps the time of reading, as before.
    EXPECT_TRUE(clock.Contains(feed.GetAt(5)->m_timeUpdated));
}

TEST(RssReading, FindsTheFeedBehindWarningsPrintedBeforeIt) {
    // PHP's warnings come as HTML before the XML declaration; the declared encoding still counts.
    CRssFile rss;
    EXPECT_EQ(ReadFeedText(rss,
                           "<br />\n<b>Warning</b>:  Cannot modify header information in "
                           "<b>/x.php</b> on line <b>2</b><br />\n"
                           "<?xml version=\"1.0\" encoding=\"EUC-JP\"?>\n"
                           "<rss version=\"2.0\"><channel><title>\xC6\xFC</title>"
                           "<item><title>One</title></item><item/></channel></rss>"),
              1);
    EXPECT_EQ(rss.m_nFormat, kFormatRss);
    EXPECT_EQ(rss.m_strTitle, Sjis("日"));
    EXPECT_EQ(rss.GetSize(), 2);
    CRssFile atom;
    ReadFeedText(atom,
                 "<b>Notice</b><feed\nxmlns=\"http://www.w3.org/2005/Atom\"><title>A</title>"
                 "<entry><title>E</title></entry></feed>");
    EXPECT_EQ(atom.m_nFormat, kFormatAtom10);
    EXPECT_EQ(atom.m_strTitle, "A");
    EXPECT_EQ(atom.GetSize(), 1);
    // Words that only begin like a feed's root are no root; without one the file stays no feed.
    CRssFile none;
    EXPECT_EQ(
        ReadFeedText(none, "<html><p>&lt;rss is <rssfeed>x</rssfeed> <feeds></feeds></p></html>"),
        0);
    EXPECT_EQ(none.GetSize(), 0);
}

TEST(RssReading, TakesDublinCoreAndMediaTitlesOnlyWhereThereIsNoTitle) {
    CRssFile feed;
    ReadFeedText(feed, R"(<rss><channel><dc:title>Channel</dc:title>
<item><media:group><media:title>M1</media:title></media:group><dc:title>D1</dc:title></item>
<item><media:title>M2</media:title></item>
<item><dc:title>D3</dc:title><title>T3</title></item>
<item><itunes:title>I4</itunes:title></item></channel></rss>)");
    EXPECT_EQ(feed.m_strTitle, "Channel");
    ASSERT_EQ(feed.GetSize(), 4);
    EXPECT_EQ(feed.GetAt(0)->GetTitle(), "D1");
    EXPECT_EQ(feed.GetAt(1)->GetTitle(), "M2");
    EXPECT_EQ(feed.GetAt(2)->GetTitle(), "T3");
    EXPECT_EQ(feed.GetAt(3)->GetTitle(), "");
    CRssFile both;
    ReadFeedText(both, "<rss><channel><dc:title>D</dc:title><title>T</title></channel></rss>");
    EXPECT_EQ(both.m_strTitle, "T");
}

TEST(RssReading, KeepsTextsAsWrittenWithCdataAndWithoutComments) {
    CRssFile feed;
    ReadFeedText(feed,
                 "<rss><channel><title>  A &amp; B <!-- note --><![CDATA[<C>]]>\n</title>"
                 "</channel></rss>");
    EXPECT_EQ(feed.m_strTitle, "  A &amp; B <C>\n");
}

TEST(RssReading, ConvertsUtf8TextToTheSystemCodePage) {
    CRssFile feed;
    ReadFeedText(feed,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel>"
                 "<title>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E</title></channel></rss>");
    EXPECT_EQ(feed.m_strTitle, Sjis("日本語"));
}

TEST(RssReading, ReadsAShiftJisFixtureFile) {
    CRssFile feed;
    ASSERT_EQ(feed.ReadRss(test::DataPath("feeds/sjis.rdf")), 1);
    EXPECT_EQ(feed.m_strTitle, Sjis("表示のテスト"));
    ASSERT_EQ(feed.GetSize(), 2);
    EXPECT_EQ(feed.GetAt(1)->GetTitle(), Sjis("ソフト"));
    EXPECT_EQ(feed.GetAt(1)->m_strCategory, Sjis("予定表"));
}

TEST(RssReading, FailsWithoutAChannelButNotesTheFileAndFormat) {
    CRssFile feed;
    test::TempDir dir;
    test::WriteFile(dir.File("page.xml"), "<rss><item><title>A</title></item></rss>");
    EXPECT_EQ(feed.ReadRss(dir.File("page.xml")), 0);
    EXPECT_EQ(feed.GetSize(), 0);
    EXPECT_EQ(feed.m_nFormat, kFormatRss);
    EXPECT_EQ(feed.m_strRssFileName, "page.xml");
    EXPECT_EQ(feed.m_strFolder, dir.Path().string());
    EXPECT_TRUE(feed.m_strTitle.empty());
}

TEST(RssReading, ReadsAFileWithoutMarkupAsAnUnnamedRootWithoutChannel) {
    CRssFile feed;
    EXPECT_EQ(ReadFeedText(feed, "just text", "other.xml"), 0);
    EXPECT_EQ(feed.m_nFormat, kFormatRdf);
    EXPECT_EQ(feed.m_strRssFileName, "other.xml");
    EXPECT_EQ(ReadFeedText(feed, "", "empty.xml"), 0);
    EXPECT_EQ(feed.m_strRssFileName, "empty.xml");
    EXPECT_EQ(feed.GetSize(), 0);
}

TEST(RssReading, ReportsAMissingFileAndLeavesTheFeedUnchanged) {
    test::MessageCapture messages;
    CRssFile feed;
    ReadFeedText(feed, "<feed version=\"0.3\"/>");
    feed.Clear();
    EXPECT_EQ(feed.ReadRss("/nonexistent/folder/down.xml"), 0);
    EXPECT_EQ(feed.m_nFormat, kFormatAtom03);
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(feed.m_strFolder.empty());
    EXPECT_EQ(feed.m_strRssFileName, "index.rdf");
}

TEST(RssReading, SplitsThePathAtTheLastSlash) {
    test::TempDir dir;
    const std::filesystem::path sub = dir.Path() / "\xE6\x97\xA5 b";
    std::filesystem::create_directory(sub);
    test::WriteFile((sub / "down.xml").string(), "<rss><channel/></rss>");
    CRssFile feed;
    EXPECT_EQ(feed.ReadRss((sub / "down.xml").string()), 1);
    EXPECT_EQ(feed.m_strFolder, sub.string());
    EXPECT_EQ(feed.m_strRssFileName, "down.xml");
    EXPECT_EQ(feed.m_strAtomFileName, "atom.xml");
}

TEST(RssReading, KeepsEarlierFeedTextsWhenTheFileLacksThemAndAppendsArticles) {
    CRssFile feed;
    ReadFeedText(feed, kRss2);
    ReadFeedText(feed, "<rss><channel><item><title>Four</title></item></channel></rss>");
    EXPECT_EQ(feed.m_strTitle, "Channel");
    EXPECT_EQ(feed.m_strLink, "http://example.com/");
    EXPECT_EQ(feed.GetSize(), 4);
}

TEST(RssReading, SurvivesMalformedAndDeeplyNestedMarkup) {
    CRssFile feed;
    ReadFeedText(feed, "<rss><channel><item><title>A</item><item><link>x</channel>");
    std::string deep = "<rss><channel>";
    for (int i = 0; i < 20000; ++i) deep += "<item>";
    ReadFeedText(feed, deep);
    ReadFeedText(feed, "<rss><channel><item><![CDATA[never closed");
    SUCCEED();
}

}  // namespace
}  // namespace varlo
