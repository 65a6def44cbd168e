// After an update the desktop hears of the new articles once, with their titles, unless the
// window is in front or the user turned it off; the launcher shows the unread count; without a
// bus or a service the program goes on as before.

#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "app_fixture.h"
#include "fake_desktop.h"
#include "gui/app/desktop_services.h"
#include "gui/app/update_all.h"
#include "gui/document/feed_marks.h"
#include "gui/platform/background.h"
#include "gui/platform/desktop_notices.h"
#include "gui/platform/tray_icon.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "store/rule_store.h"
#include "store/site_settings.h"
#include "support/loopback_server.h"

namespace varlo::test {
namespace {

class DesktopNotices : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        setenv("no_proxy", "*", 1);
        Serve(3);
        WriteFile(dir.File("subs.xml"),
                  "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
                  "<outline title=\"ニュース &amp; 天気\" xmlUrl=\"" +
                      server.Url("/news.xml") + "\" /></body></opml>");
    }
    // The feed with `count` articles, the newest last.
    void Serve(int count) {
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
            "<title>ニュース</title><link>http://example.jp/</link>";
        for (int i = 0; i < count; ++i) {
            const std::string n = std::to_string(i);
            xml += "<item><title>記事 " + n + "</title><guid>a" + n +
                   "</guid><link>http://example.jp/" + n + "</link></item>";
        }
        server.Route("/news.xml", Ok(xml + "</channel></rss>"));
    }
    void Update() {
        Frame().RunCommand(cmd::kUpdateAll);
        ASSERT_TRUE(WaitUntil([&] { return !Frame().Updates().IsRunning(); }));
    }
    CDesktopNotices& Notices() { return Frame().Desktop().Notices(); }

    LoopbackServer server;
};

TEST_F(DesktopNotices, AnUpdateIsToldOnceWithItsTitlesAndTheLauncherCountsTheUnread) {
    FakeDesktop desktop;
    ASSERT_TRUE(desktop.Running()) << "dbus-daemon is installed by the set-up";
    ASSERT_TRUE(Start({dir.File("subs.xml")}));
    Frame().Hide();
    Update();
    ASSERT_TRUE(WaitUntil([&] { return desktop.Notices().size() == 1; }));
    const RecordedNotice& notice = desktop.Notices()[0];
    EXPECT_EQ(notice.app, "Varlo");
    EXPECT_EQ(notice.summary, "新着記事 3 件");
    // Newest first, each with its site's title, escaped for the service's markup.
    EXPECT_EQ(
        notice.body,
        "記事 2 (ニュース &amp; 天気)\n記事 1 (ニュース &amp; 天気)\n記事 0 (ニュース &amp; 天気)");
    EXPECT_EQ(notice.actions.front(), "default");
    ASSERT_TRUE(WaitUntil([&] {
        return !desktop.LauncherUpdates().empty() && desktop.LauncherUpdates().back().count == 3;
    }));
    EXPECT_EQ(desktop.LauncherUpdates().back().app, "application://varlo.desktop");
    EXPECT_TRUE(desktop.LauncherUpdates().back().visible);

    // Nothing new: nothing told.
    Update();
    EXPECT_EQ(Notices().Pending(), 0);
    EXPECT_EQ(desktop.Notices().size(), 1u);

    // The notification leads to the window and its unread articles.
    Frame().SiteList()->GetList()->SelectItem(Frame().SiteList()->RowOfSite(0));
    ASSERT_TRUE(WaitUntil([&] { return !Frame().ListBusy() && PendingBackgroundWork() == 0; }));
    desktop.Choose(1);
    ASSERT_TRUE(WaitUntil([&] { return Frame().IsShown(); }));
    ASSERT_TRUE(WaitUntil([&] { return Frame().SiteList()->SelectedLibraryRow() == 0; }));

    // Marking everything read empties the count, and the launcher hides it.
    ASSERT_TRUE(WaitUntil([&] { return !Frame().ListBusy() && PendingBackgroundWork() == 0; }));
    Frame().SetActivePane(ActivePane::ArticleList);
    Frame().RunCommand(cmd::kMarkAllRead);
    PumpEvents();
    ASSERT_TRUE(WaitUntil([&] {
        return desktop.LauncherUpdates().back().count == 0 &&
               !desktop.LauncherUpdates().back().visible;
    }));
}

TEST_F(DesktopNotices, ASiteKeptQuietIsNotToldButARuleThatNotifiesSpeaksForItsMatches) {
    FakeDesktop desktop;
    ASSERT_TRUE(Start({dir.File("subs.xml")}));
    Frame().Hide();
    const std::string feed = server.Url("/news.xml");
    ASSERT_TRUE(WriteStore([feed](CFeedStore& store) {
        SiteSettings quiet;
        quiet.notify = false;
        EXPECT_TRUE(SaveSiteSettings(store, feed, quiet));
        Rule rule;
        rule.name = "記事 1 <見張り>";
        rule.conditions.push_back({RuleField::kTitle, RuleTest::kContains, "記事 1"});
        rule.action = RuleAction::kNotify;
        EXPECT_TRUE(CRuleStore(store).Add(rule).has_value());
    }));
    Update();
    ASSERT_TRUE(WaitUntil([&] { return desktop.Notices().size() == 1; }));
    ASSERT_TRUE(WaitUntil([&] { return Notices().Pending() == 0; }));
    PumpEvents();
    ASSERT_EQ(desktop.Notices().size(), 1u);
    EXPECT_EQ(desktop.Notices()[0].summary, "記事 1 <見張り>: 1 件");
    EXPECT_EQ(desktop.Notices()[0].body, "記事 1 (ニュース &amp; 天気)");
}

TEST_F(DesktopNotices, TurnedOffOrWithoutAServiceNothingIsToldAndNothingStops) {
    {
        // Off in the View menu: kept in the settings, and no call is made.
        FakeDesktop desktop;
        ASSERT_TRUE(Start({dir.File("subs.xml")}));
        Frame().Hide();
        EXPECT_EQ(CommandCheck(cmd::kViewNotify, Frame().CurrentState()), 1);
        Frame().RunCommand(cmd::kViewNotify);
        EXPECT_EQ(StoredSettings()->GetInt("View", "Notify", 1), 0);
        Update();
        EXPECT_EQ(Notices().Pending(), 0);
        EXPECT_TRUE(desktop.Notices().empty());
        Frame().RunCommand(cmd::kViewNotify);
        Stop();
    }
    {
        // A service that never answers: the call ends by its time-out, with no message box.
        FakeDesktop silent(FakeDesktop::Service::kSilent);
        Serve(4);
        ASSERT_TRUE(Start({dir.File("subs.xml")}));
        Frame().Hide();
        Update();
        ASSERT_TRUE(WaitUntil([&] { return silent.Notices().size() == 1; }));
        ASSERT_TRUE(WaitUntil([&] { return Notices().Pending() == 0; }));
        EXPECT_EQ(silent.Notices()[0].summary, "新着記事 1 件");
        Stop();
    }
    {
        // No bus at all.
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + dir.File("no-bus")).c_str(), 1);
        Serve(5);
        ASSERT_TRUE(Start({dir.File("subs.xml")}));
        Frame().Hide();
        Update();
        ASSERT_TRUE(WaitUntil([&] { return Notices().Pending() == 0; }));
        EXPECT_EQ(Frame().SiteList()->LibraryRowCountShown(0), 5);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
}

TEST_F(DesktopNotices, TheTrayCountsTheUnreadItsMenuActsAndClosingCanLeaveTheProgramInIt) {
    FakeDesktop desktop(FakeDesktop::Service::kAnswers, true);
    ASSERT_TRUE(Start({dir.File("subs.xml")}));
    CTrayIcon& tray = Frame().Desktop().Tray();
    ASSERT_TRUE(WaitUntil([&] { return desktop.TrayItems().size() == 1 && tray.Shown(); }));
    Update();
    EXPECT_EQ(tray.Title(), wxString::FromUTF8("Varlo - 未読 3 件"));
    desktop.AskTrayTitle();
    ASSERT_TRUE(WaitUntil([&] { return !desktop.TrayTitle().empty(); }));
    EXPECT_EQ(desktop.TrayTitle(), "Varlo - 未読 3 件");

    // Closing the window hides it while the tray holds the program; 表示 brings it back.
    EXPECT_EQ(CommandCheck(cmd::kViewCloseToTray, Frame().CurrentState()), 0);
    Frame().RunCommand(cmd::kViewCloseToTray);
    EXPECT_EQ(StoredSettings()->GetInt("View", "CloseToTray", 0), 1);
    Frame().Close();
    PumpEvents();
    ASSERT_NE(app->Frame(), nullptr);
    EXPECT_FALSE(Frame().IsShown());
    wxCommandEvent show(wxEVT_MENU, CTrayIcon::kShow);
    tray.Menu().ProcessEvent(show);
    EXPECT_TRUE(Frame().IsShown());
    // すべてのサイトを更新 from the tray.
    Serve(4);
    wxCommandEvent update(wxEVT_MENU, CTrayIcon::kUpdateAll);
    tray.Menu().ProcessEvent(update);
    ASSERT_TRUE(WaitUntil([&] { return !Frame().Updates().IsRunning(); }));
    EXPECT_EQ(Frame().SiteList()->LibraryRowCountShown(0), 4);

    // The tray's menu, popped up in the window (Xvfb has no tray); it closes by itself.
    wxMenu& menu = tray.Menu();
    Frame().Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
        event.Skip();
        if (event.GetMenu() != &menu) return;
        Frame().CallAfter([&] {
            SaveScreenAsIs(&Frame(), "tray-menu");
            using Popdown = void (*)(void*);
            if (auto popdown = reinterpret_cast<Popdown>(dlsym(RTLD_DEFAULT, "gtk_menu_popdown"))) {
                popdown(menu.m_menu);
            }
        });
    });
    Frame().PopupMenu(&menu, 40, 40);
    // 終了 ends the program even with the tray, as the File menu's command does.
    wxCommandEvent quit(wxEVT_MENU, CTrayIcon::kQuit);
    tray.Menu().ProcessEvent(quit);
    PumpEvents();
    EXPECT_EQ(app->Frame(), nullptr);
}

}  // namespace
}  // namespace varlo::test
