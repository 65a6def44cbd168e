// Updating every site from the window: counts and bold rows, choosing and marking seen, the end
// summary and the failures, cancelling, the automatic update and marks across restarts.

#include <wx/accel.h>
#include <wx/evtloop.h>
#include <wx/menu.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/webview.h>

#include <chrono>
#include <cstdlib>

#include "app_fixture.h"
#include "fetch/http_download.h"
#include "gui/app/update_all.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/controls/update_failures_dlg.h"
#include "gui/document/feed_marks.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "support/loopback_server.h"

namespace varlo::test {
namespace {

std::string Rss(const std::string& title, const std::vector<std::string>& articles) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
        "<title>" +
        title + "</title><link>http://example.jp/</link>";
    for (const auto& a : articles) {
        xml += "<item><title>" + a + "</title><guid>" + a +
               "</guid>"
               "<pubDate>Sun, 06 Dec 2026 10:00:00 +0900</pubDate></item>";
    }
    return xml + "</channel></rss>";
}

class UpdateAllWindow : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        setenv("no_proxy", "*", 1);
        server.Route("/news.xml", Ok(Rss("ニュース", {"記事一", "記事二"})));
        server.Route("/blog.xml", Ok(Rss("ブログ", {"日記"})));
    }
    void TearDown() override {
        unsetenv("VARLO_AUTO_UPDATE_UNIT_MS");
        AppTest::TearDown();
    }
    std::string Subscriptions(const std::vector<std::pair<std::string, std::string>>& sites) {
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\">"
            "<head><title>t</title></head><body>";
        for (const auto& [title, feed] : sites) {
            xml += "<outline title=\"" + title + "\" htmlUrl=\"http://example.jp/\" xmlUrl=\"" +
                   server.Url(feed) + "\" />";
        }
        xml += "</body></opml>";
        WriteFile(dir.File("subs.xml"), xml);
        return dir.File("subs.xml");
    }
    CListCtrlBox& SiteRows() { return *Frame().SiteList()->GetList(); }
    CArticleView& Articles() { return *Frame().ArticleList(); }
    CListCtrlBox& ArticleRows() { return *Articles().GetList(); }
    std::string Count(int row) {
        return std::string(SiteRows().GetItemText(SiteRow(row), 3).utf8_str());
    }
    std::string Status() {
        return std::string(Frame().GetStatusBar()->GetStatusText(0).utf8_str());
    }
    // The update runs beside the window: short slices keep the waiting close to its end.
    bool WaitUntil(const std::function<bool()>& done) { return test::WaitUntil(done, 20); }
    bool UpdateAndWait() {
        Frame().RunCommand(cmd::kUpdateAll);
        return WaitUntil([&] { return !Frame().Updates().IsRunning(); });
    }
    bool MenuEnabled(int id) {
        Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
        return Frame().GetMenuBar()->FindItem(id)->IsEnabled();
    }

    LoopbackServer server;
};

TEST_F(UpdateAllWindow, F5UpdatesEverySiteShowsCountsInBoldAndChoosingASiteClearsItsCount) {
    ASSERT_TRUE(Start(
        {Subscriptions({{"News", "/news.xml"}, {"Gone", "/gone.xml"}, {"Blog", "/blog.xml"}})}));
    ASSERT_EQ(SiteRows().GetColumnCount(), 4);
    EXPECT_EQ(Count(0), "") << "a site never downloaded shows no count";
    EXPECT_FALSE(MenuEnabled(cmd::kShowUpdateFailures));

    ASSERT_TRUE(UpdateAndWait());
    EXPECT_EQ(Status(), "新着 2 サイト、失敗 1 サイト");
    EXPECT_EQ(Count(0), "2");
    EXPECT_EQ(Count(1), "");
    EXPECT_EQ(Count(2), "1");
    EXPECT_TRUE(Frame().SiteList()->IsRowBold(SiteRow(0)));
    EXPECT_FALSE(Frame().SiteList()->IsRowBold(SiteRow(1)));
    EXPECT_EQ(ArticleRows().GetItemCount(), 0) << "an update shows no feed by itself";
    SaveScreenshot(&Frame(), "update-all-counts");

    ASSERT_TRUE(MenuEnabled(cmd::kShowUpdateFailures));
    ExpectModal([](wxDialog* dialog) {
        auto* failures = dynamic_cast<CUpdateFailuresDlg*>(dialog);
        EXPECT_NE(failures, nullptr);
        if (failures) {
            EXPECT_EQ(failures->GetList()->GetItemCount(), 1);
            EXPECT_EQ(failures->GetList()->GetItemText(0, 0), "Gone");
            EXPECT_EQ(failures->GetList()->GetItemText(0, 1),
                      wxString::FromUTF8("サーバーがエラー 404 を返しました"));
        }
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kShowUpdateFailures);

    // Choosing a site shows its articles, the unseen ones in bold, and clears its count.
    SiteRows().SelectItem(SiteRow(0));
    PumpEvents();
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    EXPECT_TRUE(Articles().IsRowBold(0));
    EXPECT_TRUE(Articles().IsRowBold(1));
    EXPECT_EQ(Count(0), "");
    EXPECT_FALSE(Frame().SiteList()->IsRowBold(SiteRow(0)));
    // The picture of the user guide: a larger window with room for both lists.
    if (std::getenv("VARLO_SCREENSHOT_DIR")) {
        Frame().SetSize(900, 600);
        PumpEvents();
        Frame().OuterSplitter()->SetSashPosition(110);
        Frame().InnerSplitter()->SetSashPosition(110);
        SaveScreenshot(&Frame(), "update-all");
    }

    // A feed that changed: only its new article is new, and shown in bold when chosen again.
    server.Route("/news.xml", Ok(Rss("ニュース", {"記事三", "記事一", "記事二"})));
    ASSERT_TRUE(UpdateAndWait());
    EXPECT_EQ(Status(), "新着 1 サイト、失敗 1 サイト");
    EXPECT_EQ(Count(0), "1");
    EXPECT_EQ(Count(2), "1");
    SiteRows().SelectItem(SiteRow(2));
    PumpEvents();
    SiteRows().SelectItem(SiteRow(0));
    PumpEvents();
    ASSERT_EQ(ArticleRows().GetItemCount(), 3);
    EXPECT_TRUE(Articles().IsRowBold(0));
    EXPECT_FALSE(Articles().IsRowBold(1));

    // Marking a site seen from its context menu clears it without opening it.
    server.Route("/blog.xml", Ok(Rss("ブログ", {"日記", "日記二"})));
    ASSERT_TRUE(UpdateAndWait());
    EXPECT_EQ(Count(2), "1");
    {
        MessageCapture messages;
        Response broken = Ok("x");
        broken.status = 500;
        server.Route("/blog.xml", broken);
        SiteRows().SelectItem(SiteRow(2));
        PumpEvents();
    }
    EXPECT_EQ(Count(2), "1") << "a failed download marks nothing";
    Frame().SetActivePane(ActivePane::SiteList);
    Frame().RunCommand(cmd::kMarkSeen);
    PumpEvents();
    EXPECT_EQ(Count(2), "");
    EXPECT_FALSE(Frame().SiteList()->IsRowBold(SiteRow(2)));
}

TEST_F(UpdateAllWindow, TheFailuresListSaysUntilWhenAHostWaitsAndWhichSitesAreGone) {
    LoopbackServer busy("127.0.0.2");
    Response tooMany = Ok("slow down");
    tooMany.status = 429;
    tooMany.headers.emplace_back("Retry-After", "7200");
    busy.Route("/busy.xml", tooMany);
    Response gone = Ok("gone");
    gone.status = 410;
    server.Route("/gone.xml", gone);
    Response fresh = Ok(Rss("ブログ", {"日記"}));
    fresh.headers.emplace_back("Cache-Control", "max-age=3600");
    server.Route("/blog.xml", fresh);
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>";
    for (const auto& [title, url] :
         {std::pair{"Busy", busy.Url("/busy.xml")}, std::pair{"Gone", server.Url("/gone.xml")},
          std::pair{"Blog", server.Url("/blog.xml")}}) {
        xml += "<outline title=\"" + std::string(title) + "\" xmlUrl=\"" + url + "\" />";
    }
    WriteFile(dir.File("subs.xml"), xml + "</body></opml>");
    ASSERT_TRUE(Start({dir.File("subs.xml")}));

    ASSERT_TRUE(UpdateAndWait());
    EXPECT_EQ(Status(), "新着 1 サイト、失敗 2 サイト");
    ExpectModal([](wxDialog* dialog) {
        auto* failures = dynamic_cast<CUpdateFailuresDlg*>(dialog);
        EXPECT_NE(failures, nullptr);
        if (failures) {
            CListCtrlBox* list = failures->GetList();
            EXPECT_EQ(list->GetItemCount(), 2);
            EXPECT_EQ(list->GetItemText(0, 0), "Busy");
            EXPECT_TRUE(list->GetItemText(0, 1).EndsWith(wxString::FromUTF8(" まで待機中")));
            EXPECT_EQ(list->GetItemText(1, 1), wxString::FromUTF8("サイトは終了しました"));
            SaveScreenshot(dialog, "update-failures-waiting-gone");
        }
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kShowUpdateFailures);

    // The next update, automatic or not, asks neither the waiting host nor the gone site; the
    // automatic one leaves the feed still fresh as well, F5 asks it.
    const size_t asked = server.Requests().size();
    Frame().Updates().Start(true);
    ASSERT_TRUE(WaitUntil([&] { return !Frame().Updates().IsRunning(); }));
    EXPECT_EQ(server.Requests().size(), asked);
    EXPECT_EQ(busy.Requests().size(), 1u);
    ASSERT_TRUE(UpdateAndWait());
    EXPECT_EQ(server.Requests().size(), asked + 1);
    EXPECT_EQ(busy.Requests().size(), 1u);
    EXPECT_EQ(Status(), "新着 0 サイト、失敗 2 サイト");
}

TEST_F(UpdateAllWindow, AChosenSiteThatFailsSaysWhyAsTheFailuresListDoesAndRecordsWaitsAndGone) {
    // Each way a server may fail a chosen site, and the reason the failures list gives for it.
    LoopbackServer busy("127.0.0.2");
    Response tooMany = Ok("slow down");
    tooMany.status = 429;
    tooMany.headers.emplace_back("Retry-After", "7200");
    busy.Route("/busy.xml", tooMany);
    const std::vector<std::pair<int, std::string>> statuses = {
        {500, "サーバーがエラー 500 を返しました"},
        {403, "サーバーがエラー 403 を返しました"},
        {404, "サーバーがエラー 404 を返しました"},
        {429, "サーバーがエラー 429 を返しました"},
        {410, "サイトは終了しました"}};
    struct Site {
        std::string title, url, reason;
    };
    std::vector<Site> sites;
    for (const auto& [status, reason] : statuses) {
        Response refusal = Ok("no");
        refusal.status = status;
        const std::string path = "/" + std::to_string(status) + ".xml";
        server.Route(path, refusal);
        sites.push_back({std::to_string(status), server.Url(path), reason});
    }
    Response silent;
    silent.stallBeforeHeaders = true;
    server.Route("/silent.xml", silent);
    DownloadLimits limits;
    limits.stallTimeout = std::chrono::milliseconds(500);
    CHttpDownload::SetLimits(limits);
    sites.push_back({"Silent", server.Url("/silent.xml"), "操作がタイムアウトしました"});
    sites.push_back({"Refused", "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/",
                     "サーバーに接続できませんでした"});
    sites.push_back({"Busy", busy.Url("/busy.xml"), " まで待機中"});
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>";
    for (const Site& site : sites) {
        xml += "<outline title=\"" + site.title + "\" xmlUrl=\"" + site.url + "\" />";
    }
    WriteFile(dir.File("subs.xml"), xml + "</body></opml>");
    ASSERT_TRUE(Start({dir.File("subs.xml")}));

    for (size_t i = 0; i < sites.size(); ++i) {
        MessageCapture messages;
        SiteRows().SelectItem(SiteRow(static_cast<int>(i)));
        ASSERT_TRUE(WaitUntil([&] { return !Frame().SiteList()->IsDownloading(); }));
        PumpEvents();
        ASSERT_EQ(messages.Messages().size(), 1u) << sites[i].title;
        const std::string& shown = messages.Messages()[0];
        EXPECT_TRUE(shown.starts_with("ダウンロードに失敗しました: ")) << shown;
        if (sites[i].title == "Busy") {
            EXPECT_TRUE(shown.ends_with(sites[i].reason)) << shown;
        } else {
            EXPECT_EQ(shown, "ダウンロードに失敗しました: " + sites[i].reason);
        }
    }
    ASSERT_TRUE(FeedMarks().Writer()->WaitIdle(std::chrono::seconds(10)));

    // The next update asks neither the server that asked to wait nor the site that is gone, and
    // lists both as the chosen sites recorded them.
    const auto asked = [&](const std::string& path) {
        size_t n = 0;
        for (const Request& r : server.Requests()) n += r.target == path;
        return n;
    };
    server.Route("/silent.xml", Ok(Rss("ブログ", {"日記"})));  // the update's limits are longer
    ASSERT_TRUE(UpdateAndWait());
    EXPECT_EQ(busy.Requests().size(), 1u);
    EXPECT_EQ(asked("/410.xml"), 1u);
    EXPECT_EQ(asked("/500.xml"), 2u);
    ExpectModal([](wxDialog* dialog) {
        auto* failures = dynamic_cast<CUpdateFailuresDlg*>(dialog);
        EXPECT_NE(failures, nullptr);
        if (!failures) return wxID_OK;
        CListCtrlBox* list = failures->GetList();
        bool waiting = false, gone = false;
        for (int row = 0; row < list->GetItemCount(); ++row) {
            const std::string title(list->GetItemText(row, 0).utf8_str());
            const std::string reason(list->GetItemText(row, 1).utf8_str());
            if (title == "Busy") waiting = reason.ends_with(" まで待機中");
            if (title == "410") gone = reason == "サイトは終了しました";
        }
        EXPECT_TRUE(waiting);
        EXPECT_TRUE(gone);
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kShowUpdateFailures);
}

TEST_F(UpdateAllWindow, StopCancelsAnUpdateAtOnceKeepingWhatFinished) {
    Response hanging;
    hanging.stallBeforeHeaders = true;
    server.Route("/hang.xml", hanging);
    ASSERT_TRUE(Start({Subscriptions({{"News", "/news.xml"}, {"Hang", "/hang.xml"}})}));
    // F5 starts the update and Esc is the stop command, wherever the focus is in the window.
    auto command = [&](int key) {
        wxKeyEvent press(wxEVT_KEY_DOWN);
        press.m_keyCode = key;
        return Frame().GetAcceleratorTable()->GetCommand(press);
    };
    EXPECT_EQ(command(WXK_F5), cmd::kUpdateAll);
    EXPECT_EQ(command(WXK_ESCAPE), cmd::kStop);
    Frame().RunCommand(cmd::kUpdateAll);
    EXPECT_FALSE(MenuEnabled(cmd::kUpdateAll)) << "one update at a time";
    ASSERT_TRUE(WaitUntil([&] { return Count(0) == "2" || Status() == "更新中 1/2"; }));
    Frame().RunCommand(cmd::kStop);
    EXPECT_FALSE(Frame().Updates().IsRunning());
    EXPECT_EQ(Status(), "新着 1 サイト、失敗 0 サイト");
    EXPECT_EQ(Count(0), "2");
    EXPECT_EQ(Count(1), "");
    EXPECT_TRUE(MenuEnabled(cmd::kUpdateAll));
}

TEST_F(UpdateAllWindow, EscWithTheArticleListFocusedStopsTheUpdateAndSoDoesTheStopButton) {
    Response hanging;
    hanging.stallBeforeHeaders = true;
    server.Route("/hang.xml", hanging);
    ASSERT_TRUE(Start({Subscriptions({{"News", "/news.xml"}, {"Hang", "/hang.xml"}})}));
    // The user has clicked into the article list: it has the focus and the commands.
    auto startInTheArticleList = [&] {
        Frame().RunCommand(cmd::kUpdateAll);
        ASSERT_TRUE(WaitUntil([&] { return Status() == "更新中 1/2"; }));
        Frame().SetActivePane(ActivePane::ArticleList);
        ArticleRows().SetFocus();
        Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
        EXPECT_TRUE(Frame().GetToolBar()->GetToolEnabled(cmd::kStop))
            << "the stop button is live while the update runs";
        EXPECT_TRUE(MenuEnabled(cmd::kStop));
    };
    startInTheArticleList();
    SaveScreenshot(&Frame(), "stop-enabled-during-update");
    // Esc as the keyboard delivers it: to the window with the focus first, then up to the frame.
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    escape.SetEventObject(&ArticleRows());
    ArticleRows().ProcessWindowEvent(escape);
    EXPECT_FALSE(Frame().Updates().IsRunning());
    EXPECT_EQ(Status(), "新着 1 サイト、失敗 0 サイト");
    EXPECT_EQ(Count(0), "2");
    Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_FALSE(Frame().GetToolBar()->GetToolEnabled(cmd::kStop))
        << "nothing left to stop from the article list";

    // The tool bar's stop button, pressed while the article list is still the active pane.
    startInTheArticleList();
    wxCommandEvent press(wxEVT_TOOL, cmd::kStop);
    press.SetEventObject(Frame().GetToolBar());
    Frame().GetToolBar()->ProcessWindowEvent(press);
    EXPECT_FALSE(Frame().Updates().IsRunning());
}

TEST_F(UpdateAllWindow, OpeningAnotherFileStopsTheUpdateAndStartsWithEmptyPanes) {
    Response hanging;
    hanging.stallBeforeHeaders = true;
    server.Route("/hang.xml", hanging);
    ASSERT_TRUE(Start(
        {Subscriptions({{"News", "/news.xml"}, {"Hang", "/hang.xml"}, {"Blog", "/blog.xml"}})}));
    SiteRows().SelectItem(SiteRow(2));
    PumpEvents();
    ASSERT_EQ(ArticleRows().GetItemCount(), 1);
    ASSERT_FALSE(Frame().SiteList()->DownPath().empty());
    wxWebView* web = Frame().Browser()->GetWebView();
    ASSERT_TRUE(WaitUntil([&] { return web->GetCurrentURL().EndsWith("MorvaPreview.html"); }));
    Frame().RunCommand(cmd::kUpdateAll);
    ASSERT_TRUE(WaitUntil([&] { return Status() == "更新中 2/3"; }));

    const std::string other = dir.File("other.xml");
    WriteFile(other,
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><head><title>o"
              "</title></head><body><outline title=\"News\" htmlUrl=\"http://example.jp/\" "
              "xmlUrl=\"" +
                  server.Url("/news.xml") + "\" /></body></opml>");
    ASSERT_TRUE(app->OpenDocumentFile(other));
    EXPECT_FALSE(Frame().Updates().IsRunning()) << "the update worked through the old file";
    EXPECT_EQ(Count(0), "2") << "what finished before is kept";
    EXPECT_EQ(ArticleRows().GetItemCount(), 0);
    EXPECT_EQ(Doc().Feed().GetSize(), 0);
    EXPECT_EQ(Frame().SiteList()->DownPath(), "");
    EXPECT_EQ(Status(), "ﾚﾃﾞｨ");
    EXPECT_TRUE(WaitUntil([&] { return web->GetCurrentURL() == "about:blank"; }));
    // A view option re-reads the last download: there is none, so nothing of the old file returns.
    Frame().SetActivePane(ActivePane::SiteList);
    Frame().RunCommand(cmd::kViewDescription);
    EXPECT_EQ(ArticleRows().GetItemCount(), 0);
    Frame().RunCommand(cmd::kViewDescription);
    SaveScreenshot(&Frame(), "another-file-opened");
}

TEST_F(UpdateAllWindow, TheSiteListColumnsFitBoldRowsAndTheHeadingsFollowTheirWidths) {
    ASSERT_TRUE(Start({Subscriptions({{"A very long site title for the heading", "/news.xml"}})}));
    wxWindow* heading = nullptr;
    for (wxWindow* child : SiteRows().GetChildren()) {
        if (child != SiteRows().GetTargetWindow()) heading = child;
    }
    ASSERT_NE(heading, nullptr);
    PumpEvents();
    const int before = SiteRows().GetColumnWidth(0);
    // The width the headings were last drawn at.
    int drawnAt = -1;
    heading->Bind(wxEVT_PAINT, [&](wxPaintEvent& event) {
        drawnAt = SiteRows().GetColumnWidth(0);
        event.Skip();
    });
    ASSERT_TRUE(UpdateAndWait());
    ASSERT_TRUE(Frame().SiteList()->IsRowBold(SiteRow(0)));
    const int after = SiteRows().GetColumnWidth(0);
    // The columns were fitted to bold text from the start: the row turned bold is not cut.
    wxFont bold = SiteRows().GetFont();
    bold.SetWeight(wxFONTWEIGHT_BOLD);
    int boldWidth = 0;
    SiteRows().GetTextExtent(SiteRows().GetItemText(SiteRow(0), 0), &boldWidth, nullptr, nullptr,
                             nullptr, &bold);
    EXPECT_GE(before, boldWidth);
    EXPECT_GE(after, before);
    EXPECT_TRUE(WaitUntil([&] { return drawnAt == after; }))
        << "the headings are drawn at the rows' widths, not " << drawnAt;
    SaveScreenshot(&Frame(), "site-list-headings-after-update");
}

TEST_F(UpdateAllWindow, AutomaticUpdateFiresAtItsIntervalAndIsKeptInTheSettings) {
    // One "minute" of the automatic update lasts 10 ms here.
    setenv("VARLO_AUTO_UPDATE_UNIT_MS", "10", 1);
    StoredSettings()->WriteInt("View", "AutoUpdate", 15);
    ASSERT_TRUE(Start({Subscriptions({{"News", "/news.xml"}})}));
    EXPECT_EQ(Frame().Updates().AutoUpdateMinutes(), 15);
    Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_TRUE(Frame().GetMenuBar()->FindItem(cmd::kAutoUpdate15)->IsChecked());
    ASSERT_TRUE(WaitUntil([&] { return Count(0) == "2"; }));
    EXPECT_GE(server.Requests().size(), 1u);

    Frame().RunCommand(cmd::kAutoUpdateOff);
    EXPECT_EQ(StoredSettings()->GetInt("View", "AutoUpdate", -1), 0);
    EXPECT_EQ(Frame().Updates().AutoUpdateMinutes(), 0);
    Frame().RunCommand(cmd::kAutoUpdate120);
    EXPECT_EQ(StoredSettings()->GetInt("View", "AutoUpdate", -1), 120);
}

TEST_F(UpdateAllWindow, MarksSurviveARestart) {
    const std::string subs = Subscriptions({{"News", "/news.xml"}, {"Blog", "/blog.xml"}});
    ASSERT_TRUE(Start({subs}));
    ASSERT_TRUE(UpdateAndWait());
    SiteRows().SelectItem(SiteRow(1));
    PumpEvents();
    Stop();
    ASSERT_TRUE(Start({subs}));
    EXPECT_EQ(Count(0), "2");
    EXPECT_EQ(Count(1), "");
    EXPECT_TRUE(Frame().SiteList()->IsRowBold(SiteRow(0)));
}

// A chosen feed is downloaded and read off the window's thread; the user may choose another site
// before it is shown. The first result is then dropped: only the last site chosen is shown and
// marked seen.
TEST_F(UpdateAllWindow, AFeedReadAfterTheUserMovedOnIsNeitherShownNorMarkedSeen) {
    ASSERT_TRUE(Start({Subscriptions({{"News", "/news.xml"}, {"Blog", "/blog.xml"}})}));
    ASSERT_TRUE(UpdateAndWait());
    ASSERT_EQ(Count(0), "2");
    ASSERT_EQ(Count(1), "1");
    SiteRows().SelectItem(SiteRow(0));  // downloaded on a thread of its own, then read on a worker
    EXPECT_TRUE(Frame().SiteList()->IsDownloading());
    // Chosen before the news were shown: fetched once their download ends, while they are read.
    SiteRows().SelectItem(SiteRow(1));
    PumpEvents();
    EXPECT_FALSE(Frame().SiteList()->IsReading());
    ASSERT_EQ(ArticleRows().GetItemCount(), 1);
    EXPECT_EQ(ArticleRows().GetItemText(0, 0), wxString::FromUTF8("日記"));
    EXPECT_EQ(Count(0), "2") << "the news were never shown, so they stay unseen";
    EXPECT_EQ(Count(1), "");
}

}  // namespace
}  // namespace varlo::test
