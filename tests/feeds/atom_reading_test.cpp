#include <gtest/gtest.h>

#include "feed_fixture.h"
#include "feeds/display_form.h"
#include "feeds/rss_file.h"

namespace varlo {
namespace {

using test::ReadFeedText;

constexpr TimeValue kJan1 = 1072915200;  // 2004-01-01T00:00:00Z
constexpr TimeValue kJan2 = 1073001600;  // 2004-01-02T00:00:00Z

TEST(AtomReading, ChoosesTheReaderByTheVersionAttribute) {
    CRssFile feed;
    EXPECT_EQ(ReadFeedText(feed, "<feed version=\"0.3\"><tagline>T3</tagline></feed>"), 1);
    EXPECT_EQ(feed.m_nFormat, kFormatAtom03);
    EXPECT_EQ(feed.m_strDescription, "T3");
    feed.Clear();
    EXPECT_EQ(ReadFeedText(feed,
                           "<feed version=\"1.0\"><subtitle>S</subtitle>"
                           "<tagline>T</tagline></feed>"),
              1);
    EXPECT_EQ(feed.m_nFormat, kFormatAtom10);
    EXPECT_EQ(feed.m_strDescription, "S");
    EXPECT_EQ(ReadFeedText(feed, "<feed><channel><item/></channel></feed>", "x.atom"), 1);
    EXPECT_EQ(feed.m_nFormat, kFormatAtom10);
    EXPECT_EQ(feed.m_strAtomFileName, "x.atom");
    EXPECT_EQ(feed.m_strRssFileName, "index.rdf");
    EXPECT_EQ(feed.GetSize(), 0);
}

TEST(AtomReading, TakesTheFirstAlternateOrUnmarkedLinkAsTheFeedLink) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed><link rel="self" href="http://s/feed"/>
<link rel="alternate" href="http://s/"/><link href="http://s/other"/></feed>)");
    EXPECT_EQ(feed.m_strLink, "http://s/");
}

TEST(AtomReading, NeverTakesTheFeedLinkFromAnEntry) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed><link rel="self" href="http://s/feed"/>
<entry><link rel="edit" href="http://s/edit"/><link href="http://s/1"/></entry></feed>)");
    EXPECT_EQ(feed.m_strLink, "");
    ASSERT_EQ(feed.GetSize(), 1);
    EXPECT_EQ(feed.GetAt(0)->m_strLink, "http://s/1");
}

TEST(AtomReading, KeepsTheFeedLinkWhenNoLinkQualifies) {
    CRssFile feed;
    feed.m_strLink = "before";
    ReadFeedText(feed, R"(<feed><link rel="self" href="http://s/feed"/><link rel="Alternate"
href="http://s/"/></feed>)");
    EXPECT_EQ(feed.m_strLink, "before");
}

TEST(AtomReading, GivesAnEntryItsFirstAlternateOrUnmarkedLinkAndNoOther) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed><entry><link rel="enclosure" href="http://s/a.mp3"/>
<link rel="alternate" href="http://s/1"/><link href="http://s/2"/></entry>
<entry><link rel="edit" href="http://s/edit"/><link rel="replies" href="http://s/r"/>
<link rel="self" href="http://s/self"/><link rel="service.edit" href="http://s/s"/></entry>
<entry><source><link href="http://other/"/></source></entry></feed>)");
    ASSERT_EQ(feed.GetSize(), 3);
    EXPECT_EQ(feed.GetAt(0)->m_strLink, "http://s/1");
    EXPECT_EQ(feed.GetAt(1)->m_strLink, "");
    EXPECT_EQ(feed.GetAt(2)->m_strLink, "");
}

TEST(AtomReading, ReadsPublishedAndUpdatedIntoTheirOwnDates) {
    CRssFile feed;
    test::ReadingTime clock;
    ReadFeedText(feed, R"(<feed>
<entry><published>2004-01-01T00:00:00Z</published><updated>2004-01-02T00:00:00Z</updated></entry>
<entry><published>2004-01-01T00:00:00Z</published></entry>
<entry><title>none</title></entry>
<entry><published>never</published><updated>2004-01-02T00:00:00Z</updated></entry>
</feed>)");
    clock.Stop();
    ASSERT_EQ(feed.GetSize(), 4);
    EXPECT_EQ(feed.GetAt(0)->m_timePublished, kJan1);
    EXPECT_EQ(feed.GetAt(0)->m_timeUpdated, kJan2);
    EXPECT_EQ(feed.GetAt(1)->m_timePublished, kJan1);
    EXPECT_EQ(feed.GetAt(1)->m_timeUpdated, kJan1);
    EXPECT_TRUE(clock.Contains(feed.GetAt(2)->m_timePublished));
    EXPECT_EQ(feed.GetAt(2)->m_timeUpdated, feed.GetAt(2)->m_timePublished);
    EXPECT_TRUE(clock.Contains(feed.GetAt(3)->m_timePublished));
    EXPECT_EQ(feed.GetAt(3)->m_timeUpdated, kJan2);
}

TEST(AtomReading, ReadsAtom03IssuedModifiedAndDcSubject) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed version="0.3"><title>F</title>
<link rel="service.post" href="http://s/post"/><link rel="alternate" href="http://s/"/>
<entry><issued>2004-01-01T00:00:00Z</issued><modified>2004-01-02T00:00:00Z</modified>
<published>2005-01-01T00:00:00Z</published><dc:subject>S</dc:subject><category>C</category>
<summary>Sum</summary><content mode="escaped">&lt;b&gt;</content></entry></feed>)");
    EXPECT_EQ(feed.m_strLink, "http://s/");
    ASSERT_EQ(feed.GetSize(), 1);
    const CRssItem& item = *feed.GetAt(0);
    EXPECT_EQ(item.m_timePublished, kJan1);
    EXPECT_EQ(item.m_timeUpdated, kJan2);
    EXPECT_EQ(item.m_strCategory, "S");
    EXPECT_EQ(item.m_strDescription, "Sum");
    EXPECT_EQ(item.m_strContent, "&lt;b&gt;");
}

TEST(AtomReading, NeverTakesTheFeedsTitleOrSubtitleFromAnEntry) {
    CRssFile feed;
    ReadFeedText(feed,
                 "<feed><entry><title>E1</title><subtitle>S1</subtitle></entry>"
                 "<entry><title>E2</title></entry><title>F</title></feed>");
    EXPECT_EQ(feed.m_strTitle, "F");
    EXPECT_EQ(feed.m_strDescription, "");
    EXPECT_EQ(feed.GetAt(1)->GetTitle(), "E2");
    feed.Clear();
    ReadFeedText(
        feed, "<feed version=\"0.3\"><entry><title>E</title><tagline>T</tagline></entry></feed>");
    EXPECT_EQ(feed.m_strTitle, "");
    EXPECT_EQ(feed.m_strDescription, "");
}

TEST(AtomReading, ReadsAnEntrysOwnElementsNeverThoseOfItsSource) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed><entry><source><title>Src</title><id>src-id</id>
<updated>2004-01-02T00:00:00Z</updated><link href="http://src/"/><subtitle>S</subtitle></source>
<id>own</id><published>2004-01-01T00:00:00Z</published></entry></feed>)");
    ASSERT_EQ(feed.GetSize(), 1);
    const CRssItem& item = *feed.GetAt(0);
    EXPECT_EQ(item.m_strTitle, "");
    EXPECT_EQ(item.m_strGuid, "own");
    EXPECT_EQ(item.m_strLink, "");
    EXPECT_EQ(item.m_timeUpdated, kJan1);
}

TEST(AtomReading, ReadsTheCategoryTextNotItsTerm) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed><entry><category term="t"/></entry>
<entry><category term="t">label</category></entry></feed>)");
    ASSERT_EQ(feed.GetSize(), 2);
    EXPECT_EQ(feed.GetAt(0)->m_strCategory, "");
    EXPECT_EQ(feed.GetAt(1)->m_strCategory, "label");
}

TEST(AtomReading, KnowsHowEachTitleIsWritten) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed><title type="html">F &amp;amp; G</title>
<entry><title>&amp;lt;</title></entry><entry><title type="html">&amp;lt;</title></entry>
<entry><title type="xhtml"><div xmlns="http://www.w3.org/1999/xhtml">a <b>b</b></div></title>
</entry></feed>)");
    ASSERT_EQ(feed.GetSize(), 3);
    EXPECT_EQ(feed.m_nTitleKind, kKindHtml);
    EXPECT_EQ(DisplayTitle(feed.m_strTitle, feed.m_nTitleKind), "F & G");
    EXPECT_EQ(DisplayTitle(feed.GetAt(0)->m_strTitle, feed.GetAt(0)->m_nTitleKind), "&lt;");
    EXPECT_EQ(DisplayTitle(feed.GetAt(1)->m_strTitle, feed.GetAt(1)->m_nTitleKind), "<");
    EXPECT_EQ(feed.GetAt(2)->m_nTitleKind, kKindXhtml);
    EXPECT_EQ(DisplayTitle(feed.GetAt(2)->m_strTitle, feed.GetAt(2)->m_nTitleKind), "a b");
    // Reading another file starts again from HTML, the kind of every RSS title.
    feed.Clear();
    EXPECT_EQ(feed.m_nTitleKind, kKindHtml);
}

TEST(AtomReading, FlattensXhtmlContentToItsText) {
    CRssFile feed;
    ReadFeedText(feed,
                 R"(<feed><entry><content type="xhtml"><div xmlns="http://www.w3.org/1999/xhtml">
<p>Hello <b>bold</b> world</p></div></content></entry></feed>)");
    ASSERT_EQ(feed.GetSize(), 1);
    EXPECT_EQ(feed.GetAt(0)->m_strContent, "\nHello bold world");
}

TEST(AtomReading, TakesTheAuthorFromTheFirstNameAnywhereOnlyWhenAnAuthorExists) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed><contributor><name>C</name></contributor>
<author><email>a@b</email></author><entry><author><name>E</name></author></entry></feed>)");
    EXPECT_EQ(feed.m_strAuthor, "C");
    feed.Clear();
    ReadFeedText(feed, "<feed><author><email>a@b</email></author></feed>");
    EXPECT_TRUE(feed.m_strAuthor.empty());
    ReadFeedText(feed, "<feed><contributor><name>C</name></contributor></feed>");
    EXPECT_TRUE(feed.m_strAuthor.empty());
}

TEST(AtomReading, TakesTheFirstEntryIdWhenTheFeedHasNone) {
    CRssFile feed;
    ReadFeedText(feed, "<feed><entry><id>urn:e1</id></entry></feed>");
    EXPECT_EQ(feed.m_strId, "urn:e1");
    feed.Clear();
    ReadFeedText(feed, "<feed version=\"0.3\"><id>urn:f</id></feed>");
    EXPECT_TRUE(feed.m_strId.empty());
}

TEST(AtomReading, ReadsAFeedWithoutEntriesAsAnEmptyFeed) {
    CRssFile feed;
    EXPECT_EQ(ReadFeedText(feed, "<feed xmlns=\"http://www.w3.org/2005/Atom\"/>"), 1);
    EXPECT_EQ(feed.GetSize(), 0);
}

}  // namespace
}  // namespace varlo
