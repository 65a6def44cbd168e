#include "fulltext/article_extractor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "encoding/codepage.h"
#include "fetch/text_file.h"
#include "support/test_support.h"
#include "support/transcode.h"

namespace varlo {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const std::string kProse =
    "The committee met on Tuesday, after weeks of delay, to discuss the new budget for the "
    "river crossing, which has been debated since spring.";

// A page with furniture around an article of `paragraphs` paragraphs.
std::string NewsPage(int paragraphs, const std::string& extraInArticle = {},
                     const std::string& head = {}) {
    std::string page = "<!DOCTYPE html><html><head><title>Bridge budget | Daily Post</title>" +
                       head + "</head><body>";
    page +=
        "<nav><ul><li><a href='/'>Home</a></li><li><a href='/world'>World news</a></li>"
        "</ul></nav>";
    page += "<div class='content'><article><h1>Bridge budget</h1>";
    for (int i = 0; i < paragraphs; ++i)
        page += "<p>Paragraph " + std::to_string(i) + ". " + kProse + "</p>";
    page += extraInArticle + "</article>";
    page +=
        "<div class='related-articles'><h3>Related</h3><ul><li><a href='/a'>Another story "
        "about bridges and budgets, and more</a></li><li><a href='/b'>Yet another story, "
        "with more words in it</a></li></ul></div>";
    page +=
        "<div id='comments'><p>First comment, I think the bridge is a waste of money, "
        "really, truly.</p></div>";
    page +=
        "<div class='cookie-notice'><p>We use cookies to improve your experience, and by "
        "continuing you agree to it.</p></div>";
    page +=
        "</div><footer><p>Copyright Daily Post, all rights reserved, since forever.</p>"
        "</footer></body></html>";
    return page;
}

TEST(ArticleExtractor, KeepsTheArticleAndDropsNavigationCommentsRelatedListsAndNotices) {
    const ExtractedArticle article = ExtractArticle(NewsPage(5), "https://news.example/a/1");
    ASSERT_TRUE(article.Found()) << article.failure;
    EXPECT_EQ(article.failure, "");
    for (int i = 0; i < 5; ++i)
        EXPECT_THAT(article.text, HasSubstr("Paragraph " + std::to_string(i) + ". The committee"));
    for (const char* furniture :
         {"World news", "Another story", "First comment", "cookies", "Copyright", "Bridge budget"})
        EXPECT_THAT(article.text, Not(HasSubstr(furniture))) << furniture;
    EXPECT_THAT(article.text, HasSubstr("spring.\n\nParagraph 1."));
    EXPECT_EQ(article.title, "Bridge budget");
}

TEST(ArticleExtractor, DropsScreenReaderTextAdvertisementLabelsAndParagraphsThatAreOnlyALink) {
    const std::string extra =
        "<p><span class='screen-reader-text'>Skip to content</span>The vote is next week.</p>"
        "<div>Advertisement</div>"
        "<p><strong>Read more:</strong> <a href='/other'>Another bridge collapses in the north"
        "</a></p>";
    const ExtractedArticle article = ExtractArticle(NewsPage(4, extra), "https://news.example/");
    EXPECT_THAT(article.text, HasSubstr("The vote is next week."));
    for (const char* gone : {"Skip to content", "Advertisement", "Another bridge"})
        EXPECT_THAT(article.text, Not(HasSubstr(gone))) << gone;
}

TEST(ArticleExtractor, FindsAShortArticleOfTwoParagraphs) {
    const ExtractedArticle article = ExtractArticle(NewsPage(2), "https://news.example/a/1");
    EXPECT_THAT(article.text, HasSubstr("Paragraph 1. The committee"));
    EXPECT_THAT(article.text, Not(HasSubstr("First comment")));
}

TEST(ArticleExtractor, KeepsListsTablesCodeQuotationsAndFiguresWithTheirCaptions) {
    const std::string extra =
        "<blockquote><p>We will build it, whatever it costs, said the mayor.</p></blockquote>"
        "<ol><li>First, the survey of the river bed</li><li>Second, the foundations</li></ol>"
        "<table><tr><th>Year</th><th>Cost</th></tr><tr><td>2024</td><td>12</td></tr></table>"
        "<pre><code>int span = 120;</code></pre>"
        "<figure><img src='/img/bridge.jpg' alt='The bridge'><figcaption>The old bridge at dawn"
        "</figcaption></figure>";
    const ExtractedArticle article = ExtractArticle(NewsPage(4, extra), "https://news.example/a/1");
    EXPECT_THAT(article.html, HasSubstr("<blockquote>"));
    EXPECT_THAT(article.html, HasSubstr("<li>Second, the foundations</li>"));
    EXPECT_THAT(article.html, HasSubstr("<th>Cost</th>"));
    EXPECT_THAT(article.html, HasSubstr("int span = 120;"));
    EXPECT_THAT(article.html, HasSubstr("<figcaption>The old bridge at dawn</figcaption>"));
    EXPECT_THAT(article.html, HasSubstr("src=\"https://news.example/img/bridge.jpg\""));
}

TEST(ArticleExtractor, MakesLazyImagesRealAndResolvesThemAgainstTheBase) {
    const std::string extra =
        "<p><img src='data:image/gif;base64,R0lGOD' data-src='lazy/one.jpg'></p>"
        "<p><img data-original='two.jpg' src='/placeholder.png'></p>"
        "<p><img srcset='three-small.jpg 480w, three-big.jpg 1200w'></p>"
        "<p><picture><source data-srcset='four.webp 800w'><img alt='four'></picture></p>"
        "<p><img class='lazy' src='data:,'><noscript><img src='five.jpg'></noscript></p>"
        "<p><noscript><img src='six.jpg' alt='six'></noscript></p>";
    const std::string head = "<base href='https://cdn.example/media/'>";
    const ExtractedArticle article =
        ExtractArticle(NewsPage(4, extra, head), "https://news.example/a/1");
    for (const char* src :
         {"lazy/one.jpg", "two.jpg", "three-big.jpg", "four.webp", "five.jpg", "six.jpg"})
        EXPECT_THAT(article.html, HasSubstr(std::string("src=\"https://cdn.example/media/") + src))
            << src;
    EXPECT_THAT(article.html, Not(HasSubstr("data:")));
    EXPECT_THAT(article.html, Not(HasSubstr("placeholder")));
}

TEST(ArticleExtractor, ReadsTitleAuthorAndDateFromLinkedDataThenMetaElements) {
    test::ScopedTimeZone zone("UTC");
    const std::string ld =
        "<script type='application/ld+json'>{\"@context\":\"https://schema.org\",\"@graph\":["
        "{\"@type\":\"WebSite\",\"name\":\"Daily Post\"},{\"@type\":\"NewsArticle\","
        "\"headline\":\"Bridge budget agreed\",\"author\":[{\"@type\":\"Person\",\"name\":"
        "\"Ann Lee\"}],\"datePublished\":\"2024-05-01T09:00:00+09:00\"}]}</script>";
    ExtractedArticle article = ExtractArticle(NewsPage(3, {}, ld), "https://news.example/");
    EXPECT_EQ(article.title, "Bridge budget agreed");
    EXPECT_EQ(article.author, "Ann Lee");
    EXPECT_EQ(article.date, 1714521600);

    const std::string metas =
        "<meta property='og:title' content='Open graph title'>"
        "<meta name='author' content='Bo Chan'>"
        "<meta property='article:published_time' content='2024-05-02T00:00:00Z'>";
    article = ExtractArticle(NewsPage(3, {}, metas), "https://news.example/");
    EXPECT_EQ(article.title, "Open graph title");
    EXPECT_EQ(article.author, "Bo Chan");
    EXPECT_EQ(article.date, 1714608000);

    const std::string time = "<p>Posted <time datetime='2024-05-03T00:00:00Z'>May 3</time></p>";
    article = ExtractArticle(NewsPage(3, time), "https://news.example/");
    EXPECT_EQ(article.date, 1714694400);
    EXPECT_EQ(article.title, "Bridge budget");  // the <title> without the site's name
}

TEST(ArticleExtractor, TakesTheBylineAsAuthorAndLeavesItOutOfTheText) {
    const std::string page = NewsPage(4, "").replace(NewsPage(4, "").find("<h1>"), 0,
                                                     "<div class='byline'>By Carla Diaz</div>");
    const ExtractedArticle article = ExtractArticle(page, "https://news.example/");
    EXPECT_EQ(article.author, "By Carla Diaz");
    EXPECT_THAT(article.text, Not(HasSubstr("Carla")));
}

// Four short paragraphs of Japanese: no spaces, few commas in the Western sense.
const std::string kJapaneseArticle =
    "<p>市の委員会は火曜日、数週間の延期を経て、川に架ける新しい橋の予算について話し合った。"
    "春から議論が続いている。</p>"
    "<p>市長は、費用がかかっても橋は必ず造ると述べ、住民の理解を求めた。</p>"
    "<p>反対する議員は、予算の見積もりが甘いと指摘し、再調査を求めている。</p>"
    "<p>委員会は来月、改めて結論を出す予定だ。</p>";

std::string JapanesePage(const char* charset) {
    return std::string("<html><head><meta charset='") + charset +
           "'><title>橋の予算</title></head><body>"
           "<div class='menu'><a href='/'>トップ</a> <a href='/news'>ニュース一覧</a></div>"
           "<div class='main'>" +
           kJapaneseArticle +
           "</div><div class='ranking'><ul><li><a href='/1'>人気の記事その一です</a></li>"
           "<li><a href='/2'>人気の記事その二です</a></li></ul></div></body></html>";
}

TEST(ArticleExtractor, FindsAShortJapaneseArticleInShiftJisAndEucJp) {
    for (const char* charset : {"Shift_JIS", "EUC-JP"}) {
        test::TempDir dir;
        const std::string path = dir.File("page.html");
        test::WriteFile(path, test::Transcode(JapanesePage(charset), "UTF-8", charset));
        CTextFile file;
        ASSERT_EQ(file.Load(path), 1);
        const ExtractedArticle article =
            ExtractArticle(Cp932ToUtf8(file.m_strText), "https://news.example.jp/");
        EXPECT_THAT(article.text, HasSubstr("市の委員会は火曜日、")) << charset;
        EXPECT_THAT(article.text, HasSubstr("改めて結論を出す予定だ。")) << charset;
        EXPECT_THAT(article.text, Not(HasSubstr("人気の記事"))) << charset;
        EXPECT_THAT(article.text, Not(HasSubstr("ニュース一覧"))) << charset;
        EXPECT_EQ(article.title, "橋の予算");
    }
}

TEST(ArticleExtractor, TakesTheColumnOfALayoutTableWithoutTheMenusBesideIt) {
    std::string menu, text;
    for (int i = 0; i < 10; ++i) menu += "<a href='/c" + std::to_string(i) + "'>カテゴリ</a><br>";
    for (int i = 0; i < 4; ++i)
        text += "第" + std::to_string(i) +
                "段落。市の委員会は火曜日、橋の予算について話し合った。<br><br>";
    const std::string page = "<table><tr><td>" + menu + "</td><td><b>橋の予算</b><br><br>" + text +
                             "</td><td><ul><li><a href='/r'>人気の記事の見出しです</a></li></ul>"
                             "</td></tr></table>";
    const ExtractedArticle article = ExtractArticle(page, "http://example.jp/");
    EXPECT_EQ(article.text.find("橋の予算\n\n第0段落。"), 0u) << article.text;
    EXPECT_THAT(article.text, HasSubstr("話し合った。\n\n第1段落。"));
    EXPECT_THAT(article.text, Not(HasSubstr("カテゴリ")));
    EXPECT_THAT(article.text, Not(HasSubstr("人気の記事")));
}

TEST(ArticleExtractor, GivesNoArticleAndAReasonForAPageOfOnlyScriptOrNothing) {
    for (const char* page : {"<html><head><script>document.write('<p>' + 'x'.repeat(900))"
                             "</script></head><body><script>run()</script></body></html>",
                             "", "<p>Hi</p>"}) {
        const ExtractedArticle article = ExtractArticle(page, "https://news.example/");
        EXPECT_EQ(article.text, "");
        EXPECT_EQ(article.html, "");
        EXPECT_EQ(article.failure, "本文が見つかりません");
    }
}

TEST(ArticleExtractor, NeverLetsScriptOrHandlersThroughToTheMarkup) {
    const std::string extra =
        "<p onclick='steal()'>Click <a href='javascript:steal()'>here</a> to read on.</p>"
        "<svg><script>steal()</script></svg><iframe src='https://evil.example/'></iframe>";
    const ExtractedArticle article = ExtractArticle(NewsPage(4, extra), "https://news.example/");
    EXPECT_THAT(article.html, Not(HasSubstr("steal")));
    EXPECT_THAT(article.html, Not(HasSubstr("evil")));
    EXPECT_THAT(article.html, Not(HasSubstr("onclick")));
}

}  // namespace
}  // namespace varlo
