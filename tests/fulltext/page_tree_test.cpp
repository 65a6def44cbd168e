#include "fulltext/page_tree.h"

#include <gtest/gtest.h>

#include <string>

#include "fulltext/article_extractor.h"

namespace varlo {
namespace {

std::string Repeat(std::string_view piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(PageTree, CountsOnlyElementsThatNestWhenEstimatingDepth) {
    EXPECT_EQ(EstimatedNestingDepth("<div><div><span>a</span></div></div>", 100), 3);
    // Paragraphs and items end themselves; void elements never open.
    EXPECT_EQ(EstimatedNestingDepth(Repeat("<p>a<li>b<br><img src=x>", 1000), 100), 0);
    EXPECT_EQ(EstimatedNestingDepth("<script>" + Repeat("<div>", 500) + "</script><b>x</b>", 100),
              1);
    EXPECT_EQ(EstimatedNestingDepth("<!--" + Repeat("<div>", 500) + "-->", 100), 0);
    EXPECT_EQ(EstimatedNestingDepth("<div title='a>b'><div>", 100), 2);
    // Foreign content closes itself with a slash; HTML elements do not.
    EXPECT_EQ(EstimatedNestingDepth(Repeat("<path d='M0'/>", 500), 100), 0);
    EXPECT_EQ(EstimatedNestingDepth(Repeat("<div/>", 500), 100), 101);
}

TEST(PageTree, KeepsHeadMetadataAndLeavesScriptsOutOfTheTree) {
    PageTree tree;
    ASSERT_EQ(
        ParsePage("<html><head><title> A  title </title><base href='/b/'>"
                  "<meta property='og:title' content='OG'><script type='application/ld+json'>"
                  "{}</script></head><body><p>Text<script>x()</script> more</p></body></html>",
                  tree),
        PageParse::Ok);
    EXPECT_EQ(tree.title, " A title ");
    EXPECT_EQ(tree.baseHref, "/b/");
    EXPECT_EQ(tree.Meta("og:title"), "OG");
    ASSERT_EQ(tree.linkedData.size(), 1u);
    ASSERT_EQ(tree.nodes.size(), 3u);  // body, p, one text
    EXPECT_EQ(tree.nodes[1].name, "p");
    EXPECT_EQ(tree.nodes[2].text, "Text more");
}

// Hostile pages end in a clear failure, quickly and without deep recursion.
TEST(PageTree, RefusesAMillionNestedElements) {
    const ExtractedArticle article =
        ExtractArticle(Repeat("<div>", 1000000) + "text", "https://hostile.example/");
    EXPECT_EQ(article.failure, "ページの要素の入れ子が深すぎます");
    EXPECT_EQ(article.text, "");
}

TEST(PageTree, ReadsAPageNestedJustBelowTheLimit) {
    const int depth = kMaxPageDepth - 10;
    const std::string page = Repeat("<div>", depth) +
                             "<p>The only paragraph, deep down, holds enough words to be read "
                             "as an article by anyone, really.</p>" +
                             Repeat("</div>", depth);
    const ExtractedArticle article = ExtractArticle(page, "https://deep.example/");
    EXPECT_EQ(article.failure, "");
    EXPECT_NE(article.text.find("The only paragraph"), std::string::npos);
}

TEST(PageTree, RefusesAPageLargerThanTheCap) {
    const std::string page = "<p>" + std::string(kMaxPageBytes, 'a');
    EXPECT_EQ(ExtractArticle(page, "").failure, "ページが大きすぎます");
}

TEST(PageTree, RefusesBinaryData) {
    std::string binary;
    for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    EXPECT_EQ(ExtractArticle(binary, "").failure, "ページが HTML ではありません");
}

TEST(PageTree, ReadsAHundredThousandParagraphs) {
    const std::string page =
        "<article>" +
        Repeat("<p>One more paragraph, with a comma, and enough words to count.</p>", 100000) +
        "</article>";
    const ExtractedArticle article = ExtractArticle(page, "https://long.example/");
    EXPECT_EQ(article.failure, "");
    EXPECT_GT(article.text.size(), 6000000u);
}

// The parser's tree is given back as the page's is built: every kind of node it holds, kept or
// skipped, is read for what it says and freed (the sanitizer build finds a node left behind).
TEST(PageTree, ReadsEveryKindOfNodeTheParserMakesAndKeepsOnlyWhatIsShown) {
    PageTree tree;
    ASSERT_EQ(
        ParsePage("<!-- before --><!DOCTYPE html><!-- after the doctype --><html lang=ja>"
                  "<head><title>T</title><meta name=author content='A'><noscript><style>x"
                  "</style></noscript><link rel=x href=y><script>var a;</script></head>"
                  "<body class=b><!-- in the body --><template><p>never</p></template>"
                  "<div hidden><p>hidden</p></div><p style='display: none'>gone</p>"
                  "<iframe src=x><p>framed</p></iframe><svg><circle r=1 /><text>drawn</text></svg>"
                  "<p onclick=x() id=one>Shown <b>bold</b><![CDATA[cdata]]></p>"
                  "<img src='data:image/gif;base64,R0lGOD' data-src=/real.jpg><noscript>"
                  "<img src=/fallback.jpg alt=F></noscript><pre>  kept   spaces </pre>"
                  "<form><input value=v><textarea>t</textarea><button>b</button></form>"
                  "</body></html><!-- after the end -->",
                  tree),
        PageParse::Ok);
    EXPECT_EQ(tree.title, "T");
    EXPECT_EQ(tree.Meta("author"), "A");
    std::string shown;
    for (const PageNode& node : tree.nodes) {
        shown += node.IsText() ? "'" + node.text + "'" : std::string(node.name);
        shown += ' ';
    }
    EXPECT_EQ(shown, "body p 'Shown ' b 'bold' img pre '  kept   spaces ' form ");
    const PageNode& paragraph = tree.nodes[1];
    EXPECT_EQ(paragraph.Attribute("id"), "one");
    EXPECT_EQ(paragraph.Attribute("onclick"), "") << "no handler is kept";
    EXPECT_EQ(tree.nodes[5].Attribute("src"), "/real.jpg")
        << "a lazy image made real keeps its address; its noscript copy adds no second image";
}

TEST(PageTree, APageHandedOverIsReadAsTheSamePageLentForTheMoment) {
    const std::string article =
        "<html><head><title>Bridge</title></head><body><nav><a href=/>top</a></nav><article>"
        "<p>市は火曜日、川に架かる古い吊り橋の点検を始めた。錆が見つかり、通行は当面、歩行者に限"
        "られる。</p><p>点検は来月まで続き、結果は市のホームページで公表される予定だ。</p>"
        "<img src=/a.jpg></article></body></html>";
    for (const std::string& page :
         {article, std::string("<p>x</p>"), Repeat("<div>", kMaxPageDepth + 1)}) {
        const ExtractedArticle lent = ExtractArticle(page, "https://example.com/a/");
        const ExtractedArticle handed =
            ExtractArticleTakingPage(std::string(page), "https://example.com/a/");
        EXPECT_EQ(handed.title, lent.title);
        EXPECT_EQ(handed.html, lent.html);
        EXPECT_EQ(handed.text, lent.text);
        EXPECT_EQ(handed.failure, lent.failure);
    }
}

}  // namespace
}  // namespace varlo
