#include "feeds/display_form.h"

#include <gtest/gtest.h>

#include "feed_fixture.h"
#include "feeds/address.h"
#include "feeds/html_elements.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

TEST(DisplayForm, DecodesEachReferenceExactlyOnce) {
    EXPECT_EQ(DecodeReferences("Tom &amp;amp; Jerry"), "Tom &amp; Jerry");
    EXPECT_EQ(DecodeReferences("It&#039;s &quot;x&quot; &apos;y&apos; &lt;&gt;"),
              "It's \"x\" 'y' <>");
    EXPECT_EQ(DecodeReferences("&#x3042;&#12354;&hellip;&rsquo;"), Sjis("ああ…’"));
    // Characters the code page lacks come out in their carried form, whatever the spelling.
    EXPECT_EQ(DecodeReferences("&#128512;&#X1f600;&eacute;&nbsp;"),
              "&#x1F600;&#x1F600;&#xE9;&#xA0;");
    // A carried reference stays itself: decoding it again changes nothing.
    EXPECT_EQ(DecodeReferences("&#x1F600;"), "&#x1F600;");
    // Not references: left as written.
    EXPECT_EQ(DecodeReferences("R&D & co &unknown; &amp &#; &#x; &#12a; &AMP;"),
              "R&D & co &unknown; &amp &#; &#x; &#12a; &AMP;");
    // Hostile numbers never give a control byte or a broken character.
    EXPECT_EQ(DecodeReferences("&#0;&#xD800;&#x110000;&#99999999999999;"),
              "&#xFFFD;&#xFFFD;&#xFFFD;&#xFFFD;");
    // Numbers in the C1 range name the windows-1252 characters, as browsers read them; the
    // unassigned ones stay what they are.
    EXPECT_EQ(DecodeReferences("It&#146;s &#147;x&#148; &#x96; &#133;"), Sjis("It’s “x” – …"));
    EXPECT_EQ(DecodeReferences("&#128;&#159;&#x81;"), "&#x20AC;&#x178;&#x81;");
    // Double-byte characters whose second byte is a letter are not taken apart.
    const Text table = Sjis("表ソ&amp;");
    EXPECT_EQ(DecodeReferences(table), Sjis("表ソ&"));
}

TEST(DisplayForm, ShowsTitlesAsPlainTextOnOneLine) {
    EXPECT_EQ(DisplayText("  <b>Bold</b>\n\t title  "), "Bold title");
    EXPECT_EQ(DisplayText("&lt;em&gt;x&lt;/em&gt; y"), "x y");
    EXPECT_EQ(DisplayText("<![CDATA[no]]>a<!-- c -->b<?pi?>c"), "abc");
    EXPECT_EQ(DisplayText("a < b && c > d"), "a < b && c > d");
    EXPECT_EQ(DisplayText("1 &lt; 2 <unclosed"), "1 < 2 <unclosed");
    EXPECT_EQ(DisplayText("Tom &amp;amp; Jerry"), "Tom &amp; Jerry");
    EXPECT_EQ(DisplayText(Sjis("日本\r\n語")), Sjis("日本 語"));
    EXPECT_EQ(DisplayText(" \n "), "");
    EXPECT_EQ(DisplayText("a <!-- open comment <b>x</b>"), "a x");
}

TEST(DisplayForm, KeepsAngleBracketsAroundWordsThatAreNoMarkup) {
    // Programming titles: type parameters are text, whatever their case or spacing.
    EXPECT_EQ(DisplayText("Option&lt;T&gt; and Vec&lt;String&gt;"), "Option<T> and Vec<String>");
    EXPECT_EQ(DisplayText("Map&lt;K, V&gt; &lt;T: Clone&gt;"), "Map<K, V> <T: Clone>");
    EXPECT_EQ(DisplayText("x&lt;/T&gt; &lt;1&gt; &lt;&gt;"), "x</T> <1> <>");
    // HTML elements in any case, with attributes or closed in place, are markup; so are names
    // with a prefix or a hyphen.
    EXPECT_EQ(DisplayText("<B>a</B> <a href=\"x\">b</a><br/>c<IMG SRC=x>"), "a bc");
    EXPECT_EQ(DisplayText("<o:p>Word</o:p> <my-tag>x</my-tag> <h2 >y</h2\n>"), "Word x y");
    EXPECT_TRUE(IsHtmlElementName("blockquote"));
    EXPECT_TRUE(IsHtmlElementName("H1"));
    EXPECT_FALSE(IsHtmlElementName("string"));
    EXPECT_FALSE(IsHtmlElementName("blockquotes"));
    EXPECT_FALSE(IsHtmlElementName(""));
}

TEST(DisplayForm, ShowsHtmlTitlesAsABrowserShowsThem) {
    EXPECT_EQ(DisplayTitle("Beware of &amp;quot;Assumed&amp;quot;", kKindHtml),
              "Beware of \"Assumed\"");
    EXPECT_EQ(DisplayTitle("Left, Right &amp;amp; Center", kKindHtml), "Left, Right & Center");
    EXPECT_EQ(DisplayTitle("Caf&amp;eacute; &amp;hellip;", kKindHtml), "Caf&#xE9; " + Sjis("…"));
    // Markup goes before the second decoding: escaped tags in the HTML are its text.
    EXPECT_EQ(DisplayTitle("&lt;b&gt;New&lt;/b&gt; &amp;lt;b&amp;gt; tag", kKindHtml),
              "New <b> tag");
    EXPECT_EQ(DisplayTitle("Option&lt;T&gt; &amp;#153;\n x", kKindHtml), Sjis("Option<T> ™ x"));
    // XHTML: the text of the markup, its references decoded alike.
    EXPECT_EQ(DisplayTitle("Caf&amp;eacute; &amp;amp; <i>", kKindXhtml), "Caf&#xE9; & <i>");
}

TEST(DisplayForm, ShowsPlainTextTitlesExactlyAsWritten) {
    EXPECT_EQ(DisplayTitle("a &amp;lt; b &lt;b&gt;c&lt;/b&gt;", kKindText), "a &lt; b <b>c</b>");
    EXPECT_EQ(DisplayTitle(" Tom &amp;amp;\n Jerry ", kKindText), "Tom &amp; Jerry");
    EXPECT_EQ(DisplayTitle("&#153; &amp;#153;", kKindText), Sjis("™ &#153;"));
    EXPECT_EQ(DisplayTitle("F&#xC3;&#xB3;rmula", kKindText), "F&#xF3;rmula");
}

TEST(DisplayForm, ReadsUtf8ThatWasEncodedTwiceOnce) {
    // "Fórmula" and "¿Aquí?" encoded twice; the repaired text holds characters the code page
    // lacks, which stay carried.
    EXPECT_EQ(DisplayText("F&#xC3;&#xB3;rmula"), "F&#xF3;rmula");
    EXPECT_EQ(DisplayText("&#xC2;&#xBF;Aqu&#xC3;&#xAD;?"), "&#xBF;Aqu&#xED;?");
    // Genuine Latin-1 text, text with characters beyond Latin-1, and Japanese stay as they are.
    EXPECT_EQ(DisplayText("caf&#xE9; &#xC3;"), "caf&#xE9; &#xC3;");
    EXPECT_EQ(DisplayText("&#xC3;&#xB3; &#x20AC;"), "&#xC3;&#xB3; &#x20AC;");
    EXPECT_EQ(DisplayText(Sjis("日本語 ó")), Sjis("日本語 ") + "&#xF3;");
}

TEST(DisplayForm, GivesPlainTextAsHtmlWithCharactersBeyondTheCodePageAsReferences) {
    EXPECT_EQ(DecodeToHtmlText("a &lt;b&gt; &amp;amp; \"q\" & &#x1F600; &#x3042;"),
              "a &lt;b&gt; &amp;amp; &quot;q&quot; &amp; &#x1F600; " + Sjis("あ"));
}

TEST(DisplayForm, DecodesTrimsAndResolvesLinks) {
    EXPECT_EQ(DisplayLink(" \n http://a.example/?x=1&amp;y=2 \t"), "http://a.example/?x=1&y=2");
    EXPECT_EQ(DisplayLink("../b?q", "http://a.example/x/y/z"), "http://a.example/x/b?q");
    EXPECT_EQ(DisplayLink("https://other/", "http://a.example/"), "https://other/");
    // No link stays no link: it must not open the base.
    EXPECT_EQ(DisplayLink("  ", "http://a.example/"), "");
    EXPECT_EQ(DisplayLink("/rel"), "/rel");
    // An address escaped twice opens the page it names, not one with "&amp;" in its query;
    // other references decoded once stay as they are.
    EXPECT_EQ(DisplayLink("http://a.example/?x=1&amp;amp;y=2&amp;amp;amp;z"),
              "http://a.example/?x=1&y=2&amp;z");
    EXPECT_EQ(DisplayLink("http://a.example/?q=&amp;lt;b&amp;gt;"),
              "http://a.example/?q=&lt;b&gt;");
}

TEST(DisplayForm, ResolvesRelativeAddressesAsBrowsersDo) {
    const std::string base = "http://a/b/c/d;p?q";
    const std::pair<const char*, const char*> cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {";x", "http://a/b/c/;x"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {".g", "http://a/b/c/.g"},
        {"./../g", "http://a/b/g"},
        {"g/../h", "http://a/b/c/h"},
    };
    for (const auto& [reference, expected] : cases) {
        EXPECT_EQ(ResolveAddress(reference, base), expected) << reference;
    }
    EXPECT_EQ(ResolveAddress("x", "http://host"), "http://host/x");
    EXPECT_EQ(ResolveAddress("x", "not a base"), "x");
    EXPECT_TRUE(HasScheme("mailto:a@b"));
    EXPECT_FALSE(HasScheme("/a:b"));
    EXPECT_FALSE(HasScheme("1http://"));
    EXPECT_TRUE(IsWebAddress("HTTPS://a/"));
    EXPECT_FALSE(IsWebAddress("javascript:x"));
    EXPECT_FALSE(IsWebAddress("httpx://a/"));
}

TEST(DisplayForm, ResolvesFeedAndArticleLinksAgainstXmlBaseThenTheFeedsAddress) {
    CRssFile feed;
    feed.m_strAddress = "http://host/feeds/atom.xml";
    test::ReadFeedText(feed, R"(<feed xml:base="http://base/x/">
<link href="site/"/>
<entry xml:base="e/"><link href="1.html"/></entry>
<entry><link xml:base="/abs/" href="2.html"/></entry>
<entry><link href="//cdn/3"/></entry></feed>)");
    feed.m_strAddress = "http://host/feeds/atom.xml";
    ASSERT_EQ(feed.GetSize(), 3);
    EXPECT_EQ(DisplayLinkOf(feed), "http://base/x/site/");
    EXPECT_EQ(DisplayLinkOf(feed, *feed.GetAt(0)), "http://base/x/e/1.html");
    EXPECT_EQ(DisplayLinkOf(feed, *feed.GetAt(1)), "http://base/abs/2.html");
    EXPECT_EQ(DisplayLinkOf(feed, *feed.GetAt(2)), "http://cdn/3");

    CRssFile plain;
    test::ReadFeedText(plain, R"(<rss><channel><link>/</link>
<item><link> 1?a=1&amp;b=2 </link></item><item><title>none</title></item></channel></rss>)");
    EXPECT_EQ(DisplayLinkOf(plain, *plain.GetAt(0)), "1?a=1&b=2");
    plain.m_strAddress = "https://host/feed.rss";
    EXPECT_EQ(DisplayLinkOf(plain), "https://host/");
    EXPECT_EQ(DisplayLinkOf(plain, *plain.GetAt(0)), "https://host/1?a=1&b=2");
    EXPECT_EQ(DisplayLinkOf(plain, *plain.GetAt(1)), "");
    EXPECT_EQ(ContentBaseOf(plain, *plain.GetAt(1)), "https://host/feed.rss");
}

}  // namespace
}  // namespace varlo
