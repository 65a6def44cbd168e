#include <wx/combobox.h>
#include <wx/evtloop.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

#include <chrono>
#include <filesystem>

#include "app_fixture.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/document/feed_marks.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/message_pump.h"
#include "platform/secret_store.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "store/site_settings.h"
#include "support/loopback_server.h"

namespace varlo::test {
namespace {

const char* const kRss20 =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
    "<title>テックニュース</title><link>http://example.jp/</link><description>説明</description>"
    "<item><title>一つ目の記事</title><link>http://example.jp/1</link>"
    "<description>要約です</description><pubDate>Sun, 06 Dec 2026 10:00:00 +0900</pubDate></item>"
    "<item><title>二つ目の記事</title><link>http://example.jp/2</link></item>"
    "</channel></rss>";

const char* const kAtom10 =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
    "<title>図書館だより</title><link href=\"http://library.example/\"/>"
    "<entry><title>お知らせ</title><link href=\"http://library.example/1\"/>"
    "<updated>2026-12-06T12:00:00+09:00</updated><summary>休館日</summary></entry></feed>";

// Every way a feed may try to run something in the preview page.
const char* const kHostile =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
    "<title>Safe &lt;script&gt;document.title='PWNED'&lt;/script&gt;</title>"
    "<description><![CDATA[<img src=x onerror=\"document.title='PWNED'\">]]></description>"
    "<item><title>&lt;img src=x onerror=document.title='PWNED'&gt;</title>"
    "<link>javascript:document.title='PWNED'</link>"
    "<description><![CDATA[<script>document.title='PWNED'</script><p onclick=\"x()\">text</p>"
    "<iframe src=\"javascript:parent.document.title='PWNED'\"></iframe>"
    "<svg onload=\"document.title='PWNED'\"></svg><object data=\"x.swf\"></object>"
    "<form action=\"http://evil.example/\"><input name=q></form>"
    "<a href=\"jav&#x61;script:document.title='PWNED'\">link</a>"
    "<img src=\"file:///etc/passwd\"><style>body{display:none}</style>]]></description>"
    "</item><item><title>second</title>"
    "<description>&lt;script&gt;document.title='PWNED'&lt;/script&gt;&lt;img src=x "
    "onerror=document.title='PWNED'&gt;</description></item></channel></rss>";

class SiteListFlow : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        server.Route("/rss20.xml", Ok(kRss20));
        server.Route("/atom.xml", Ok(kAtom10));
        server.Route("/hostile.xml", Ok(kHostile));
        server.Route("/page.html",
                     Ok("<html><head><title>ページ</title><link rel=\"alternate\" "
                        "type=\"application/rss+xml\" href=\"rss20.xml\"></head><body>p</body>"
                        "</html>",
                        "text/html"));
    }
    // A subscription file of entries (title, category, feed path on the server or "" for none).
    std::string Subscriptions(const std::vector<std::array<std::string, 3>>& entries) {
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><head>"
            "<title>t</title></head><body><outline title=\"Subscriptions\">";
        for (const auto& [title, category, feed] : entries) {
            xml += "<outline title=\"" + category + "\"><outline title=\"" + title +
                   "\" htmlUrl=\"" + server.Url("/page.html") + "\"";
            if (!feed.empty()) xml += " xmlUrl=\"" + server.Url(feed) + "\"";
            xml += " /></outline>";
        }
        xml += "</outline></body></opml>";
        const std::string path = dir.File("subs.xml");
        WriteFile(path, xml);
        return path;
    }
    CVarloView& Sites() { return *Frame().SiteList(); }
    CListCtrlBox& SiteRows() { return *Sites().GetList(); }
    CListCtrlBox& ArticleRows() { return *Frame().ArticleList()->GetList(); }
    wxWebView* Web() { return Frame().Browser()->GetWebView(); }
    size_t Fetches(const std::string& target) {
        size_t n = 0;
        for (const auto& request : server.Requests()) n += request.target == target;
        return n;
    }
    // Waits as the shared helper does, then lets the window finish what the change started.
    bool WaitUntil(const std::function<bool()>& done) {
        if (!test::WaitUntil(done)) return false;
        PumpEvents();
        return true;
    }
    // Waits until the browser has loaded a page whose address ends with `suffix` and has its title.
    bool WaitForPage(const std::string& suffix) {
        const bool shown = WaitUntil([&] {
            const std::string url(Web()->GetCurrentURL().utf8_str());
            return loads.Finished(suffix) && !Web()->IsBusy() &&
                   !Web()->GetCurrentTitle().empty() && url.ends_with(suffix);
        });
        loads.Forget();
        return shown;
    }
    std::string PageTitle() { return std::string(Web()->GetCurrentTitle().utf8_str()); }
    // Selects a row as a click does.
    void Click(int row) {
        loads.Watch(Web());
        SiteRows().SelectItem(SiteRow(row));
        PumpEvents();
    }

    LoopbackServer server;
    test::PageLoads loads;
};

TEST_F(SiteListFlow, ChoosingASiteFetchesItsFeedListsItsArticlesAndShowsThePreview) {
    ASSERT_TRUE(Start({Subscriptions({{"News", "A", "/rss20.xml"}, {"Lib", "A", "/atom.xml"}})}));
    EXPECT_EQ(ArticleRows().GetItemCount(), 0) << "nothing is fetched before a site is chosen";
    Click(0);
    EXPECT_EQ(Fetches("/rss20.xml"), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir.File("down.xml")));
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    EXPECT_EQ(ArticleRows().GetItemText(0, 0), wxString::FromUTF8("一つ目の記事"));
    EXPECT_EQ(ArticleRows().GetSelectedItem(), 0);
    ASSERT_TRUE(WaitForPage("MorvaPreview.html"));
    EXPECT_EQ(PageTitle(), "テックニュース");
    const std::string page = ReadFile(dir.File("MorvaPreview.html"));
    EXPECT_NE(page.find("一つ目の記事"), std::string::npos);
    EXPECT_NE(page.find("Content-Security-Policy"), std::string::npos);

    // The row that is already chosen fetches nothing when it is chosen again.
    Click(0);
    EXPECT_EQ(Fetches("/rss20.xml"), 1u);
    Click(1);
    EXPECT_EQ(Fetches("/atom.xml"), 1u);
    EXPECT_EQ(ArticleRows().GetItemText(0, 0), wxString::FromUTF8("お知らせ"));
}

TEST_F(SiteListFlow, ARightClickOnlySelectsTheSiteAndShowsTheMenuALeftClickThenChoosesIt) {
    ASSERT_TRUE(Start({Subscriptions({{"News", "A", "/rss20.xml"}, {"Lib", "A", "/atom.xml"}})}));
    Click(0);
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    wxWindow* rows = SiteRows().GetTargetWindow();
    wxRect rect;
    ASSERT_TRUE(SiteRows().GetItemRect(SiteRow(1), rect));
    // The row's rectangle is the list's; the click lands in the inner window of the rows.
    const wxPoint point = rows->ScreenToClient(
        SiteRows().ClientToScreen(rect.GetPosition() + wxSize(10, rect.height / 2)));
    int flags = 0;
    ASSERT_EQ(SiteRows().HitTest(point, flags), SiteRow(1));

    // The menu, as the user sees it open; Esc closes it again as the user would.
    std::vector<std::string> items;
    Frame().Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
        event.Skip();
        if (!event.IsPopup() || !event.GetMenu()) return;
        for (wxMenuItem* item : event.GetMenu()->GetMenuItems()) {
            items.push_back(std::string(item->GetItemLabel().utf8_str()));
        }
        wxUIActionSimulator().Char(WXK_ESCAPE);
    });
    wxMouseEvent press(wxEVT_RIGHT_DOWN);
    press.SetPosition(point);
    press.SetEventObject(rows);
    rows->ProcessWindowEvent(press);
    wxContextMenuEvent menu(wxEVT_CONTEXT_MENU, SiteRows().GetId(), rows->ClientToScreen(point));
    menu.SetEventObject(&SiteRows());
    SiteRows().ProcessWindowEvent(menu);
    PumpEvents();
    EXPECT_EQ(Sites().SelectedSite(), 1);
    EXPECT_EQ(Fetches("/atom.xml"), 0u) << "a right click downloads nothing";
    EXPECT_EQ(ArticleRows().GetItemText(0, 0), wxString::FromUTF8("一つ目の記事"));
    EXPECT_NE(std::find(items.begin(), items.end(), "既読にする(&R)"), items.end());

    // A left click on the row, selected as it is, chooses the site.
    wxMouseEvent left(wxEVT_LEFT_DOWN);
    left.SetPosition(point);
    left.SetEventObject(rows);
    rows->ProcessWindowEvent(left);
    PumpEvents();
    EXPECT_EQ(Fetches("/atom.xml"), 1u);
    EXPECT_EQ(ArticleRows().GetItemText(0, 0), wxString::FromUTF8("お知らせ"));
}

TEST_F(SiteListFlow, ASiteWithoutFeedShowsItsPageAndEnablesAddingTheCurrentPage) {
    ASSERT_TRUE(Start({Subscriptions({{"Page", "A", ""}})}));
    EXPECT_FALSE(IsCommandEnabled(cmd::kAddCurrentPage, Frame().CurrentState()));
    Click(0);
    ASSERT_TRUE(WaitForPage("/page.html"));
    EXPECT_TRUE(IsCommandEnabled(cmd::kAddCurrentPage, Frame().CurrentState()));
    EXPECT_EQ(ArticleRows().GetItemCount(), 0);
}

TEST_F(SiteListFlow, MovingFollowsTheSelectionAndFetchesAgain) {
    ASSERT_TRUE(Start({Subscriptions({{"One", "A", "/rss20.xml"}, {"Two", "A", "/atom.xml"}})}));
    EXPECT_FALSE(IsCommandEnabled(cmd::kMoveDown, Frame().CurrentState()));
    Click(1);
    EXPECT_FALSE(IsCommandEnabled(cmd::kMoveDown, Frame().CurrentState()));
    Frame().RunCommand(cmd::kMoveUp);
    PumpEvents();
    EXPECT_EQ(Sites().SelectedSite(), 0);
    EXPECT_EQ(SiteRows().GetItemText(SiteRow(0), 0), "Two");
    EXPECT_EQ(Fetches("/atom.xml"), 2u);
    EXPECT_FALSE(IsCommandEnabled(cmd::kMoveUp, Frame().CurrentState()));
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(SiteListFlow, DeletingTheLastRowSelectsTheNewLastAndTheOnlyRowLeavesNothing) {
    ASSERT_TRUE(Start({Subscriptions({{"One", "A", "/rss20.xml"}, {"Two", "A", "/atom.xml"}})}));
    Click(1);
    {
        MessageCapture messages(kIdYes);
        Frame().RunCommand(cmd::kSiteDelete);
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0], "Two を削除しますか？");
    }
    EXPECT_EQ(SiteRowCount(), 1);
    EXPECT_EQ(Sites().SelectedSite(), 0);
    EXPECT_TRUE(Doc().IsModified());
    PumpEvents();  // the row selected now is fetched first
    {
        MessageCapture messages(kIdYes);
        Frame().RunCommand(cmd::kSiteDelete);
    }
    EXPECT_EQ(SiteRowCount(), 0);
    EXPECT_EQ(Sites().SelectedSite(), -1);
}

TEST_F(SiteListFlow, SortingClearsTheSelectionAndFetchesNothing) {
    ASSERT_TRUE(Start({Subscriptions({{"b", "Y", "/rss20.xml"}, {"a", "X", "/atom.xml"}})}));
    Click(0);
    const size_t before = server.Requests().size();
    Frame().RunCommand(cmd::kSortTitle);
    EXPECT_EQ(SiteRows().GetItemText(SiteRow(0), 0), "a");
    EXPECT_EQ(Sites().SelectedSite(), -1);
    Frame().RunCommand(cmd::kSortAscending);
    EXPECT_EQ(SiteRows().GetItemText(SiteRow(0), 0), "b");
    EXPECT_EQ(server.Requests().size(), before);
    EXPECT_EQ(CommandCheck(cmd::kSortAscending, Frame().CurrentState()), 0);
    EXPECT_EQ(CommandCheck(cmd::kSortTitle, Frame().CurrentState()), 1);
}

TEST_F(SiteListFlow, AtTheFirstStartTheArticleListShowsEightWholeRowsOfALongFeed) {
    std::string feed =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
        "<title>長い一覧</title><link>http://example.jp/</link>";
    for (int i = 0; i < 20; ++i) {
        // Titles wider than the window, as news titles often are.
        feed += "<item><title>記事 " + std::to_string(i) +
                " の見出しはとても長く、一覧の幅にはとても収まりきらないほど長い見出しです。"
                "さらに続く見出しの文章</title><link>http://example.jp/" +
                std::to_string(i) + "</link><pubDate>Wed, 09 Dec 2026 0" + std::to_string(i % 10) +
                ":00:00 +0900</pubDate></item>";
    }
    server.Route("/long.xml", Ok(feed + "</channel></rss>"));
    ASSERT_TRUE(Start({Subscriptions({{"Long", "A", "/long.xml"}})}));
    Click(0);
    ASSERT_EQ(ArticleRows().GetItemCount(), 20);
    PumpEvents();
    for (CListCtrlBox* list : {&SiteRows(), &ArticleRows()}) {
        EXPECT_GE(list->GetCountPerPage(), 8)
            << "rows " << list->GetTargetWindow()->GetClientSize().y << " of " << list->RowHeight();
    }
    SaveScreenshot(&Frame(), "first-start-eight-rows");
}

TEST_F(SiteListFlow, EditingAndDeletingASiteAreEnabledOnlyWhileASiteIsSelected) {
    ASSERT_TRUE(Start({Subscriptions({{"b", "Y", "/rss20.xml"}, {"a", "X", "/atom.xml"}})}));
    // As the 編集 menu shows them.
    auto enabled = [&](int id) {
        Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
        return Frame().GetMenuBar()->FindItem(id)->IsEnabled();
    };
    for (ActivePane pane : {ActivePane::SiteList, ActivePane::Browser}) {
        Frame().SetActivePane(pane);
        EXPECT_FALSE(enabled(cmd::kSiteEdit));
        EXPECT_FALSE(enabled(cmd::kSiteDelete));
        EXPECT_TRUE(enabled(cmd::kSiteAdd));
    }
    Click(0);
    for (ActivePane pane : {ActivePane::SiteList, ActivePane::Browser}) {
        Frame().SetActivePane(pane);
        EXPECT_TRUE(enabled(cmd::kSiteEdit));
        EXPECT_TRUE(enabled(cmd::kSiteDelete));
    }
    // Sorting leaves no site selected.
    Frame().SetActivePane(ActivePane::SiteList);
    Frame().RunCommand(cmd::kSortTitle);
    EXPECT_FALSE(enabled(cmd::kSiteEdit));
    EXPECT_FALSE(enabled(cmd::kSiteDelete));
}

TEST_F(SiteListFlow, EditingACategoryInFileOrderMovesTheSiteAfterItsNewCategory) {
    ASSERT_TRUE(Start({Subscriptions(
        {{"n1", "News", ""}, {"t1", "Tech", ""}, {"n2", "News", ""}, {"x", "Misc", ""}})}));
    Click(3);
    ExpectModal([](wxDialog* dialog) {
        static_cast<wxComboBox*>(dialog->FindWindow(1002))->SetValue("News");
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kSiteEdit);
    EXPECT_EQ(SiteRows().GetItemText(SiteRow(1), 0), "x");
    EXPECT_EQ(SiteRows().GetItemText(SiteRow(1), 1), "News");
    EXPECT_EQ(Sites().SelectedSite(), 1);
    EXPECT_TRUE(Doc().IsModified());
    // Only the title changes: the site keeps its place.
    ExpectModal([](wxDialog* dialog) {
        static_cast<wxTextCtrl*>(dialog->FindWindow(1001))->SetValue("renamed");
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kSiteEdit);
    EXPECT_EQ(SiteRows().GetItemText(SiteRow(1), 0), "renamed");
}

TEST_F(SiteListFlow, AddingASiteFindsItsFeedThroughThePage) {
    ASSERT_TRUE(Start({Subscriptions({{"One", "A", "/atom.xml"}})}));
    const std::string page = server.Url("/page.html");
    ExpectModal([page](wxDialog* dialog) {
        static_cast<wxTextCtrl*>(dialog->FindWindow(1003))->SetValue(page);
        return wxID_OK;
    });
    std::string feedField;
    ExpectModal([&feedField](wxDialog* dialog) {
        feedField = static_cast<wxTextCtrl*>(dialog->FindWindow(1004))->GetValue().utf8_str();
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kSiteAdd);
    EXPECT_EQ(feedField, server.Url("/rss20.xml"));
    ASSERT_EQ(Doc().m_opmlFile.GetCount(), 2);
    EXPECT_EQ(Doc().m_opmlFile.GetAt(1)->m_strTitle, Sjis("ページ"));
    EXPECT_EQ(Sites().SelectedSite(), 1);
    EXPECT_TRUE(Doc().IsModified());
}

TEST_F(SiteListFlow, AddingAFeedThatAsksForCredentialsOpensItsDetailsAndDeletingItForgetsThem) {
    ScopedEnv noBus{"DBUS_SESSION_BUS_ADDRESS", nullptr};
    Response refused;
    refused.status = 401;
    refused.headers = {{"WWW-Authenticate", "Basic realm=\"r\""}};
    server.Route("/private.xml", refused);
    const std::string address = server.Url("/private.xml");
    ASSERT_TRUE(Start({Subscriptions({{"One", "A", "/atom.xml"}})}));
    // Yes to sending the password over plain http, and to deleting the site.
    MessageCapture messages(kIdYes);
    ExpectModal([address](wxDialog* dialog) {
        static_cast<wxTextCtrl*>(dialog->FindWindow(1003))->SetValue(address);
        return wxID_OK;
    });
    ExpectModal([address](wxDialog* dialog) {
        EXPECT_EQ(static_cast<wxNotebook*>(dialog->FindWindow(1010))->GetSelection(), 1);
        EXPECT_EQ(static_cast<wxTextCtrl*>(dialog->FindWindow(1004))->GetValue(), address);
        static_cast<wxTextCtrl*>(dialog->FindWindow(1105))->SetValue("ann");
        static_cast<wxTextCtrl*>(dialog->FindWindow(1106))->SetValue("pw");
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kSiteAdd);
    ASSERT_FALSE(messages.Messages().empty());
    EXPECT_NE(messages.Messages()[0].find("暗号化されずに"), std::string::npos);
    ASSERT_EQ(Doc().m_opmlFile.GetCount(), 2);
    const Text feed = Doc().m_opmlFile.GetAt(1)->m_strXmlUrl;
    const std::string account = SitePasswordAccount(feed);
    ASSERT_TRUE(WaitUntil([&] { return LookupPassword(account).has_value(); }));
    EXPECT_EQ(LoadSiteSettings(FeedMarks().Store(), feed).user, "ann");
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsBusy(); }));
    Frame().RunCommand(cmd::kSiteDelete);
    EXPECT_EQ(Doc().m_opmlFile.GetCount(), 1);
    ASSERT_TRUE(WaitUntil([&] { return !LookupPassword(account).has_value(); }));
    EXPECT_EQ(LoadSiteSettings(FeedMarks().Store(), feed), SiteSettings());
}

TEST_F(SiteListFlow, ASiteThatAsksForWebPagesShowsTheChosenArticlesPage) {
    server.Route("/linked.xml",
                 Ok("<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Linked</title>"
                    "<item><title>one</title><link>" +
                    server.Url("/one.html") +
                    "</link></item>"
                    "<item><title>two</title><link>" +
                    server.Url("/two.html") + "</link></item></channel></rss>"));
    server.Route("/two.html",
                 Ok("<html><head><title>Two</title></head><body>2</body></html>", "text/html"));
    ASSERT_TRUE(Start({Subscriptions({{"Linked", "A", "/linked.xml"}})}));
    SiteSettings pages;
    pages.display = ArticleDisplay::kWebPage;
    ASSERT_TRUE(WriteStore([&](CFeedStore& store) {
        EXPECT_TRUE(SaveSiteSettings(store, server.Url("/linked.xml"), pages));
    }));
    Click(0);
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    Frame().ArticleList()->ChooseRow(1);
    ASSERT_TRUE(WaitForPage("/two.html"));
    EXPECT_EQ(PageTitle(), "Two");
}

TEST_F(SiteListFlow, CancellingASlowDiscoveryInItsProgressWindowAddsNothing) {
    Response slow = Ok("<html><head><title>slow</title></head><body>", "text/html");
    slow.generatedSize = 4 << 20;
    slow.stallAfter = 64 << 10;  // then nothing more until the server stops
    server.Route("/slow.html", slow);
    ASSERT_TRUE(Start({Subscriptions({{"One", "A", "/atom.xml"}})}));
    const std::string page = server.Url("/slow.html");
    ExpectModal([page](wxDialog* dialog) {
        static_cast<wxTextCtrl*>(dialog->FindWindow(1003))->SetValue(page);
        return wxID_OK;
    });
    // On the third piece the user presses the progress window's cancel button and confirms.
    int pumps = 0;
    bool windowSeen = false;
    ScopedMessagePumpHook hook([&] {
        if (++pumps != 3) return;
        for (wxWindow* window : wxTopLevelWindows) {
            if (window->GetLabel() != wxString::FromUTF8("ダウンロード")) continue;
            windowSeen = true;
            wxCommandEvent click(wxEVT_BUTTON, 1003);
            window->FindWindow(1003)->GetEventHandler()->ProcessEvent(click);
        }
    });
    MessageCapture messages(kIdOk);
    Frame().RunCommand(cmd::kSiteAdd);
    EXPECT_TRUE(windowSeen);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"中止しますか？"})
        << "a cancel is the user's own: no failure is reported";
    EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(0), wxString::FromUTF8("中止しました"));
    EXPECT_EQ(Doc().m_opmlFile.GetCount(), 1);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_FALSE(std::filesystem::exists(dir.File("down.html")));
}

TEST_F(SiteListFlow, AFailedDownloadSaysSoAndLeavesThePanesAsTheyWere) {
    ASSERT_TRUE(Start({Subscriptions({{"One", "A", "/rss20.xml"}, {"Gone", "A", "/missing"}})}));
    Click(0);
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    MessageCapture messages;
    Click(1);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0],
              "ダウンロードに失敗しました: サーバーがエラー 404 を返しました");
    EXPECT_EQ(ArticleRows().GetItemCount(), 2);
}

TEST_F(SiteListFlow, NothingFromAHostileFeedRunsInThePreview) {
    ASSERT_TRUE(Start({Subscriptions({{"Evil", "A", "/hostile.xml"}})}));
    Click(0);
    ASSERT_TRUE(WaitForPage("MorvaPreview.html"));
    // Give any script that could have slipped through the chance to run before looking.
    PumpEvents();
    // A script that ran would have made the title exactly "PWNED"; the feed's title shows as the
    // text its markup holds.
    EXPECT_EQ(PageTitle(), "Safe document.title='PWNED'");
    // Inside the page's tags (feed text shown as text may mention anything) nothing can run.
    const std::string page = ReadFile(dir.File("MorvaPreview.html"));
    std::string tags;
    for (size_t lt = page.find('<'); lt != std::string::npos; lt = page.find('<', lt + 1)) {
        tags += page.substr(lt, page.find('>', lt) - lt + 1);
    }
    for (const char* banned : {"<script", "onerror", "onload", "onclick", "javascript:", "<iframe",
                               "<object", "<form", "<svg", "file:///etc", "jav&#x61;"}) {
        EXPECT_EQ(tags.find(banned), std::string::npos) << banned;
    }
    EXPECT_NE(page.find("Content-Security-Policy"), std::string::npos);
    // The one relative image ("x", resolved against the feed's address) may load as an image;
    // no plug-in, frame or form of the feed asked our server for anything.
    for (const auto& request : server.Requests()) {
        EXPECT_TRUE(request.target == "/hostile.xml" || request.target == "/x") << request.target;
    }
}

}  // namespace
}  // namespace varlo::test
