// Which pane is active follows the keyboard focus, however it got there: a real click of the
// mouse in the preview, F6, or the program. The reading keys and the browser's commands then act
// as the active pane decides, and the tool bar follows the pages the preview goes to.

#include <wx/toolbar.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "gui/app/update_all.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/platform/background.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/program_folder.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "store/library.h"
#include "support/loopback_server.h"

namespace varlo::test {
namespace {

class PaneFocus : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        setenv("no_proxy", "*", 1);
        // Each article links to a page of the loopback server.
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
            "<title>ニュース</title><link>http://example.jp/</link>";
        for (int i = 0; i < 3; ++i) {
            const std::string n = std::to_string(i);
            xml += "<item><title>記事 " + n + "</title><guid>a" + n +
                   "</guid><link>http://example.jp/" + n + "</link><description>&lt;a id=\"go\" " +
                   "href=\"" + server.Url("/page.html") + "\"&gt;次のページ&lt;/a&gt;" +
                   "</description><pubDate>" + std::to_string(20 - i) +
                   " Nov 2026 10:00:00 +0900</pubDate></item>";
        }
        server.Route("/news.xml", Ok(xml + "</channel></rss>"));
        server.Route(
            "/page.html",
            Ok("<html><head><title>page</title></head><body>linked</body></html>", "text/html"));
        WriteFile(dir.File("subs.xml"),
                  "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
                  "<outline title=\"News\" xmlUrl=\"" +
                      server.Url("/news.xml") + "\" /></body></opml>");
    }
    CListCtrlBox& ArticleRows() { return *Frame().ArticleList()->GetList(); }
    wxWebView* Web() { return Frame().Browser()->GetWebView(); }
    std::string Url() { return std::string(Web()->GetCurrentURL().utf8_str()); }
    // Starts on the file, updates it and shows the unread view with its first article chosen,
    // the window on the screen and the article list active.
    void StartReading() {
        ASSERT_TRUE(Start({dir.File("subs.xml")}));
        Frame().RunCommand(cmd::kUpdateAll);
        ASSERT_TRUE(WaitUntil([&] { return !Frame().Updates().IsRunning(); }));
        Frame().SetSize(900, 700);
        Frame().Show();
        Frame().Raise();
        loads.Watch(Web());
        Frame().SiteList()->GetList()->SelectItem(0);
        PumpEvents();
        ASSERT_TRUE(WaitUntil([&] {
            return !Frame().SiteList()->IsReadingView() && ArticleRows().GetItemCount() == 3;
        }));
        Frame().ArticleList()->ChooseRow(0);
        ASSERT_TRUE(WaitUntil([&] { return PreviewShown() && PendingBackgroundWork() == 0; }));
        ClickArticle(0);
        ASSERT_TRUE(WaitUntil([&] {
            return Frame().GetActivePane() == ActivePane::ArticleList &&
                   wxWindow::FindFocus() != nullptr && PreviewShown() &&
                   PendingBackgroundWork() == 0;
        }));
    }
    // A real click of the mouse on the article list's `row`.
    void ClickArticle(int row) {
        wxRect rect;
        ASSERT_TRUE(ArticleRows().GetItemRect(row, rect));
        wxUIActionSimulator mouse;
        mouse.MouseMove(
            ArticleRows().ClientToScreen(rect.GetPosition() + wxSize(10, rect.height / 2)));
        PumpEvents();
        mouse.MouseClick();
        PumpEvents();
    }
    bool PreviewShown() {
        return loads.Finished("MorvaPreview.html") && !Web()->IsBusy() &&
               Url().find("MorvaPreview.html") != std::string::npos;
    }
    // A real click of the mouse at `at` in the preview.
    void ClickPreview(wxPoint at) {
        wxUIActionSimulator mouse;
        mouse.MouseMove(Web()->ClientToScreen(at));
        PumpEvents();
        mouse.MouseClick();
        PumpEvents();
    }
    // A key as the window gets it before any pane: the keyboard of the X server goes to whichever
    // window it last gave it to, which in a run of tests is not always this one.
    void Key(int code) {
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = code;
        key.SetEventObject(wxWindow::FindFocus());
        Frame().GetEventHandler()->ProcessEvent(key);
        PumpEvents();
    }
    bool ToolEnabled(int id) { return Frame().GetToolBar()->GetToolEnabled(id); }
    bool MenuEnabled(int id) { return IsCommandEnabled(id, Frame().CurrentState()); }

    LoopbackServer server;
    test::PageLoads loads;
};

TEST_F(PaneFocus, AClickInThePreviewMakesItActiveForTheReadingKeys) {
    StartReading();
    EXPECT_FALSE(ToolEnabled(cmd::kGoBack)) << "the article list has no navigation";
    // In the margin, away from the link.
    ClickPreview({Web()->GetClientSize().x - 20, Web()->GetClientSize().y - 20});
    ASSERT_TRUE(WaitUntil([&] {
        return Frame().GetActivePane() == ActivePane::Browser && wxWindow::FindFocus() == Web();
    }));
    EXPECT_TRUE(ToolEnabled(cmd::kGoBack));
    EXPECT_TRUE(ToolEnabled(cmd::kStop));
    // The letters act from the page as they do after F6: N reads on, M and S mark the article.
    // Each letter is pressed once the page is the reading focus (the page shown, not one on its
    // way) and the last mark was taken: the window under load gets there in its own time.
    auto settled = [&] {
        return Frame().IsReadingFocus() && wxWindow::FindFocus() == Web() &&
               !Frame().SiteList()->IsBusy() && PendingBackgroundWork() == 0;
    };
    ASSERT_TRUE(WaitUntil([&] { return Frame().ArticleList()->IsRowBold(1) && settled(); }))
        << "the next article is unread and nothing is being read";
    Key('N');
    ASSERT_TRUE(WaitUntil([&] { return ArticleRows().GetSelectedItem() == 1; }))
        << "chosen " << ArticleRows().GetSelectedItem() << ", reading focus "
        << Frame().IsReadingFocus() << ", pane " << static_cast<int>(Frame().GetActivePane())
        << ", focus on the page " << (wxWindow::FindFocus() == Web()) << ", at " << Url();
    ASSERT_TRUE(WaitUntil([&] { return PreviewShown() && PendingBackgroundWork() == 0; }));
    ASSERT_FALSE(Frame().ArticleList()->IsRowBold(1)) << "read as it was shown";
    ASSERT_TRUE(WaitUntil(settled));
    Key('M');
    EXPECT_TRUE(WaitUntil([&] { return Frame().ArticleList()->IsRowBold(1); }));
    ASSERT_TRUE(WaitUntil(settled)) << "focus on the page " << (wxWindow::FindFocus() == Web());
    Key('S');
    EXPECT_TRUE(WaitUntil([&] { return FeedMarks().Library().StarredCount() == 1; }))
        << "pane " << static_cast<int>(Frame().GetActivePane()) << ", focus on the page "
        << (wxWindow::FindFocus() == Web()) << ", enabled " << MenuEnabled(cmd::kToggleStar)
        << ", reading focus " << Frame().IsReadingFocus() << ", busy "
        << Frame().SiteList()->IsBusy() << ", row " << ArticleRows().GetSelectedItem()
        << ", stored " << [] {
               CFeedStore other;
               return other.OpenAnother(FeedMarks().Store().Path()) ? CLibrary(other).StarredCount()
                                                                    : -1;
           }();
    EXPECT_EQ(Frame().GetActivePane(), ActivePane::Browser);

    // F6 moves the focus on, and the pane with it; a click in a list takes it back.
    Frame().RunCommand(cmd::kNextPane);
    ASSERT_TRUE(WaitUntil([&] { return Frame().GetActivePane() == ActivePane::SiteList; }));
    EXPECT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == Frame().SiteList()->GetList(); }));
    Frame().RunCommand(cmd::kPrevPane);
    ASSERT_TRUE(WaitUntil([&] { return Frame().GetActivePane() == ActivePane::Browser; }));
    EXPECT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == Web(); }));
    ClickArticle(1);
    ASSERT_TRUE(WaitUntil([&] { return Frame().GetActivePane() == ActivePane::ArticleList; }));
    PumpEvents();
    Frame().RefreshCommandStates();
    EXPECT_FALSE(ToolEnabled(cmd::kGoBack));
    // The search box has the focus, yet the pane last active keeps its commands.
    Frame().RunCommand(cmd::kSearchFocus);
    PumpEvents();
    EXPECT_EQ(Frame().GetActivePane(), ActivePane::ArticleList);
    // Taken last: the picture takes the keyboard from the window for a while.
    SaveScreenshot(&Frame(), "article-list-active-after-preview");
    Frame().Hide();
}

TEST_F(PaneFocus, FollowingALinkInThePreviewBringsBackForwardAndStopAlong) {
    StartReading();
    EXPECT_FALSE(ToolEnabled(cmd::kGoBack));
    EXPECT_FALSE(MenuEnabled(cmd::kGoBack));
    ClickPreview({Web()->GetClientSize().x - 20, Web()->GetClientSize().y - 20});
    ASSERT_TRUE(WaitUntil([&] { return Frame().GetActivePane() == ActivePane::Browser; }));
    // The page's link, followed.
    Frame().Browser()->Navigate(server.Url("/page.html"));
    ASSERT_TRUE(WaitUntil([&] {
        return loads.Finished("/page.html") && Url() == server.Url("/page.html") &&
               !Web()->IsBusy();
    }));
    PumpEvents();
    EXPECT_EQ(Frame().GetActivePane(), ActivePane::Browser);
    for (const int id : {cmd::kGoBack, cmd::kGoForward, cmd::kStop}) {
        EXPECT_TRUE(ToolEnabled(id)) << id;
        EXPECT_TRUE(MenuEnabled(id)) << id;
    }
    SaveScreenshot(&Frame(), "preview-link-followed");
    // Another pane active: the site list passes them on, the article list has none.
    Frame().RunCommand(cmd::kNextPane);
    EXPECT_EQ(Frame().GetActivePane(), ActivePane::SiteList);
    EXPECT_TRUE(ToolEnabled(cmd::kGoBack));
    Frame().RunCommand(cmd::kNextPane);
    EXPECT_EQ(Frame().GetActivePane(), ActivePane::ArticleList);
    EXPECT_FALSE(ToolEnabled(cmd::kGoBack));
    Frame().Hide();
}

}  // namespace
}  // namespace varlo::test
