#include "preview/preview_page.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>

#include "feeds/rss_file.h"
#include "html_check.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

constexpr PreviewOptions kAll{true, true, true, true};
constexpr PreviewOptions kNone{false, false, false, false};

CRssItem& AddArticle(CRssFile& feed, std::string_view title, std::string_view link,
                     TimeValue date = 1031356801) {
    auto item = std::make_unique<CRssItem>(date);
    item->m_strTitle = Sjis(title);
    item->m_strLink = Sjis(link);
    CRssItem& ref = *item;
    feed.Add(std::move(item));
    return ref;
}

// The part of the page that carries feed content.
std::string MainOf(const std::string& page) {
    const size_t begin = page.find("<main>");
    const size_t end = page.find("</main>");
    if (begin == std::string::npos || end == std::string::npos) return {};
    return page.substr(begin + 6, end - begin - 6);
}

size_t Count(const std::string& text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// ---- Content and options

TEST(PreviewPage, IsColouredAsTheDesktopPrefersUnlessASchemeIsChosen) {
    CRssFile feed;
    AddArticle(feed, "記事", "https://example.jp/1");
    PreviewOptions options;
    const std::string automatic = BuildPreviewPage(feed, options);
    EXPECT_NE(automatic.find("<html lang=\"ja\">"), std::string::npos);
    // Dark colours apply through the desktop's preference, unless the page is held light.
    EXPECT_NE(automatic.find("@media (prefers-color-scheme: dark) {\n:root:not([data-scheme="
                             "\"light\"])"),
              std::string::npos);
    options.scheme = PageScheme::Dark;
    const std::string dark = BuildPreviewPage(feed, options);
    EXPECT_NE(dark.find("<html lang=\"ja\" data-scheme=\"dark\">"), std::string::npos);
    EXPECT_EQ(MainOf(dark), MainOf(automatic)) << "only the colours differ";
    options.scheme = PageScheme::Light;
    EXPECT_NE(BuildPreviewPage(feed, options).find("<html lang=\"ja\" data-scheme=\"light\">"),
              std::string::npos);
    // Every colour of the layout comes from the scheme's variables: none is fixed.
    const size_t layout = automatic.find("* { box-sizing");
    const size_t end = automatic.find("</style>");
    ASSERT_NE(layout, std::string::npos);
    EXPECT_EQ(automatic.substr(layout, end - layout).find('#'), std::string::npos);
    // A stored number out of range is the desktop's preference.
    EXPECT_EQ(PageSchemeFromNumber(2), PageScheme::Dark);
    EXPECT_EQ(PageSchemeFromNumber(1), PageScheme::Light);
    EXPECT_EQ(PageSchemeFromNumber(0), PageScheme::Auto);
    EXPECT_EQ(PageSchemeFromNumber(7), PageScheme::Auto);
    EXPECT_EQ(PageSchemeFromNumber(-1), PageScheme::Auto);
}

TEST(PreviewPage, ShowsTheFeedTitleLinkedToItsSiteOnlyWithSiteTitle) {
    CRssFile feed;
    feed.m_strTitle = Sjis("日本語のフィード");
    feed.m_strLink = "https://example.jp/";
    feed.m_strAuthor = Sjis("モルヴァ");
    const std::string on = BuildPreviewPage(feed, {false, false, true, false});
    EXPECT_NE(on.find("<h1><a href=\"https://example.jp/\">日本語のフィード</a></h1>"),
              std::string::npos);
    EXPECT_NE(on.find("モルヴァ"), std::string::npos);
    EXPECT_NE(on.find("<title>日本語のフィード</title>"), std::string::npos);
    const std::string off = BuildPreviewPage(feed, kNone);
    EXPECT_EQ(MainOf(off).find("日本語のフィード"), std::string::npos);
    EXPECT_EQ(off.find("<h1>"), std::string::npos);
}

TEST(PreviewPage, ShowsTheFeedDescriptionOnlyWithSiteOutline) {
    CRssFile feed;
    feed.m_strDescription = Sjis("サイトの説明\n二行目");
    feed.m_strDescriptionHtml = feed.m_strDescription;
    const std::string on = BuildPreviewPage(feed, {false, false, false, true});
    EXPECT_NE(on.find("<div class=\"outline plain\">サイトの説明\n二行目</div>"),
              std::string::npos);
    EXPECT_EQ(BuildPreviewPage(feed, {false, false, true, false}).find("サイトの説明"),
              std::string::npos);
}

TEST(PreviewPage, LinksEveryArticleTitleToItsAddressInFileOrder) {
    CRssFile feed;
    AddArticle(feed, "一つ目", "https://example.jp/1?a=1&amp;b=2");
    AddArticle(feed, "二つ目", "http://example.jp/2");
    const std::string page = BuildPreviewPage(feed, kNone);
    const size_t first = page.find("<a href=\"https://example.jp/1?a=1&amp;b=2\">一つ目</a>");
    const size_t second = page.find("<a href=\"http://example.jp/2\">二つ目</a>");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_EQ(page.find("target="), std::string::npos);
    EXPECT_EQ(Count(page, "<article class=\"entry\" id=\"entry-"), 2u);
    // Each article is the target of its row in the article list.
    EXPECT_NE(page.find("<article class=\"entry\" id=\"" + PreviewAnchor(1) + "\">"),
              std::string::npos);
}

TEST(PreviewPage, OpensLinksInANewWindowWithLinkNew) {
    CRssFile feed;
    feed.m_strTitle = "F";
    feed.m_strLink = "https://example.jp/";
    AddArticle(feed, "t", "https://example.jp/1");
    const std::string page = BuildPreviewPage(feed, {false, true, true, false});
    EXPECT_NE(page.find("<a href=\"https://example.jp/1\" target=\"_blank\" "
                        "rel=\"noopener noreferrer\">t</a>"),
              std::string::npos);
    EXPECT_NE(page.find("<a href=\"https://example.jp/\" target=\"_blank\""), std::string::npos);
    // Links inside the articles' own markup follow the option through the page's base target.
    EXPECT_NE(page.find("<base target=\"_blank\">"), std::string::npos);
}

TEST(PreviewPage, MakesOnlyWebAddressesIntoLinks) {
    CRssFile feed;
    feed.m_strTitle = "Feed";
    feed.m_strLink = "javascript:alert(1)";
    AddArticle(feed, "mail", "mailto:a@example.jp");
    AddArticle(feed, "file", "file:///etc/passwd");
    AddArticle(feed, "relative", "/2024/entry");
    const std::string main = MainOf(BuildPreviewPage(feed, kAll));
    EXPECT_EQ(main.find("<a "), std::string::npos);
    EXPECT_NE(main.find("<h2>mail</h2>"), std::string::npos);
    EXPECT_NE(main.find("<h2>relative</h2>"), std::string::npos);
    EXPECT_NE(main.find("<h1>Feed</h1>"), std::string::npos);
}

TEST(PreviewPage, ShowsEachDateInTheDisplayForm) {
    test::ScopedTimeZone zone("Asia/Tokyo");
    CRssFile feed;
    AddArticle(feed, "t", "", 1031356801);  // 2002-09-07 00:00:01 UTC
    EXPECT_NE(BuildPreviewPage(feed, kNone).find("<span class=\"date\">2002-09-07 09:00</span>"),
              std::string::npos);
}

TEST(PreviewPage, ShowsTheSummaryWithDescriptionAndTheFullContentWithout) {
    CRssFile feed;
    CRssItem& full = AddArticle(feed, "a", "");
    full.m_strDescription = Sjis("<p>要約</p>");
    full.SetDescriptionHtmlFrom(kHtmlSameAsText);
    full.SetContent(Sjis("<p>全文</p>"));
    full.SetContentHtmlFrom(kHtmlSameAsText);
    CRssItem& summaryOnly = AddArticle(feed, "b", "");
    summaryOnly.m_strDescription = Sjis("要約だけ");
    summaryOnly.SetDescriptionHtmlFrom(kHtmlSameAsText);
    const std::string summaries = BuildPreviewPage(feed, {true, false, false, false});
    EXPECT_NE(summaries.find("<p>要約</p>"), std::string::npos);
    EXPECT_EQ(summaries.find("全文"), std::string::npos);
    const std::string contents = BuildPreviewPage(feed, {false, false, false, false});
    EXPECT_NE(contents.find("<div class=\"body\"><p>全文</p></div>"), std::string::npos);
    EXPECT_EQ(contents.find("<p>要約</p>"), std::string::npos);
    // Without content of its own an article falls back to its summary.
    EXPECT_NE(contents.find("<div class=\"body plain\">要約だけ</div>"), std::string::npos);
}

TEST(PreviewPage, ShowsMarkupEscapedOnceTooOftenAsMarkupButCodeSamplesAsText) {
    CRssFile feed;
    // Escaped markup inside CDATA: no tag at all, only escaped ones.
    AddArticle(feed, "a", "").SetDescriptionHtml("&lt;p&gt;One&lt;br /&gt;two&lt;/p&gt;");
    // Real markup that shows a tag as a code sample keeps the sample as text.
    AddArticle(feed, "b", "").SetDescriptionHtml("<p>Use &lt;p&gt; here</p>");
    // Plain text that merely mentions "&lt;" is not markup.
    AddArticle(feed, "c", "").SetDescriptionHtml("1 &lt; 2 &lt;pre-order&gt;");
    CRssItem& text = AddArticle(feed, "d", "");
    text.m_nDescriptionKind = kKindText;
    text.SetDescriptionHtml("&lt;p&gt;typed as text&lt;/p&gt;");
    for (int i = 0; i < feed.GetSize(); ++i) feed.GetAt(i)->m_strDescription = "x";
    const std::string main = MainOf(BuildPreviewPage(feed, kAll));
    EXPECT_NE(main.find("<div class=\"body\"><p>One<br>two</p></div>"), std::string::npos) << main;
    EXPECT_NE(main.find("<p>Use &lt;p&gt; here</p>"), std::string::npos);
    EXPECT_NE(main.find("<div class=\"body plain\">1 &lt; 2 &lt;pre-order&gt;</div>"),
              std::string::npos);
    EXPECT_NE(main.find("&lt;p&gt;typed as text&lt;/p&gt;"), std::string::npos);
    EXPECT_EQ(SanitizedBody("&lt;b&gt;x&lt;/b&gt;", kKindHtml, ""), "<b>x</b>");
    EXPECT_EQ(SanitizedBody("&lt;b&gt;x&lt;/b&gt;", kKindText, ""), "&lt;b&gt;x&lt;/b&gt;");
}

TEST(PreviewPage, ResolvesRelativeImagesOfAnArticleAgainstItsAddress) {
    CRssFile feed;
    feed.m_strLink = "https://example.jp/";
    CRssItem& item = AddArticle(feed, "a", "https://example.jp/2024/01/entry.html");
    item.m_strDescription = "<img src=\"pic.png\"><img src=\"/top.png\">";
    item.SetDescriptionHtmlFrom(kHtmlSameAsText);
    CRssItem& noLink = AddArticle(feed, "b", "");
    noLink.m_strDescription = "<img src=\"side.png\">";
    noLink.SetDescriptionHtmlFrom(kHtmlSameAsText);
    const std::string page = BuildPreviewPage(feed, kAll);
    EXPECT_NE(page.find("<img src=\"https://example.jp/2024/01/pic.png\">"), std::string::npos);
    EXPECT_NE(page.find("<img src=\"https://example.jp/top.png\">"), std::string::npos);
    EXPECT_NE(page.find("<img src=\"https://example.jp/side.png\">"), std::string::npos);
}

TEST(PreviewPage, CarriesItsOwnStyleSheetAndNoExternalResource) {
    CRssFile feed;
    AddArticle(feed, "t", "https://example.jp/1");
    const std::string page = BuildPreviewPage(feed, kAll);
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html lang=\"ja\">", 0), 0u);
    EXPECT_NE(page.find("<style>"), std::string::npos);
    EXPECT_NE(page.find("Noto Sans CJK JP"), std::string::npos);
    // Emoji fall through the text fonts to the colour emoji font the README installs.
    EXPECT_NE(page.find("\"Noto Color Emoji\", sans-serif;"), std::string::npos);
    EXPECT_EQ(page.find("<link"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("src="), std::string::npos);
    EXPECT_EQ(page.find("url("), std::string::npos);
}

TEST(PreviewPage, ALongPageStartsWithItsFirstArticlesAndItsPiecesMakeUpTheWholePage) {
    CRssFile feed;
    for (int i = 0; i < 120; ++i) {
        AddArticle(feed, "記事 " + std::to_string(i), "https://example.jp/" + std::to_string(i))
            .SetDescriptionHtml(Sjis("<p>" + std::string(300, 'x') + "</p>"));
    }
    test::TempDir dir;
    const std::string path = dir.File("page.html");
    const int first = WritePreviewStart(path, feed, kNone, 8 * 1024, "tok\"en");
    ASSERT_GT(first, 0);
    ASSERT_LT(first, 40);
    const std::string start = test::ReadFile(path);
    // The marker names the page's token, escaped, the next article and how many there are.
    const std::string marker = "<div hidden data-varlo-fill=\"tok&quot;en\" data-next=\"" +
                               std::to_string(first) + "\" data-total=\"120\"></div>\n";
    EXPECT_NE(start.find("</main>\n" + marker + "</body>"), std::string::npos);
    std::string rest;
    int next = first;
    int pieces = 0;
    PreviewPieces(feed, kNone, first, 4 * 1024, [&](int from, int end, std::string& html) {
        EXPECT_EQ(from, next);
        EXPECT_GT(end, from);
        next = end;
        rest += html;
        ++pieces;
    });
    EXPECT_EQ(next, 120);
    EXPECT_GT(pieces, 2);
    // With its pieces at the end of <main> and without its marker, it is the whole page.
    std::string joined = start;
    joined.erase(joined.find(marker), marker.size());
    joined.insert(joined.find("</main>"), rest);
    EXPECT_EQ(joined, BuildPreviewPage(feed, kNone));
    // A page that fits is written whole, without a marker.
    EXPECT_EQ(WritePreviewStart(path, feed, kNone, std::string::npos, "t"), 120);
    EXPECT_EQ(test::ReadFile(path), BuildPreviewPage(feed, kNone));
}

TEST(PreviewPage, ShowsTheFilesAnArticleCarriesWithPlayersForWebAudioAndVideo) {
    CRssFile feed;
    feed.m_strAddress = "https://example.jp/feed.xml";
    CRssItem& podcast = AddArticle(feed, "episode", "https://example.jp/1");
    podcast.m_strDescription = "notes";
    podcast.SetDescriptionHtml("notes");
    for (MediaLink link :
         std::vector<MediaLink>{{"media/ep1.mp3", "audio/mpeg", 25 << 20, "", false},
                                {"file:///etc/passwd", "video/mp4", 0, "", false}}) {
        podcast.AddEnclosure(std::move(link));
    }
    for (MediaLink link :
         std::vector<MediaLink>{{"https://example.jp/media/ep1.mp3", "audio/mpeg", 0, "", false},
                                {"https://example.jp/clip.webm", "video/webm", 2048, "", false},
                                {"https://example.jp/t1.jpg", "", 0, "", true},
                                {"https://example.jp/t2.jpg", "", 0, "", true}}) {
        podcast.AddMedia(std::move(link));
    }
    podcast.SetMediaDescription("not shown: the article has its own text");
    CRssItem& video = AddArticle(feed, "video", "https://example.jp/2");
    video.SetMediaDescription("Only &lt;here&gt;\nsecond line");
    const std::string page = BuildPreviewPage(feed, kNone);
    const std::string main = MainOf(page);
    // After the article's text: one thumbnail, then each file once, by its resolved address.
    EXPECT_LT(main.find("notes"), main.find("<p class=\"thumbnail\">"));
    EXPECT_NE(main.find("<img src=\"https://example.jp/t1.jpg\" alt=\"\">"), std::string::npos);
    EXPECT_EQ(main.find("t2.jpg"), std::string::npos);
    EXPECT_NE(main.find("<a href=\"https://example.jp/media/ep1.mp3\">ep1.mp3</a><span "
                        "class=\"size\">audio/mpeg、25.0 MB</span><audio controls preload=\"none\" "
                        "src=\"https://example.jp/media/ep1.mp3\"></audio>"),
              std::string::npos);
    EXPECT_EQ(Count(main, "ep1.mp3</a>"), 1u);
    EXPECT_NE(main.find("<video controls preload=\"none\" src=\"https://example.jp/clip.webm\">"),
              std::string::npos);
    EXPECT_NE(main.find("video/webm、2.0 KB"), std::string::npos);
    // A file that is not on the web is listed, neither linked nor played.
    EXPECT_NE(main.find("<li>passwd<span class=\"size\">video/mp4</span></li>"), std::string::npos);
    EXPECT_EQ(main.find("file:"), std::string::npos);
    EXPECT_EQ(main.find("autoplay"), std::string::npos);
    // The Media RSS description is the text of an article that has no other.
    EXPECT_EQ(main.find("not shown"), std::string::npos);
    EXPECT_NE(main.find("<div class=\"body plain\">Only &lt;here&gt;\nsecond line</div>"),
              std::string::npos);
    EXPECT_EQ(test::HtmlProblem(main, true), "");
    EXPECT_NE(page.find("media-src http: https:;"), std::string::npos);
}

// ---- Safety

TEST(PreviewSafety, PutsAPolicyForbiddingScriptsPluginsFramesAndFormsFirstInTheHead) {
    const std::string page = BuildPreviewPage(CRssFile(), kAll);
    const size_t head = page.find("<head>");
    const size_t policy = page.find("<meta http-equiv=\"Content-Security-Policy\" content=\"");
    ASSERT_NE(policy, std::string::npos);
    // Only the character set comes before it.
    EXPECT_EQ(page.substr(head, policy - head), "<head>\n<meta charset=\"utf-8\">\n");
    const std::string rule = page.substr(policy, page.find('>', policy) - policy);
    for (const char* directive :
         {"default-src 'none'", "script-src 'none'", "object-src 'none'", "frame-src 'none'",
          "child-src 'none'", "form-action 'none'", "base-uri 'none'",
          "img-src http: https: data:", "style-src 'unsafe-inline'"}) {
        EXPECT_NE(rule.find(directive), std::string::npos) << directive;
    }
    EXPECT_EQ(rule.find("file:"), std::string::npos);
}

TEST(PreviewSafety, ShowsTitlesWithoutTheirMarkupAndEscapesWhatRemains) {
    CRssFile feed;
    feed.m_strTitle = "<script>alert(1)</script>";
    feed.m_strAuthor = "&lt;b onmouseover=x&gt;a&lt;/b&gt; & b";
    CRssItem& item =
        AddArticle(feed, "\"><img src=x onerror=alert(1)> 1 < 2", "https://example.jp/\"x");
    item.m_strCategory = "<i>c</i>";
    const std::string page = BuildPreviewPage(feed, kAll);
    EXPECT_NE(page.find("<title>alert(1)</title>"), std::string::npos);
    EXPECT_NE(page.find(">a &amp; b</p>"), std::string::npos);
    EXPECT_NE(page.find("&quot;&gt; 1 &lt; 2</a>"), std::string::npos);
    EXPECT_NE(page.find("href=\"https://example.jp/&quot;x\""), std::string::npos);
    EXPECT_NE(page.find("<span class=\"category\">c</span>"), std::string::npos);
    EXPECT_EQ(page.find("onerror"), std::string::npos);
    EXPECT_EQ(page.find("onmouseover"), std::string::npos);
    EXPECT_EQ(test::HtmlProblem(MainOf(page), true), "");
}

TEST(PreviewSafety, DecodesTheFeedsReferencesOnceAndEscapesTheResult) {
    CRssFile feed;
    AddArticle(feed, "AT&amp;T &amp;lt;b&amp;gt; &#x1F600; & R&D", "");
    // A character that code page 932 lacks is the character itself once it leaves as UTF-8. The
    // title is HTML: its text "<b>" (escaped twice) is shown, never taken for markup.
    EXPECT_NE(BuildPreviewPage(feed, kNone).find("AT&amp;T &lt;b&gt; 😀 &amp; R&amp;D"),
              std::string::npos);
}

TEST(PreviewSafety, LeavesNothingThatCanRunFromAHostileFeed) {
    CRssFile feed;
    ASSERT_EQ(feed.ReadRss(test::DataPath("preview/hostile_feed.xml")), 1);
    ASSERT_EQ(feed.GetSize(), 2);
    for (const PreviewOptions& options : {kAll, kNone}) {
        const std::string page = BuildPreviewPage(feed, options);
        const std::string main = MainOf(page);
        EXPECT_EQ(test::HtmlProblem(main, true), "") << main;
        EXPECT_EQ(Count(page, "<script"), 0u);
        EXPECT_EQ(Count(page, "<iframe"), 0u);
        EXPECT_EQ(Count(page, "<svg"), 0u);
        EXPECT_EQ(Count(page, "<form"), 0u);
        EXPECT_EQ(Count(page, "<object"), 0u);
        EXPECT_EQ(Count(page, "<embed"), 0u);
        EXPECT_EQ(Count(page, "<style"), 1u);  // the page's own
        EXPECT_EQ(Count(page, "<meta"), 4u);   // the page's own
        EXPECT_EQ(Count(page, "href=\"javascript"), 0u);
        EXPECT_EQ(Count(page, "href=\"data"), 0u);
        EXPECT_EQ(Count(page, "<base href"), 0u);
        // The one safe link of the feed survives, without its handler.
        EXPECT_NE(main.find("<a href=\"https://example.jp/ok\">ok</a>"), std::string::npos);
    }
    const std::string full = MainOf(BuildPreviewPage(feed, kNone));
    EXPECT_NE(full.find("<img src=\"https://example.jp/pic.png\">"), std::string::npos);
    EXPECT_NE(full.find("&lt;script&gt;alert(&#39;cdata&#39;)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(full.find("<b>unclosed <i>tags"), std::string::npos);
}

// ---- Writing the file

TEST(PreviewFile, WritesThePageAndReplacesAnOldOne) {
    test::TempDir dir;
    const std::string path = dir.File("MorvaPreview.html");
    test::WriteFile(path, "old page");
    CRssFile feed;
    // Enough articles that the page is written in several pieces.
    for (int i = 0; i < 2000; ++i)
        AddArticle(feed, "記事", "https://example.jp/" + std::to_string(i));
    ASSERT_TRUE(WritePreviewPage(path, feed, kAll));
    const std::string page = BuildPreviewPage(feed, kAll);
    EXPECT_GT(page.size(), 200000u);
    EXPECT_EQ(test::ReadFile(path), page);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_TRUE((std::filesystem::status(path).permissions() &
                 std::filesystem::perms::owner_read) != std::filesystem::perms::none);
}

TEST(PreviewFile, ThePageIsReadableByItsOwnerOnlyWhateverTheUmask) {
    test::TempDir dir;
    const std::string path = dir.File("MorvaPreview.html");
    CRssFile feed;
    AddArticle(feed, "記事", "https://example.jp/");
    const mode_t mask = umask(0);
    const bool written = WritePreviewPage(path, feed, kAll);
    umask(mask);
    ASSERT_TRUE(written);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(PreviewFile, ReportsAFolderItCannotWriteInAndLeavesNothingBehind) {
    test::TempDir dir;
    CRssFile feed;
    EXPECT_FALSE(WritePreviewPage(dir.File("missing/MorvaPreview.html"), feed, kAll));
    const std::string target = dir.File("page");
    std::filesystem::create_directory(target);  // a folder in the way of the rename
    EXPECT_FALSE(WritePreviewPage(target, feed, kAll));
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace varlo
