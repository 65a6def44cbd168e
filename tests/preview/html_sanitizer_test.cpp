#include "preview/html_sanitizer.h"

#include <gtest/gtest.h>

#include <string>

#include "html_check.h"

namespace varlo {
namespace {

const char kBase[] = "https://example.jp/blog/entry.html";

// ---- What the sanitizer keeps

TEST(HtmlSanitizing, KeepsAllowedMarkupAndItsText) {
    EXPECT_EQ(
        SanitizeHtml("<p>日本語の<b>記事</b>と<em>強調</em></p><ul><li>一</li><li>二</li></ul>"),
        "<p>日本語の<b>記事</b>と<em>強調</em></p><ul><li>一</li><li>二</li></ul>");
}

TEST(HtmlSanitizing, KeepsOnlyTheAllowedAttributesOfEachElement) {
    EXPECT_EQ(SanitizeHtml("<a href=\"https://a.jp/\" title=\"t\" class=\"c\" id=\"x\">l</a>"),
              "<a href=\"https://a.jp/\" title=\"t\">l</a>");
    EXPECT_EQ(SanitizeHtml("<img src='http://a.jp/i.png' alt=画像 width=\"120\" height=80 "
                           "class=x>"),
              "<img src=\"http://a.jp/i.png\" alt=\"画像\" width=\"120\" height=\"80\">");
    EXPECT_EQ(SanitizeHtml("<table><tr><td colspan=2 rowspan=\"3\" align=left>c</td></tr></table>"),
              "<table><tr><td colspan=\"2\" rowspan=\"3\">c</td></tr></table>");
    EXPECT_EQ(SanitizeHtml("<p title=\"x\" lang=\"ja\">t</p>"), "<p>t</p>");
}

TEST(HtmlSanitizing, ReadsMixedCaseTagsAndAttributes) {
    EXPECT_EQ(SanitizeHtml("<P>a<BR>b</p><A HREF=\"https://a.jp/\">c</A>"),
              "<p>a<br>b</p><a href=\"https://a.jp/\">c</a>");
}

TEST(HtmlSanitizing, ReadsAttributesWithAnyQuotingAndSpacing) {
    EXPECT_EQ(SanitizeHtml("<a href = 'https://a.jp/?q=\"x\"'>1</a>"),
              "<a href=\"https://a.jp/?q=&quot;x&quot;\">1</a>");
    EXPECT_EQ(SanitizeHtml("<a\nhref=https://a.jp/x/>2</a>"), "<a href=\"https://a.jp/x/\">2</a>");
    EXPECT_EQ(SanitizeHtml("<img alt src=\"https://a.jp/i\"title=t>"),
              "<img alt=\"\" src=\"https://a.jp/i\" title=\"t\">");
}

TEST(HtmlSanitizing, TakesTheFirstOfRepeatedAttributes) {
    EXPECT_EQ(SanitizeHtml("<a href=\"https://a.jp/\" href=\"javascript:x\">l</a>"),
              "<a href=\"https://a.jp/\">l</a>");
    EXPECT_EQ(SanitizeHtml("<a href=\"javascript:x\" href=\"https://a.jp/\">l</a>"), "<a>l</a>");
}

TEST(HtmlSanitizing, DropsUnknownElementsButKeepsTheirText) {
    EXPECT_EQ(SanitizeHtml("<font color=red>赤</font><center>中</center><textarea>t</textarea>"),
              "赤中t");
}

TEST(HtmlSanitizing, ClosesEveryOpenedElement) {
    EXPECT_EQ(SanitizeHtml("<div><p><b>太字"), "<div><p><b>太字</b></p></div>");
    EXPECT_EQ(SanitizeHtml("<ul><li>a<li>b"), "<ul><li>a</li><li>b</li></ul>");
}

TEST(HtmlSanitizing, ClosesInnerElementsWithTheirParentAndDropsStrayEndTags) {
    EXPECT_EQ(SanitizeHtml("<div><b><i>x</div>y</i></b></p>"), "<div><b><i>x</i></b></div>y");
}

TEST(HtmlSanitizing, ClosesWhatTheBrowserWouldCloseImplicitly) {
    EXPECT_EQ(SanitizeHtml("<p>a<div>b</div><p>c<ul><li>d<ul><li>e</ul></ul>"),
              "<p>a</p><div>b</div><p>c</p><ul><li>d<ul><li>e</li></ul></li></ul>");
    EXPECT_EQ(SanitizeHtml("<table><tr><td>1<td>2<tr><th>3</table>"),
              "<table><tr><td>1</td><td>2</td></tr><tr><th>3</th></tr></table>");
    EXPECT_EQ(SanitizeHtml("<dl><dt>t<dd>d<dt>u</dl>"), "<dl><dt>t</dt><dd>d</dd><dt>u</dt></dl>");
    EXPECT_EQ(SanitizeHtml("<table><td><p>a<table><td>b</table>c</table>"),
              "<table><td><p>a</p><table><td>b</td></table>c</td></table>");
}

TEST(HtmlSanitizing, ClosesALinkBeforeTheNextOne) {
    EXPECT_EQ(SanitizeHtml("<a href=\"https://a.jp/1\">1<a href=\"https://a.jp/2\">2</a>"),
              "<a href=\"https://a.jp/1\">1</a><a href=\"https://a.jp/2\">2</a>");
}

TEST(HtmlSanitizing, WritesSelfClosedElementsInHtmlForm) {
    EXPECT_EQ(SanitizeHtml("a<br/>b<hr />c<div/>d"), "a<br>b<hr>c<div></div>d");
}

TEST(HtmlSanitizing, KeepsEntityReferencesAsReferences) {
    EXPECT_EQ(SanitizeHtml("AT&amp;T &copy; &#12354;&#x3042; &lt;p&gt;hello&lt;/p&gt;"),
              "AT&amp;T &copy; &#12354;&#x3042; &lt;p&gt;hello&lt;/p&gt;");
}

TEST(HtmlSanitizing, EscapesBareMarkupCharactersOfTheText) {
    EXPECT_EQ(SanitizeHtml("1 < 2 && 3 > 2 \"q\" 'a' <"),
              "1 &lt; 2 &amp;&amp; 3 &gt; 2 &quot;q&quot; &#39;a&#39; &lt;");
    EXPECT_EQ(SanitizeHtml("a &foo b&#; c</"), "a &amp;foo b&amp;#; c&lt;/");
}

TEST(HtmlSanitizing, ShowsCDataSectionsAsLiteralText) {
    EXPECT_EQ(SanitizeHtml("<p><![CDATA[<b>x</b> &amp;]]></p>"),
              "<p>&lt;b&gt;x&lt;/b&gt; &amp;amp;</p>");
    EXPECT_EQ(SanitizeHtml("<![CDATA[<script>alert(1)</script>"),
              "&lt;script&gt;alert(1)&lt;/script&gt;");
}

TEST(HtmlSanitizing, DropsCommentsDeclarationsAndProcessingInstructions) {
    EXPECT_EQ(SanitizeHtml("<!DOCTYPE html>a<!-- <script>x</script> -->b<?php echo 1 ?>c<!-->d"
                           "<!--->e<!-- x --!>f</ g>h"),
              "abcdefh");
    EXPECT_EQ(SanitizeHtml("a<!-- never closed <b>x</b>"), "a");
}

TEST(HtmlSanitizing, DropsATagCutOffByTheEndOfTheInput) {
    EXPECT_EQ(SanitizeHtml("<p>a</p><img src=\"https://a.jp/x\" onerror=\"alert(1)"), "<p>a</p>");
    EXPECT_EQ(SanitizeHtml("<b>a<i"), "<b>a</b>");
}

TEST(HtmlSanitizing, ResolvesRelativeAddressesAgainstTheArticle) {
    EXPECT_EQ(SanitizeHtml("<img src=\"/img/a.png\"><a href=\"b.html\">b</a>", kBase),
              "<img src=\"https://example.jp/img/a.png\">"
              "<a href=\"https://example.jp/blog/b.html\">b</a>");
    EXPECT_EQ(SanitizeHtml("<img src=\"//cdn.example.jp/a.png\">", kBase),
              "<img src=\"https://cdn.example.jp/a.png\">");
}

TEST(HtmlSanitizing, DropsRelativeAddressesWithoutAWebBase) {
    EXPECT_EQ(SanitizeHtml("<img src=\"a.png\"><a href=\"b.html\">b</a>"), "<a>b</a>");
    EXPECT_EQ(SanitizeHtml("<img src=\"//evil.example/a.png\">", "file:///tmp/x.html"), "");
}

TEST(HtmlSanitizing, LimitsTheNestingDepthButKeepsTheText) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<div>";
    deep += "x";
    const std::string out = SanitizeHtml(deep);
    EXPECT_EQ(test::HtmlProblem(out), "");
    EXPECT_NE(out.find('x'), std::string::npos);
    EXPECT_LT(out.size(), 4000u);
}

TEST(HtmlSanitizing, GivesTheSameResultWhenRunOnItsOwnOutput) {
    const std::string inputs[] = {
        "<p>a<b>b<i>c</p>d &amp; <a href=\"https://a.jp/?a=1&amp;b=2\">x</a>",
        "<img src=\"https://a.jp/&quot;\" alt=\"a&quot;b\"><![CDATA[&x]]>",
        "<table><tr><td>1<td>2</table><a href=' java&#09;script:x'>j</a>",
    };
    for (const std::string& input : inputs) {
        const std::string once = SanitizeHtml(input, kBase);
        EXPECT_EQ(SanitizeHtml(once, kBase), once) << input;
    }
}

// ---- Hostile markup

TEST(HostileHtml, DropsScriptsWithTheirContent) {
    EXPECT_EQ(SanitizeHtml("a<script>document.write('<p>x</p>')</script>b"), "ab");
    EXPECT_EQ(SanitizeHtml("a<SCRIPT type=text/javascript>alert(1)</ScRiPt >b"), "ab");
    EXPECT_EQ(SanitizeHtml("a<script>alert('</scrip>')</script\t>b"), "ab");
    EXPECT_EQ(SanitizeHtml("a<script src=\"https://evil.example/x.js\"/>b"), "a");
    EXPECT_EQ(SanitizeHtml("a<script>never closed <p>b</p>"), "a");
}

TEST(HostileHtml, DropsStylesFramesAndPluginsWithTheirContent) {
    EXPECT_EQ(SanitizeHtml("a<style>body{background:url(javascript:x)}</style>b"), "ab");
    EXPECT_EQ(SanitizeHtml("a<iframe src=\"https://evil.example/\">fallback<b>x</b></iframe>b"),
              "ab");
    EXPECT_EQ(SanitizeHtml("a<object data=x.swf><param name=a value=b>alt</object>b"), "ab");
    EXPECT_EQ(SanitizeHtml("a<embed src=x.swf>b<applet code=X>c</applet>d"), "abd");
    EXPECT_EQ(SanitizeHtml("a<frameset><frame src=x></frameset>b<noscript><p>n</p></noscript>c"),
              "abc");
}

TEST(HostileHtml, DropsFormsAndTheirControls) {
    EXPECT_EQ(SanitizeHtml("a<form action=\"https://evil.example/\"><input name=p>"
                           "<button>送信</button></form>b"),
              "ab");
}

TEST(HostileHtml, DropsSvgAndMathWithEverythingInside) {
    EXPECT_EQ(SanitizeHtml("a<svg onload=alert(1)><svg><script>x</script></svg>"
                           "<a href=\"https://a.jp/\">in</a></svg>b"),
              "ab");
    EXPECT_EQ(SanitizeHtml("a<math><mi xlink:href=\"javascript:x\">m</mi></math>b"), "ab");
    // "/o" does not close the tag: the text after it lies inside the svg element.
    EXPECT_EQ(SanitizeHtml("a<svg/onload=alert(1)>b</svg>c"), "ac");
}

TEST(HostileHtml, DropsBaseLinkMetaAndTemplates) {
    EXPECT_EQ(SanitizeHtml("<base href=\"https://evil.example/\"><link rel=stylesheet href=x>"
                           "<meta http-equiv=refresh content=\"0;url=javascript:x\">"
                           "<template><img src=x onerror=alert(1)></template>t"),
              "t");
}

TEST(HostileHtml, DropsEventHandlersStylesAndSourceSets) {
    EXPECT_EQ(SanitizeHtml("<img src=x onerror=alert(1)>"), "");
    EXPECT_EQ(SanitizeHtml("<img src=\"https://a.jp/i\" onerror=alert(1) ONLOAD=\"x\" "
                           "style=\"background:url(x)\" srcset=\"javascript:x 1x\">"),
              "<img src=\"https://a.jp/i\">");
    EXPECT_EQ(SanitizeHtml("<p onclick=\"x\" style=\"color:red\">t</p><b/onmouseover=x>u</b>"),
              "<p>t</p><b>u</b>");
}

TEST(HostileHtml, RefusesScriptAddressesHoweverTheyAreWritten) {
    const char* const links[] = {
        "<a href=\"javascript:alert(1)\">x</a>",
        "<a href=\"  JAVASCRIPT:alert(1)\">x</a>",
        "<a href=\"java\tscript:alert(1)\">x</a>",
        "<a href=\" java&#09;script:alert(1)\">x</a>",
        "<a href=\"jav&#x61;script:alert(1)\">x</a>",
        "<a href=\"&#106;&#97;&#118;&#97;&#115;&#99;&#114;&#105;&#112;&#116;&#58;alert(1)\">x</a>",
        "<a href=\"&#0000106avascript:alert(1)\">x</a>",
        "<a href=\"javascript&colon;alert(1)\">x</a>",
        "<a href=\"java&NewLine;script:alert(1)\">x</a>",
        "<a href=\"\x01javascript:alert(1)\">x</a>",
        "<a href=vbscript:msgbox(1)>x</a>",
        "<a href=\"data:text/html;base64,PHNjcmlwdD5hbGVydCgxKTwvc2NyaXB0Pg==\">x</a>",
        "<a href=\"file:///etc/passwd\">x</a>",
    };
    for (const char* link : links) {
        EXPECT_EQ(SanitizeHtml(link, kBase), "<a>x</a>") << link;
    }
}

TEST(HostileHtml, RefusesImagesThatAreNotOnTheWeb) {
    EXPECT_EQ(SanitizeHtml("<img src=\"data:image/svg+xml,<svg onload=alert(1)>\">"), "");
    EXPECT_EQ(SanitizeHtml("<img src=\"file:///etc/passwd\">"), "");
    EXPECT_EQ(SanitizeHtml("<img src=\"mailto:a@example.jp\">"), "");
    EXPECT_EQ(SanitizeHtml("<img src=\"javascript:alert(1)\">", kBase), "");
}

TEST(HostileHtml, ShowsEntityEncodedMarkupAsText) {
    const std::string out =
        SanitizeHtml("&lt;script&gt;alert(1)&lt;/script&gt;&lt;img src=x onerror=alert(1)&gt;");
    EXPECT_EQ(out, "&lt;script&gt;alert(1)&lt;/script&gt;&lt;img src=x onerror=alert(1)&gt;");
    EXPECT_EQ(test::HtmlProblem(out), "");
}

TEST(HostileHtml, CannotBreakOutOfAnAttributeValue) {
    EXPECT_EQ(
        SanitizeHtml("<img src=\"https://a.jp/\" alt='\"><script>alert(1)</script>'>"),
        "<img src=\"https://a.jp/\" alt=\"&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;\">");
    EXPECT_EQ(SanitizeHtml("<a href=\"https://a.jp/&quot; onclick=&quot;x\">l</a>"),
              "<a href=\"https://a.jp/&quot; onclick=&quot;x\">l</a>");
}

TEST(HostileHtml, LeavesOnlySafeWellFormedMarkupForTangledInput) {
    const char* const inputs[] = {
        "<<script>script>alert(1)<</script>/script>",
        "<scr<script>ipt>alert(1)</script>",
        "<img \"\"\"><script>alert(1)</script>\">",
        "<a href=\"https://a.jp/\"<b>x</a>",
        "<p/onmouseover=alert(1)//>x",
        "<div <img src=x onerror=alert(1)>>",
        "<svg><p><style><img src=x onerror=alert(1)></style></p></svg>",
        "<noscript><p title=\"</noscript><img src=x onerror=alert(1)>\"></noscript>",
        "<!--><img src=x onerror=alert(1)>-->",
        "<![CDATA[><img src=x onerror=alert(1)>]]>",
        "<a href=\"https://a.jp/\">a<table><td><a href=\"https://b.jp/\">b</table></a>",
        "<math><mtext><table><mglyph><style><img src=x onerror=alert(1)>",
        "</title><img src=x onerror=alert(1)>",
    };
    for (const char* input : inputs) {
        const std::string out = SanitizeHtml(input);
        EXPECT_EQ(test::HtmlProblem(out), "") << input << " -> " << out;
    }
}

// ---- Addresses and escaping

TEST(AddressChecking, AllowsWebAndMailAddressesForLinks) {
    EXPECT_EQ(CheckedUrl(" https://a.jp/x?a=1&amp;b=2 ", UrlUse::Link), "https://a.jp/x?a=1&b=2");
    EXPECT_EQ(CheckedUrl("HTTP://A.jp/", UrlUse::Link), "http://A.jp/");
    EXPECT_EQ(CheckedUrl("mailto:info@example.jp", UrlUse::Link), "mailto:info@example.jp");
    EXPECT_EQ(CheckedUrl("mailto:info@example.jp", UrlUse::Image), "");
    EXPECT_EQ(CheckedUrl("ftp://a.jp/", UrlUse::Link), "");
    EXPECT_EQ(CheckedUrl("", UrlUse::Link, kBase), "");
}

TEST(AddressChecking, ResolvesOnlyAgainstAWebBase) {
    EXPECT_EQ(CheckedUrl("../top.html", UrlUse::Link, kBase), "https://example.jp/top.html");
    EXPECT_EQ(CheckedUrl("#part", UrlUse::Link, kBase), std::string(kBase) + "#part");
    EXPECT_EQ(CheckedUrl("top.html", UrlUse::Link, "mailto:a@b"), "");
    EXPECT_EQ(CheckedUrl("top.html", UrlUse::Link), "");
}

TEST(HtmlEscaping, EscapesMarkupButKeepsReferences) {
    EXPECT_EQ(EscapeHtmlText("<b>\"AT&amp;T\" & 'x'</b> &#x1F600;"),
              "&lt;b&gt;&quot;AT&amp;T&quot; &amp; &#39;x&#39;&lt;/b&gt; &#x1F600;");
    EXPECT_EQ(EscapeHtml("a&amp;b<"), "a&amp;amp;b&lt;");
}

TEST(HtmlEscaping, TellsHtmlFromPlainText) {
    EXPECT_TRUE(LooksLikeHtml("本文<br>続き"));
    EXPECT_TRUE(LooksLikeHtml("</p>"));
    EXPECT_FALSE(LooksLikeHtml("1 < 2 and 3 <= 4"));
    EXPECT_FALSE(LooksLikeHtml("&lt;p&gt;escaped&lt;/p&gt;"));
}

}  // namespace
}  // namespace varlo
