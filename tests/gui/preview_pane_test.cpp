// The preview page in the real browser engine: articles written as escaped HTML or as XHTML show
// as paragraphs, links and images, never as tags in the text.

#include <wx/evtloop.h>
#include <wx/webview.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "app_fixture.h"
#include "feeds/rss_file.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/platform/background.h"
#include "gui/platform/page_script.h"
#include "gui/platform/page_scroll.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/page_fill.h"
#include "gui/views/varlo_view.h"
#include "platform/program_folder.h"
#include "preview/preview_page.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "support/loopback_server.h"

namespace varlo::test {
namespace {

// An RSS description in the form most feeds use: HTML escaped once for XML, with a CDATA part.
const char* const kEscaped =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
    "<title>Escaped &amp;amp; friends</title><link>http://example.jp/</link>"
    "<item><title>It&#039;s &lt;b&gt;escaped&lt;/b&gt;</title><link>http://example.jp/1</link>"
    "<description>&lt;p&gt;First &amp;amp; paragraph&lt;/p&gt;&lt;p&gt;Second with "
    "&lt;a href=\"http://example.jp/more?a=1&amp;amp;b=2\"&gt;a link&lt;/a&gt;&lt;br /&gt;"
    "and &lt;img src=\"http://example.jp/pic.png\" alt=\"pic\"&gt;&lt;/p&gt;"
    "<![CDATA[<p>Third from CDATA</p>]]></description></item></channel></rss>";

// Atom content of type xhtml: markup inside a div, with a prefix on some names.
const char* const kXhtml =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><feed xmlns=\"http://www.w3.org/2005/Atom\" "
    "xmlns:h=\"http://www.w3.org/1999/xhtml\"><title type=\"html\">XHTML &amp;lt;feed&amp;gt;"
    "</title><link rel=\"self\" href=\"http://example.jp/atom\"/>"
    "<link href=\"http://example.jp/\"/><entry><title>xhtml entry</title>"
    "<link rel=\"edit\" href=\"http://example.jp/edit/1\"/>"
    "<link rel=\"alternate\" href=\"http://example.jp/a/1\"/>"
    "<content type=\"xhtml\"><h:div><h:p>One <h:a href=\"http://example.jp/x\">link</h:a></h:p>"
    "<h:p>Two<h:br/><h:img src=\"http://example.jp/i.png\" alt=\"i\"/></h:p></h:div></content>"
    "</entry></feed>";

class PreviewPane : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        server.Route("/escaped.xml", Ok(kEscaped));
        server.Route("/xhtml.xml", Ok(kXhtml));
        WriteFile(dir.File("subs.xml"),
                  "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
                  "<outline title=\"A\"><outline title=\"Escaped\" xmlUrl=\"" +
                      server.Url("/escaped.xml") + "\"/><outline title=\"Xhtml\" xmlUrl=\"" +
                      server.Url("/xhtml.xml") + "\"/></outline></body></opml>");
    }
    wxWebView* Web() { return Frame().Browser()->GetWebView(); }
    // What the page shows: its title and text, the element counts of its articles, its links
    // and images.
    struct Shown {
        std::string title, text;
        int paragraphs = -1, breaks = -1;
        std::string links, images, players;
    };
    // Chooses a site, waits until the browser shows its preview page with `title` and reads what
    // it shows.
    // The page's own policy forbids scripts (and the toolkit runs scripts through eval), so the
    // page is read by a user script of the browser, which hands its findings over in the title.
    Shown ShowSite(int row, const std::string& title) {
        Web()->RemoveAllUserScripts();
        Web()->AddUserScript(
            "document.title = JSON.stringify({title: document.title,"
            " text: document.querySelector('main').innerText,"
            " paragraphs: document.querySelectorAll('.entry .body p').length,"
            " breaks: document.querySelectorAll('.entry br').length,"
            " links: Array.from(document.querySelectorAll('main a[href]'), a => a.href).join(' '),"
            " images: Array.from(document.querySelectorAll('.entry img'), i => i.src).join(' '),"
            " players: Array.from(document.querySelectorAll('audio[controls], video[controls]'),"
            " p => p.tagName + ' ' + p.src + ' ' + p.paused).join(' ')});",
            wxWEBVIEW_INJECT_AT_DOCUMENT_END);
        Frame().SiteList()->GetList()->SelectItem(SiteRow(row));
        PumpEvents();
        Shown shown;
        const bool loaded = WaitUntil([&] {
            return !Web()->IsBusy() &&
                   std::string(Web()->GetCurrentURL().utf8_str()).ends_with("MorvaPreview.html") &&
                   std::string(Web()->GetCurrentTitle().utf8_str())
                       .starts_with("{\"title\":\"" + title + "\"");
        });
        if (!loaded) return shown;
        const auto json = nlohmann::json::parse(std::string(Web()->GetCurrentTitle().utf8_str()));
        shown.title = json["title"];
        shown.text = json["text"];
        shown.paragraphs = json["paragraphs"];
        shown.breaks = json["breaks"];
        shown.links = json["links"];
        shown.images = json["images"];
        shown.players = json["players"];
        return shown;
    }

    // Nothing is being read, loaded or added to the page shown.
    bool PageSettled() {
        return !Frame().SiteList()->IsReading() && PendingBackgroundWork() == 0 &&
               !Web()->IsBusy() && !Frame().Browser()->IsFillingPage() && PendingPageScripts() == 0;
    }
    // The number a script gives in the page shown, once the engine has answered.
    int Ask(const std::string& script) {
        std::optional<int> answer;
        bool answered = false;
        RunPageScript(Web(), script, [&](std::optional<int> number) {
            answer = number;
            answered = true;
        });
        if (!WaitUntil([&] { return answered; })) return -100;
        return answer.value_or(-99);
    }
    // 1 when the page holds the articles 0 to `count` - 1, each once and in order.
    int ArticlesInOrder(int count) {
        return Ask("(function(){var a=document.querySelectorAll('main>article');if(a.length!==" +
                   std::to_string(count) +
                   ")return -a.length;for(var i=0;i<a.length;++i)if(a[i].id!=='entry-'+i)"
                   "return 0;return 1;})()");
    }
    // 1 when the article `index` stands at the top of the pane.
    int AtTop(int index) {
        return Ask("(function(){var e=document.getElementById('entry-" + std::to_string(index) +
                   "');return e&&Math.abs(e.getBoundingClientRect().top)<2?1:0;})()");
    }
    // A feed of `count` articles, each with a paragraph of about 800 bytes.
    static std::string LongFeed(int count) {
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
            "<title>Long</title><link>http://example.jp/</link>";
        std::string paragraph;
        for (int i = 0; i < 40; ++i) paragraph += "長い本文です。";
        for (int i = 0; i < count; ++i) {
            xml += "<item><title>記事 " + std::to_string(i) + "</title><link>http://example.jp/" +
                   std::to_string(i) + "</link><description>&lt;p&gt;" + paragraph +
                   "&lt;/p&gt;</description></item>";
        }
        return xml + "</channel></rss>";
    }

    LoopbackServer server;
};

TEST_F(PreviewPane, ALongPageShowsItsFirstArticlesAtOnceAndGetsTheRestInOrder) {
    server.Route("/long.xml", Ok(LongFeed(400)));
    WriteFile(dir.File("subs.xml"),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
              "<outline title=\"Long\" xmlUrl=\"" +
                  server.Url("/long.xml") + "\"/></body></opml>");
    ASSERT_TRUE(Start({dir.File("subs.xml")}));
    Frame().SetSize(900, 800);
    Frame().SiteList()->GetList()->SelectItem(SiteRow(0));
    PumpEvents();
    ASSERT_TRUE(WaitUntil([&] { return PageSettled(); }));
    // The file the engine loaded holds the first articles only; the page shown holds them all.
    const std::string file = ReadFile(GetPreviewPath());
    size_t written = 0;
    for (size_t at = 0; (at = file.find("<article", at)) != std::string::npos; ++at) ++written;
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, 200u);
    EXPECT_EQ(ArticlesInOrder(400), 1);
    // A row moves the page to its article, one added after the page was loaded too.
    Frame().ArticleList()->GetList()->SelectItem(300);
    PumpEvents();
    EXPECT_TRUE(WaitUntil([&] { return AtTop(300) == 1; }));
    SaveScreenshot(&Frame(), "preview-long-page-at-row-300");
    // A view option writes the page anew, its rest added again, with the option.
    const int titled = Ask("document.querySelector('header.feed')?1:0");
    Frame().SetActivePane(ActivePane::SiteList);
    Frame().RunCommand(cmd::kViewSiteTitle);
    ASSERT_TRUE(WaitUntil([&] { return PageSettled() && ArticlesInOrder(400) == 1; }));
    EXPECT_EQ(Ask("document.querySelector('header.feed')?1:0"), 1 - titled);
}

TEST_F(PreviewPane, ARowChosenBeforeItsArticleArrivedIsShownOnceItArrives) {
    WriteFile(dir.File("long.xml"), LongFeed(300));
    CRssFile feed;
    ASSERT_EQ(feed.ReadRss(dir.File("long.xml")), 1);
    ASSERT_EQ(feed.GetSize(), 300);
    ASSERT_TRUE(Start());
    Frame().SetSize(900, 800);
    const PreviewOptions options{false, false, true, false};
    const std::string preview = GetPreviewPath();
    const int first = WritePreviewStart(preview, feed, options, 16 * 1024, "t1");
    ASSERT_GT(first, 0);
    ASSERT_LT(first, 250);
    std::vector<PageFill::Piece> pieces;
    PreviewPieces(feed, options, first, 64 * 1024, [&](int from, int end, std::string& html) {
        pieces.push_back({from, end, PageFill::PieceScript(preview, "t1", from, end, html)});
    });
    ASSERT_GT(pieces.size(), 1u);
    CBrowserView& browser = *Frame().Browser();
    browser.ShowLocalPage(preview, PreviewAnchor(250));
    ASSERT_TRUE(WaitUntil([&] { return !Web()->IsBusy() && ArticlesInOrder(first) == 1; }));
    // At the end of what has come so far, Space waits for the rest rather than going on.
    Ask("window.scrollTo(0,document.documentElement.scrollHeight),0");
    PageScroll atEnd = PageScroll::kMoved;
    ScrollPageByScreen(Web(), preview, false, [&](PageScroll outcome) { atEnd = outcome; });
    ASSERT_TRUE(WaitUntil([] { return PendingPageScrolls() == 0; }));
    EXPECT_EQ(atEnd, PageScroll::kNotReady);
    // A piece for another page (another token) is not taken.
    const std::string stranger = PageFill::PieceScript(preview, "t0", first, first + 1, "<p>x</p>");
    EXPECT_EQ(Ask(stranger), -1);
    browser.FillPage(preview, "t1", std::move(pieces), feed.GetSize());
    ASSERT_TRUE(WaitUntil([&] { return PageSettled(); }));
    EXPECT_EQ(ArticlesInOrder(300), 1);
    EXPECT_EQ(AtTop(250), 1) << "the row chosen before its article came";
    // Loaded anew (as going back to it does), the page gets its articles again.
    browser.ShowLocalPage(preview);
    Web()->Reload();
    ASSERT_TRUE(WaitUntil([&] { return PageSettled() && ArticlesInOrder(300) == 1; }));
}

TEST_F(PreviewPane, ShowsEscapedAndXhtmlArticlesAsParagraphsLinksAndImages) {
    WriteFile(settingsPath, "[View]\nSiteTitle=1\n");
    ASSERT_TRUE(Start({dir.File("subs.xml")}));
    Frame().SetSize(900, 800);

    // An RSS title is HTML: shown as a browser shows it.
    Shown page = ShowSite(0, "Escaped & friends");
    EXPECT_EQ(page.title, "Escaped & friends");
    EXPECT_EQ(page.paragraphs, 3);
    EXPECT_EQ(page.breaks, 1);
    EXPECT_NE(page.text.find("First & paragraph"), std::string::npos) << page.text;
    EXPECT_NE(page.text.find("It's escaped"), std::string::npos) << page.text;
    EXPECT_NE(page.text.find("Third from CDATA"), std::string::npos) << page.text;
    EXPECT_EQ(page.links, "http://example.jp/ http://example.jp/1 http://example.jp/more?a=1&b=2");
    EXPECT_EQ(page.images, "http://example.jp/pic.png");
    for (const char* tag : {"<", ">", "&lt;", "&gt;", "&#039;"}) {
        EXPECT_EQ(page.text.find(tag), std::string::npos) << tag << " in " << page.text;
    }
    SaveScreenshot(&Frame(), "preview-escaped");

    page = ShowSite(1, "XHTML <feed>");
    EXPECT_EQ(page.title, "XHTML <feed>");
    EXPECT_EQ(page.paragraphs, 2);
    EXPECT_EQ(page.breaks, 1);
    EXPECT_NE(page.text.find("One link"), std::string::npos) << page.text;
    EXPECT_EQ(page.links, "http://example.jp/ http://example.jp/a/1 http://example.jp/x");
    EXPECT_EQ(page.images, "http://example.jp/i.png");
    // The feed's title shows the text "<feed>" it escaped; the article shows no tag.
    EXPECT_EQ(page.text.find('<', page.text.find("xhtml entry")), std::string::npos) << page.text;
    SaveScreenshot(&Frame(), "preview-xhtml");
}

TEST_F(PreviewPane, ShowsAPodcastsEpisodeWithAPlayerAndAVideosThumbnailAndDescription) {
    const std::string mp3 = server.Url("/ep1.mp3");
    server.Route("/podcast.xml",
                 Ok("<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\" "
                    "xmlns:media=\"http://search.yahoo.com/mrss/\"><channel><title>Cast</title>"
                    "<item><title>Episode 1</title><description>Show notes</description>"
                    "<enclosure url=\"" +
                    mp3 +
                    "\" type=\"audio/mpeg\" length=\"3145728\"/></item>"
                    "<item><title>Video</title><media:group><media:thumbnail url=\"" +
                    server.Url("/thumb.jpg") +
                    "\"/><media:description>Only this text</media:description>"
                    "</media:group></item></channel></rss>"));
    WriteFile(dir.File("subs.xml"),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
              "<outline title=\"Cast\" xmlUrl=\"" +
                  server.Url("/podcast.xml") + "\"/></body></opml>");
    ASSERT_TRUE(Start({dir.File("subs.xml")}));
    Frame().SetSize(900, 800);
    const Shown page = ShowSite(0, "Cast");
    // A player that waits for the user, the file listed with its type and size, the video's
    // thumbnail and its only text.
    EXPECT_EQ(page.players, "AUDIO " + mp3 + " true");
    EXPECT_NE(page.text.find("ep1.mp3audio/mpeg、3.0 MB"), std::string::npos) << page.text;
    EXPECT_NE(page.text.find("Only this text"), std::string::npos) << page.text;
    EXPECT_EQ(page.images, server.Url("/thumb.jpg"));
    SaveScreenshot(&Frame(), "preview-podcast");
    // Nothing was fetched but the feed itself (and the thumbnail picture).
    for (const auto& request : server.Requests()) EXPECT_NE(request.target, "/ep1.mp3");
}

TEST_F(PreviewPane, SaysInTheStatusBarWhenOnlyTheFirstArticlesWereRead) {
    std::string many = "<rss><channel><title>many</title>";
    for (int i = 0; i <= kMaxArticles; ++i) many += "<item/>";
    server.Route("/many.xml", Ok(many + "</channel></rss>"));
    WriteFile(dir.File("many.opml"),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
              "<outline title=\"A\"><outline title=\"Few\" xmlUrl=\"" +
                  server.Url("/escaped.xml") + "\"/><outline title=\"Many\" xmlUrl=\"" +
                  server.Url("/many.xml") + "\"/></outline></body></opml>");
    ASSERT_TRUE(Start({dir.File("many.opml")}));
    const auto status = [&] {
        return std::string(Frame().GetStatusBar()->GetStatusText(0).utf8_str());
    };
    Frame().SiteList()->GetList()->SelectItem(SiteRow(0));
    PumpEvents();
    EXPECT_EQ(status().find("100,000"), std::string::npos);
    Frame().SiteList()->GetList()->SelectItem(SiteRow(1));
    PumpEvents();
    EXPECT_EQ(Frame().ArticleList()->GetList()->GetItemCount(), kMaxArticles);
    EXPECT_EQ(status(), "記事が多すぎるため、最初の 100,000 件だけを読み込みました");
    SaveScreenshot(&Frame(), "article-cap");
    Frame().SiteList()->GetList()->SelectItem(SiteRow(0));
    PumpEvents();
    EXPECT_EQ(status().find("100,000"), std::string::npos);
}

TEST_F(PreviewPane, SaysInTheStatusBarWhenPartOfTheMarkupWasLeftOut) {
    std::string wide = "<rss><channel><title>wide</title><item><title>t</title><x";
    for (int i = 0; i < 1500; ++i) wide += " a" + std::to_string(i) + "=\"1\"";
    server.Route("/wide.xml", Ok(wide + "/></item></channel></rss>"));
    WriteFile(dir.File("wide.opml"),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
              "<outline title=\"A\"><outline title=\"Few\" xmlUrl=\"" +
                  server.Url("/escaped.xml") + "\"/><outline title=\"Wide\" xmlUrl=\"" +
                  server.Url("/wide.xml") + "\"/></outline></body></opml>");
    ASSERT_TRUE(Start({dir.File("wide.opml")}));
    const auto status = [&] {
        return std::string(Frame().GetStatusBar()->GetStatusText(0).utf8_str());
    };
    Frame().SiteList()->GetList()->SelectItem(SiteRow(1));
    PumpEvents();
    EXPECT_EQ(Frame().ArticleList()->GetList()->GetItemCount(), 1);
    EXPECT_EQ(status(), "フィードが大きすぎるため、一部を読み込めませんでした");
    Frame().SiteList()->GetList()->SelectItem(SiteRow(0));
    PumpEvents();
    EXPECT_EQ(status(), "ﾚﾃﾞｨ");
}

}  // namespace
}  // namespace varlo::test
