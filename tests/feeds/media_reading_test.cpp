#include "feeds/media_reading.h"

#include <gtest/gtest.h>

#include "feed_fixture.h"
#include "feeds/display_form.h"

namespace varlo {
namespace {

using test::ReadFeedText;

TEST(MediaReading, AnRssItemCarriesItsEnclosuresAndItsMediaRssFiles) {
    CRssFile feed;
    ReadFeedText(feed, R"(<rss xmlns:media="http://search.yahoo.com/mrss/"><channel>
<item><title>ep</title><enclosure url=" http://x/a.mp3?a=1&amp;b=2 " type="audio/mpeg"
 length="1234"/><enclosure url="b.ogg" length="12 MB"/>
<media:group><media:content url="http://x/v.mp4" type="video/mp4" fileSize="99"/>
<media:thumbnail url="http://x/t.jpg"/><media:description>Watch &amp;amp; see</media:description>
</media:group><itunes:summary>not this</itunes:summary></item>
<item><title>plain</title><itunes:summary>Summary</itunes:summary>
<source><enclosure url="http://other/x.mp3"/></source></item>
</channel></rss>)");
    ASSERT_EQ(feed.GetSize(), 2);
    const CRssItem& ep = *feed.GetAt(0);
    ASSERT_EQ(ep.Enclosures().size(), 2u);
    EXPECT_EQ(ep.Enclosures()[0].type, "audio/mpeg");
    EXPECT_EQ(ep.Enclosures()[0].length, 1234);
    // Addresses open as links do: decoded, trimmed, relative ones resolved.
    EXPECT_EQ(DisplayLinkOf(feed, ep.Enclosures()[0]), "http://x/a.mp3?a=1&b=2");
    feed.m_strAddress = "https://example.jp/feed/rss";
    EXPECT_EQ(DisplayLinkOf(feed, ep.Enclosures()[1]), "https://example.jp/feed/b.ogg");
    // A size that is no number of bytes is no size.
    EXPECT_EQ(ep.Enclosures()[1].length, 0);
    EXPECT_EQ(ep.Enclosures()[1].type, "");
    ASSERT_EQ(ep.Media().size(), 2u);
    EXPECT_EQ(ep.Media()[0].url, "http://x/v.mp4");
    EXPECT_EQ(ep.Media()[0].length, 99);
    EXPECT_FALSE(ep.Media()[0].thumbnail);
    EXPECT_TRUE(ep.Media()[1].thumbnail);
    EXPECT_EQ(ep.MediaDescription(), "Watch &amp;amp; see");
    // Without a Media RSS description, the iTunes summary; enclosures of other elements are not
    // the item's.
    EXPECT_EQ(feed.GetAt(1)->MediaDescription(), "Summary");
    EXPECT_TRUE(feed.GetAt(1)->Enclosures().empty());
}

TEST(MediaReading, AnAtomEntryCarriesItsEnclosureLinksAndYouTubesMediaGroup) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed xmlns="http://www.w3.org/2005/Atom"
 xmlns:media="http://search.yahoo.com/mrss/"><entry xml:base="http://x/dir/"><title>v</title>
<link rel="alternate" href="http://x/watch"/><link rel="enclosure" href="ep.mp3"
 type="audio/mpeg" length="5"/>
<media:group><media:title>v</media:title><media:content url="http://x/v" type="application/x-shockwave-flash"/>
<media:thumbnail url="http://x/0.jpg"/><media:description>Only text</media:description></media:group>
</entry></feed>)");
    ASSERT_EQ(feed.GetSize(), 1);
    const CRssItem& entry = *feed.GetAt(0);
    ASSERT_EQ(entry.Enclosures().size(), 1u);
    EXPECT_EQ(DisplayLinkOf(feed, entry.Enclosures()[0]), "http://x/dir/ep.mp3");
    EXPECT_EQ(entry.Enclosures()[0].length, 5);
    EXPECT_EQ(entry.Media().size(), 2u);
    EXPECT_EQ(entry.MediaDescription(), "Only text");
    EXPECT_TRUE(entry.m_strDescription.empty());
}

}  // namespace
}  // namespace varlo
