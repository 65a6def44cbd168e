// 全文を表示 in the window: the chosen article's page fetched and its article shown in the
// preview, kept in the library and found by the search, shown at once the next time even
// offline; its failure in the status bar; Esc stopping it.

#include <wx/statusbr.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "gui/app/update_all.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/platform/background.h"
#include "gui/views/article_view.h"
#include "gui/views/varlo_view.h"
#include "platform/program_folder.h"
#include "preview/preview_page.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "shell/command_rules.h"
#include "store/library.h"
#include "store/site_settings.h"
#include "support/loopback_server.h"
#include "support/test_support.h"

namespace varlo::test {
namespace {

// A page with its article among menus and a list of related articles.
const std::string kPage =
    "<html><head><title>吊り橋の点検 - 日報</title></head><body>"
    "<ul class='menu'><li><a href='/'>トップ</a></li><li><a href='/news'>ニュース</a></li></ul>"
    "<article><h1>吊り橋の点検</h1>"
    "<p>市は火曜日、川に架かる古い吊り橋の点検を始めた。ケーブルの錆が見つかり、"
    "通行は当面、歩行者に限られる。</p>"
    "<p>点検は来月まで続き、結果は市のホームページで公表される予定だ。</p>"
    "<p>住民からは、早く補修してほしいという声が上がっている。</p></article>"
    "<div class='related'><ul><li><a href='/1'>関連する別の記事の見出し</a></li></ul></div>"
    "</body></html>";

class FullTextWindow : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        setenv("no_proxy", "*", 1);
        const std::vector<std::pair<std::string, std::string>> items = {
            {"点検の記事", "/article.html"},
            {"消えた記事", "/gone.html"},
            {"遅い記事", "/slow.html"}};
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
            "<title>日報</title><link>" +
            server.Url("/") + "</link>";
        int day = 20;
        for (const auto& [title, path] : items) {
            xml += "<item><title>" + title + "</title><guid>" + path + "</guid><link>" +
                   server.Url(path) + "</link><description>一行だけの要約</description><pubDate>" +
                   std::to_string(day--) + " Nov 2026 10:00:00 +0900</pubDate></item>";
        }
        server.Route("/news.xml", Ok(xml + "</channel></rss>"));
        server.Route("/article.html", Ok(kPage, "text/html; charset=utf-8"));
        Response slow;
        slow.stallBeforeHeaders = true;
        server.Route("/slow.html", slow);
        WriteFile(dir.File("subs.xml"),
                  "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><head><title>t"
                  "</title></head><body><outline title=\"日報\" htmlUrl=\"" +
                      server.Url("/") + "\" xmlUrl=\"" + server.Url("/news.xml") +
                      "\" /></body></opml>");
        ASSERT_TRUE(Start({dir.File("subs.xml")}));
        Frame().RunCommand(cmd::kUpdateAll);
        ASSERT_TRUE(WaitUntil([&] { return !Frame().Updates().IsRunning(); }, 20));
        Frame().SiteList()->GetList()->SelectItem(SiteRow(0));
        PumpEvents();
        ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReading(); }, 20));
        PumpEvents();
    }
    CVarloView& Sites() { return *Frame().SiteList(); }
    CListCtrlBox& ArticleRows() { return *Frame().ArticleList()->GetList(); }
    std::string Status() {
        return std::string(Frame().GetStatusBar()->GetStatusText(0).utf8_str());
    }
    void ChooseArticle(int row) {
        ArticleRows().SelectItem(row);
        ArticleRows().SetFocus();
        PumpEvents();
    }
    void Send(int code) {
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = code;
        key.SetEventObject(&Frame());
        Frame().GetEventHandler()->ProcessEvent(key);
    }
    void Key(int code) {
        Send(code);
        PumpEvents();
    }
    void WaitForFetch() {
        ASSERT_TRUE(WaitUntil([&] { return !Sites().IsFetchingFullText(); }, 20));
        // What was fetched is kept through the store's writer.
        ASSERT_TRUE(WaitUntil([] { return PendingBackgroundWork() == 0; }, 20));
        PumpEvents();
    }

    LoopbackServer server;
};

TEST_F(FullTextWindow, FShowsTheWholeArticleKeepsItForTheSearchAndOfflineUse) {
    ChooseArticle(0);
    EXPECT_TRUE(IsCommandEnabled(cmd::kShowFullText, Frame().CurrentState()));
    Key('F');
    WaitForFetch();
    const std::string page = ReadFile(GetPreviewPath());
    EXPECT_NE(page.find("ケーブルの錆が見つかり"), std::string::npos);
    EXPECT_NE(page.find("住民からは"), std::string::npos);
    EXPECT_EQ(page.find("関連する別の記事"), std::string::npos);
    EXPECT_EQ(page.find("ニュース</a>"), std::string::npos);
    SaveScreenshot(&Frame(), "full-text");

    // Kept beside the feed's text, and the search finds what only the whole article holds.
    CLibrary& library = FeedMarks().Library();
    const std::vector<int64_t> hits = library.Search("ケーブル");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(library.Rows(hits).at(0).title, "点検の記事");
    EXPECT_EQ(library.Article(hits[0])->html, "一行だけの要約");

    // The next time it shows at once, with the page's server gone.
    Response broken = Ok("x");
    broken.status = 500;
    server.Route("/article.html", broken);
    const size_t requests = server.Requests().size();
    ChooseArticle(1);
    ChooseArticle(0);
    Frame().RunCommand(cmd::kShowFullText);
    EXPECT_FALSE(Sites().IsFetchingFullText());
    EXPECT_EQ(server.Requests().size(), requests);
    EXPECT_NE(ReadFile(GetPreviewPath()).find("ケーブルの錆が見つかり"), std::string::npos);
}

TEST_F(FullTextWindow, ASiteThatAsksForWholeArticlesGetsThemForItsNewArticlesDuringF5) {
    ASSERT_TRUE(WriteStore([&](CFeedStore& store) {
        SiteSettings whole;
        whole.fullText = true;
        EXPECT_TRUE(SaveSiteSettings(store, server.Url("/news.xml"), whole));
    }));
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
        "<title>日報</title><item><title>新しい記事</title><guid>/new.html</guid><link>" +
        server.Url("/new.html") +
        "</link><description>要約</description></item>"
        "<item><title>遅い記事</title><guid>/slow.html</guid><link>" +
        server.Url("/slow.html") + "</link><description>一行だけの要約</description></item>";
    server.Route("/news.xml", Ok(xml + "</channel></rss>"));
    server.Route("/new.html", Ok(kPage, "text/html; charset=utf-8"));
    Frame().RunCommand(cmd::kUpdateAll);
    // The update runs until the new article's whole text is kept; the articles kept before it
    // (the page that never answers among them) are not fetched.
    ASSERT_TRUE(WaitUntil([&] { return !Frame().Updates().IsRunning(); }, 20));
    PumpEvents();
    EXPECT_EQ(Status(), "新着 1 サイト、失敗 0 サイト");
    const std::vector<int64_t> hits = FeedMarks().Library().Search("ケーブル");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(FeedMarks().Library().Rows(hits).at(0).title, "新しい記事");
    size_t slow = 0;
    for (const Request& request : server.Requests()) slow += request.target == "/slow.html";
    EXPECT_EQ(slow, 0u);
}

TEST_F(FullTextWindow, AFailureSaysWhyInTheStatusBarAndLeavesTheFeedsText) {
    ChooseArticle(1);
    Frame().RunCommand(cmd::kShowFullText);
    WaitForFetch();
    EXPECT_EQ(Status().rfind("全文を取得できませんでした: ", 0), 0u) << Status();
    EXPECT_GT(Status().size(), std::string("全文を取得できませんでした: ").size());
    EXPECT_TRUE(FeedMarks().Library().Search("ケーブル").empty());
}

TEST_F(FullTextWindow, EscStopsTheFetch) {
    ChooseArticle(2);
    // The keys go in without waiting for the work they start.
    Send('F');
    ASSERT_TRUE(Sites().IsFetchingFullText());
    EXPECT_EQ(Status(), "全文を取得中");
    EXPECT_TRUE(IsCommandEnabled(cmd::kStop, Frame().CurrentState()));
    Send(WXK_ESCAPE);
    WaitForFetch();
    EXPECT_EQ(Status(), "中止しました");
}

}  // namespace
}  // namespace varlo::test
