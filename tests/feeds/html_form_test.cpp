#include "feeds/html_form.h"

#include <gtest/gtest.h>

#include <string>

#include "feed_fixture.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::ReadFeedText;
using test::Sjis;

const CRssItem& OnlyItem(const CRssFile& feed) {
    EXPECT_EQ(feed.GetSize(), 1);
    static const CRssItem none;
    return feed.GetSize() > 0 ? *feed.GetAt(0) : none;
}

TEST(HtmlForm, UnescapesRssTextOnceAndTakesCdataAsHtml) {
    CRssFile feed;
    ReadFeedText(feed, R"(<rss><channel><description>&lt;b&gt;site&lt;/b&gt;</description>
<item><description>&lt;p&gt;Hi &amp;amp; bye&lt;br /&gt;&lt;/p&gt;<![CDATA[<p>a &amp; b</p>]]></description>
<content:encoded><![CDATA[<p>full</p>]]>&lt;img src="x.png"&gt;</content:encoded></item>
</channel></rss>)");
    EXPECT_EQ(feed.m_nDescriptionKind, kKindHtml);
    EXPECT_EQ(feed.m_strDescriptionHtml, "<b>site</b>");
    const CRssItem& item = OnlyItem(feed);
    // The designed fields keep the text as written.
    EXPECT_EQ(item.m_strDescription,
              "&lt;p&gt;Hi &amp;amp; bye&lt;br /&gt;&lt;/p&gt;<p>a &amp; b</p>");
    EXPECT_EQ(item.m_nDescriptionKind, kKindHtml);
    EXPECT_EQ(item.DescriptionHtml(), "<p>Hi &amp; bye<br /></p><p>a &amp; b</p>");
    EXPECT_EQ(item.ContentHtml(), "<p>full</p><img src=\"x.png\">");
}

TEST(HtmlForm, KeepsMarkupThatAnRssDescriptionHoldsUnescaped) {
    CRssFile feed;
    ReadFeedText(feed, R"(<rss><channel><item><description>a<p class='c'>b<br/>c</p>
&#x1F600;</description></item></channel></rss>)");
    EXPECT_EQ(OnlyItem(feed).DescriptionHtml(), "a<p class=\"c\">b<br>c</p>\n&#x1F600;");
}

TEST(HtmlForm, ReadsAtomTextHtmlAndXhtmlEachByItsType) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed xmlns="http://www.w3.org/2005/Atom">
<subtitle type="html">&lt;i&gt;sub&lt;/i&gt;</subtitle>
<entry><summary>AT&amp;T &lt;b&gt; "q"</summary>
<content type="xhtml"><div xmlns="http://www.w3.org/1999/xhtml"><p>One &amp; <a href="/x?a=1&amp;b=2">link</a></p><br/><img src="i.png" alt=""/><![CDATA[<not a tag>]]></div></content></entry>
<entry><summary type="html"><![CDATA[<p>c</p>]]></summary>
<content type="text/plain">line 1
line 2</content></entry>
<entry><content type="xhtml"><xhtml:div xmlns:xhtml="http://www.w3.org/1999/xhtml"><xhtml:p>pre</xhtml:p></xhtml:div></content>
<summary type="application/xhtml+xml"><b>no div</b> text</summary></entry>
</feed>)");
    EXPECT_EQ(feed.m_nDescriptionKind, kKindHtml);
    EXPECT_EQ(feed.m_strDescriptionHtml, "<i>sub</i>");
    ASSERT_EQ(feed.GetSize(), 3);
    const CRssItem& first = *feed.GetAt(0);
    EXPECT_EQ(first.m_nDescriptionKind, kKindText);
    EXPECT_EQ(first.DescriptionHtml(), "AT&amp;T &lt;b&gt; &quot;q&quot;");
    EXPECT_EQ(first.m_nContentKind, kKindXhtml);
    EXPECT_EQ(first.ContentHtml(),
              "<p>One &amp; <a href=\"/x?a=1&amp;b=2\">link</a></p><br><img src=\"i.png\" "
              "alt=\"\">&lt;not a tag&gt;");
    // The designed field is still the text alone.
    EXPECT_EQ(first.m_strContent, "One &amp; link<not a tag>");
    const CRssItem& second = *feed.GetAt(1);
    EXPECT_EQ(second.DescriptionHtml(), "<p>c</p>");
    EXPECT_EQ(second.m_nContentKind, kKindText);
    EXPECT_EQ(second.ContentHtml(), "line 1\nline 2");
    const CRssItem& third = *feed.GetAt(2);
    EXPECT_EQ(third.ContentHtml(), "<p>pre</p>");
    EXPECT_EQ(third.m_nDescriptionKind, kKindXhtml);
    EXPECT_EQ(third.DescriptionHtml(), "<b>no div</b> text");
    EXPECT_STREQ(TextKindName(kKindText), "text");
    EXPECT_STREQ(TextKindName(kKindHtml), "html");
    EXPECT_STREQ(TextKindName(kKindXhtml), "xhtml");
}

TEST(HtmlForm, ReadsAtom03ModesEscapedAndXml) {
    CRssFile feed;
    ReadFeedText(feed, R"(<feed version="0.3">
<tagline type="text/html" mode="escaped">&lt;b&gt;t&lt;/b&gt;</tagline>
<entry><summary>plain &lt;x&gt;</summary>
<content type="text/html" mode="escaped">&lt;p&gt;esc&lt;/p&gt;</content></entry>
<entry><content type="application/xhtml+xml" mode="xml"><div><p>inline</p></div></content>
<summary type="text/html">&lt;p&gt;xml mode is the default&lt;/p&gt;</summary></entry>
<entry><content type="text/plain" mode="base64">PHA+</content></entry>
</feed>)");
    EXPECT_EQ(feed.m_strDescriptionHtml, "<b>t</b>");
    ASSERT_EQ(feed.GetSize(), 3);
    EXPECT_EQ(feed.GetAt(0)->m_nDescriptionKind, kKindText);
    EXPECT_EQ(feed.GetAt(0)->DescriptionHtml(), "plain &lt;x&gt;");
    EXPECT_EQ(feed.GetAt(0)->ContentHtml(), "<p>esc</p>");
    EXPECT_EQ(feed.GetAt(1)->m_nContentKind, kKindXhtml);
    EXPECT_EQ(feed.GetAt(1)->ContentHtml(), "<p>inline</p>");
    // Inline HTML (mode "xml", the default) is markup whether it was escaped or not.
    EXPECT_EQ(feed.GetAt(1)->m_nDescriptionKind, kKindHtml);
    EXPECT_EQ(feed.GetAt(1)->DescriptionHtml(), "<p>xml mode is the default</p>");
    EXPECT_EQ(feed.GetAt(2)->m_nContentKind, kKindText);
}

TEST(ArticleIds, KeepTheGuidOrAtomIdAsWritten) {
    CRssFile rss;
    ReadFeedText(rss, R"(<rss><channel><item><guid isPermaLink="false"> tag:x,1 </guid></item>
<item><title>no guid</title></item></channel></rss>)");
    ASSERT_EQ(rss.GetSize(), 2);
    EXPECT_EQ(rss.GetAt(0)->m_strGuid, " tag:x,1 ");
    EXPECT_EQ(rss.GetAt(1)->m_strGuid, "");
    CRssFile atom;
    ReadFeedText(atom, R"(<feed><id>feed-id</id><entry><source><id>src</id></source>
<id>urn:a&amp;b</id></entry></feed>)");
    EXPECT_EQ(atom.m_strId, "feed-id");
    ASSERT_EQ(atom.GetSize(), 1);
    EXPECT_EQ(atom.GetAt(0)->m_strGuid, "urn:a&amp;b");
}

TEST(RssLinks, FallBackToAPermalinkGuidOnly) {
    CRssFile feed;
    ReadFeedText(feed, R"(<rss><channel><link>http://site/</link>
<item><guid>http://site/1</guid></item>
<item><guid isPermaLink="true">http://site/2</guid></item>
<item><guid isPermaLink="false">http://site/3</guid></item>
<item><link>http://site/4</link><guid>http://site/g4</guid></item>
<item><guid isPermaLink="False">http://site/5</guid></item>
<item><guid ispermalink="FALSE">http://site/6</guid></item>
<item><guid isPermaLink="falsely">http://site/7</guid></item>
</channel></rss>)");
    ASSERT_EQ(feed.GetSize(), 7);
    EXPECT_EQ(feed.GetAt(0)->m_strLink, "http://site/1");
    EXPECT_EQ(feed.GetAt(1)->m_strLink, "http://site/2");
    EXPECT_EQ(feed.GetAt(2)->m_strLink, "");
    EXPECT_EQ(feed.GetAt(3)->m_strLink, "http://site/4");
    // However the attribute and its value are spelt.
    EXPECT_EQ(feed.GetAt(4)->m_strLink, "");
    EXPECT_EQ(feed.GetAt(5)->m_strLink, "");
    EXPECT_EQ(feed.GetAt(6)->m_strLink, "http://site/7");
}

TEST(RssLinks, TakeAnAtomAlternateLinkBeforeTheGuidButNeverBeforeTheirOwnLink) {
    CRssFile feed;
    ReadFeedText(feed, R"(<rss xmlns:atom="http://www.w3.org/2005/Atom"><channel>
<item><atom:link rel="self" href="http://site/self1"/><atom:link href="http://site/1"/></item>
<item><guid>http://site/g2</guid><atom:link rel="alternate" href="http://site/2"/></item>
<item><atom:link rel="replies" href="http://site/r3"/><guid>http://site/g3</guid></item>
<item><atom:link rel="edit" href="http://site/e4"/></item>
<item><atom:link href="http://site/a5"/><link>http://site/5</link></item>
<item><link href="http://site/6"/><guid>http://site/g6</guid></item>
<item><link> </link><guid>http://site/g7</guid></item>
</channel></rss>)");
    ASSERT_EQ(feed.GetSize(), 7);
    EXPECT_EQ(feed.GetAt(0)->m_strLink, "http://site/1");
    EXPECT_EQ(feed.GetAt(1)->m_strLink, "http://site/2");
    EXPECT_EQ(feed.GetAt(2)->m_strLink, "http://site/g3");
    EXPECT_EQ(feed.GetAt(3)->m_strLink, "");
    EXPECT_EQ(feed.GetAt(4)->m_strLink, "http://site/5");
    // A link written as an attribute is the link; an empty one stays empty.
    EXPECT_EQ(feed.GetAt(5)->m_strLink, "http://site/6");
    EXPECT_EQ(feed.GetAt(6)->m_strLink, " ");
}

TEST(ArticleCap, ReadsAtMostTheCapAndSaysSo) {
    std::string xml = "<rss><channel>";
    for (int i = 0; i <= kMaxArticles; ++i) xml += "<item/>";
    xml += "</channel></rss>";
    CRssFile feed;
    EXPECT_EQ(ReadFeedText(feed, xml), 1);
    EXPECT_EQ(feed.GetSize(), kMaxArticles);
    EXPECT_TRUE(feed.m_bArticleCapReached);
    feed.Clear();
    EXPECT_FALSE(feed.m_bArticleCapReached);
    std::string atom = "<feed>";
    for (int i = 0; i <= kMaxArticles; ++i) atom += "<entry/>";
    atom += "</feed>";
    ReadFeedText(feed, atom);
    EXPECT_EQ(feed.GetSize(), kMaxArticles);
    EXPECT_TRUE(feed.m_bArticleCapReached);
    EXPECT_FALSE(feed.m_bTreeLimitReached);
}

TEST(ArticleCap, MarkupBeyondTheReadingLimitsIsNotedAndForgottenByTheNextRead) {
    std::string tag = "<item><title>kept</title><x";
    for (int i = 0; i < 1500; ++i) tag += " a" + std::to_string(i) + "=\"1\"";
    CRssFile feed;
    EXPECT_EQ(ReadFeedText(feed, "<rss><channel>" + tag + "/></item></channel></rss>"), 1);
    EXPECT_TRUE(feed.m_bTreeLimitReached);
    EXPECT_FALSE(feed.m_bArticleCapReached);
    ASSERT_EQ(feed.GetSize(), 1);
    EXPECT_EQ(feed.GetAt(0)->m_strTitle, "kept");
    feed.Clear();
    EXPECT_EQ(ReadFeedText(feed, "<rss><channel><item/></channel></rss>"), 1);
    EXPECT_FALSE(feed.m_bTreeLimitReached);
}

}  // namespace
}  // namespace varlo
