// The reading library in the window: the views on top of the site list with their counts, the
// marks through every entry point, reading on with N and Space across sites, the virtual lists'
// rows against the store, and the search from the tool bar's box.

#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/webview.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "gui/app/update_all.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/controls/search_box.h"
#include "gui/document/feed_marks.h"
#include "gui/platform/background.h"
#include "gui/platform/page_script.h"
#include "gui/platform/page_scroll.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/program_folder.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "store/library.h"
#include "store/write_guard.h"
#include "support/loopback_server.h"
#include "xml/document.h"

namespace varlo::test {
namespace {

// A feed whose articles are dated a day apart, the first the newest.
std::string Rss(const std::string& title, const std::vector<std::string>& articles, int day) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel><title>" + title +
        "</title><link>http://example.jp/</link>";
    for (const auto& a : articles) {
        xml += "<item><title>" + a + "</title><guid>" + a + "</guid><link>http://example.jp/" +
               std::to_string(day) + "</link><description>本文 " + a + "</description><pubDate>" +
               std::to_string(day) + " Nov 2026 10:00:00 +0900</pubDate></item>";
        --day;
    }
    return xml + "</channel></rss>";
}

// The feed with `paragraph` (escaped markup) at the start of every description.
std::string WithParagraph(std::string feed, const std::string& paragraph) {
    for (size_t at = 0; (at = feed.find("<description>", at)) != std::string::npos;) {
        at += std::string("<description>").size();
        feed.insert(at, paragraph);
    }
    return feed;
}

class LibraryWindow : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        setenv("no_proxy", "*", 1);
        server.Route("/news.xml", Ok(Rss("ニュース", {"東京の天気", "大阪の祭り"}, 20)));
        server.Route("/blog.xml", Ok(Rss("ブログ", {"Café diary"}, 25)));
        server.Route("/tech.xml", Ok(Rss("技術", {"カメラの話", "東京タワー"}, 15)));
    }
    std::string Subscriptions() {
        std::string xml =
            "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\">"
            "<head><title>t</title></head><body>";
        for (const auto& [title, feed] : std::vector<std::pair<std::string, std::string>>{
                 {"News", "/news.xml"}, {"Blog", "/blog.xml"}, {"Tech", "/tech.xml"}}) {
            xml += "<outline title=\"" + title + "\" htmlUrl=\"http://example.jp/\" xmlUrl=\"" +
                   server.Url(feed) + "\" />";
        }
        WriteFile(dir.File("subs.xml"), xml + "</body></opml>");
        return dir.File("subs.xml");
    }
    CVarloView& Sites() { return *Frame().SiteList(); }
    CListCtrlBox& SiteRows() { return *Sites().GetList(); }
    CArticleView& Articles() { return *Frame().ArticleList(); }
    CListCtrlBox& ArticleRows() { return *Articles().GetList(); }
    std::string Text(CListCtrlBox& list, int row, int column) {
        return std::string(list.GetItemText(row, column).utf8_str());
    }
    std::string Status() {
        return std::string(Frame().GetStatusBar()->GetStatusText(0).utf8_str());
    }
    bool WaitUntil(const std::function<bool()>& done) { return test::WaitUntil(done, 20); }
    // Starts on the three sites and updates them all: every article is stored, unread.
    void StartUpdated() {
        ASSERT_TRUE(Start({Subscriptions()}));
        Frame().RunCommand(cmd::kUpdateAll);
        ASSERT_TRUE(WaitUntil([&] { return !Frame().Updates().IsRunning(); }));
    }
    // Chooses the library's row `index` and waits until its view is in the article list.
    void ChooseView(int index) {
        SiteRows().SelectItem(index);
        PumpEvents();
        ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReadingView(); }));
        PumpEvents();
    }
    void ChooseSite(int index) {
        SiteRows().SelectItem(SiteRow(index));
        PumpEvents();
        ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReading(); }));
        PumpEvents();
    }
    // Chooses the site `index` while its feed answers 500; returns the messages the user saw.
    size_t ChooseSiteThatFails(int index, const std::string& feed) {
        Response broken = Ok("x");
        broken.status = 500;
        server.Route(feed, broken);
        MessageCapture messages;
        ChooseSite(index);
        return messages.Messages().size();
    }
    // Waits for the work the window handed to workers, and its results.
    void Settle() {
        ASSERT_TRUE(WaitUntil([] { return PendingBackgroundWork() == 0; }));
        PumpEvents();
    }
    // Counts the loads of the preview page the engine finishes from now on.
    void WatchPreviewLoads() {
        Frame().Browser()->GetWebView()->Bind(wxEVT_WEBVIEW_LOADED, [this](wxWebViewEvent& event) {
            if (std::string(event.GetURL().utf8_str()).find(GetPreviewPath()) != std::string::npos)
                ++previewLoads;
            event.Skip();
        });
    }
    bool PreviewLoaded() { return previewLoads > 0 && !Frame().Browser()->GetWebView()->IsBusy(); }
    int64_t Shown(int index) { return Sites().LibraryRowCountShown(index); }
    // As the frame decides for its menus and the site list's context menu.
    bool MenuEnabled(int id) { return IsCommandEnabled(id, Frame().CurrentState()); }
    void Key(int code, int modifiers = wxMOD_NONE) {
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = code;
        key.m_shiftDown = (modifiers & wxMOD_SHIFT) != 0;
        key.SetEventObject(&Frame());
        Frame().GetEventHandler()->ProcessEvent(key);
        PumpEvents();
    }

    LoopbackServer server;
    int previewLoads = 0;
};

TEST_F(LibraryWindow, TheLibrarysViewsStandOnTopWithTheirCountsAndAreNeverSaved) {
    StartUpdated();
    ASSERT_EQ(Sites().LibraryRowCount(), 3);
    EXPECT_EQ(Text(SiteRows(), 0, 0), "未読の記事");
    EXPECT_EQ(Text(SiteRows(), 0, 3), "5");
    EXPECT_TRUE(Sites().IsRowBold(0));
    EXPECT_EQ(Text(SiteRows(), 1, 0), "スター付き");
    EXPECT_EQ(Text(SiteRows(), 1, 3), "0");
    EXPECT_EQ(Text(SiteRows(), 2, 0), "非表示の記事");
    EXPECT_EQ(Text(SiteRows(), 2, 3), "0");
    EXPECT_EQ(Text(SiteRows(), SiteRow(0), 0), "News");
    EXPECT_EQ(Text(SiteRows(), SiteRow(0), 3), "2");

    // The unread view: every unread article, newest first, with the site of each.
    ChooseView(0);
    ASSERT_EQ(ArticleRows().GetItemCount(), 5);
    ASSERT_EQ(ArticleRows().GetColumnCount(), 4);
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "Café diary");
    EXPECT_EQ(Text(ArticleRows(), 0, 3), "Blog");
    EXPECT_EQ(Text(ArticleRows(), 1, 0), "東京の天気");
    EXPECT_EQ(Text(ArticleRows(), 4, 0), "東京タワー");
    EXPECT_EQ(Text(ArticleRows(), 4, 3), "Tech");
    for (int row = 0; row < 5; ++row) EXPECT_TRUE(Articles().IsRowBold(row)) << row;
    // The rows are the store's, in the store's order.
    CLibrary& library = FeedMarks().Library();
    const std::vector<LibraryRow> page = library.Page(LibraryView::Unread(), 0, 5);
    ASSERT_EQ(page.size(), 5u);
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(Text(ArticleRows(), row, 0), page[static_cast<size_t>(row)].title);
    }

    // No site command but marking read applies to the views.
    Frame().SetActivePane(ActivePane::SiteList);
    EXPECT_FALSE(MenuEnabled(cmd::kSiteEdit));
    EXPECT_FALSE(MenuEnabled(cmd::kSiteDelete));
    EXPECT_FALSE(MenuEnabled(cmd::kMoveDown));
    EXPECT_FALSE(MenuEnabled(cmd::kOpenInBrowser));
    EXPECT_TRUE(MenuEnabled(cmd::kMarkSeen));
    SaveScreenshot(&Frame(), "library-unread");

    // Sorting keeps them on top; saving writes the subscriptions only.
    Frame().RunCommand(cmd::kSortTitle);
    EXPECT_EQ(Text(SiteRows(), 0, 0), "未読の記事");
    EXPECT_EQ(Text(SiteRows(), SiteRow(0), 0), "Blog");
    Frame().RunCommand(cmd::kFileSave);
    const std::string saved = ReadFile(dir.File("subs.xml"));
    EXPECT_EQ(saved.find("未読"), std::string::npos);
    EXPECT_EQ(saved.find("スター"), std::string::npos);

    // 既読にする on the unread row reads everything.
    SiteRows().SelectItem(0);
    PumpEvents();
    Frame().SetActivePane(ActivePane::SiteList);
    Frame().RunCommand(cmd::kMarkSeen);
    PumpEvents();
    Settle();
    EXPECT_EQ(Text(SiteRows(), 0, 3), "0");
    EXPECT_EQ(library.UnreadTotal(), 0);
    EXPECT_EQ(Text(SiteRows(), SiteRow(2), 3), "");
}

TEST_F(LibraryWindow, MarksChangeThroughChoiceCommandsKeysAndTheViewsCommand) {
    StartUpdated();
    CLibrary& library = FeedMarks().Library();
    ChooseView(0);
    ASSERT_EQ(ArticleRows().GetItemCount(), 5);
    // Choosing an article reads it and shows it alone.
    Articles().ChooseRow(1);
    PumpEvents();
    EXPECT_FALSE(Articles().IsRowBold(1));
    EXPECT_EQ(Shown(0), 4);
    EXPECT_EQ(ArticleRows().GetItemCount(), 5) << "a read row stays in the view until chosen again";
    // M (the key) and the command toggle it back and forth.
    ArticleRows().SetFocus();
    PumpEvents();
    Key('M');
    EXPECT_TRUE(Articles().IsRowBold(1));
    EXPECT_EQ(Shown(0), 5);
    Frame().RunCommand(cmd::kToggleRead);
    PumpEvents();
    EXPECT_FALSE(Articles().IsRowBold(1));
    EXPECT_EQ(library.UnreadTotal(), 4);
    // S stars it; the starred view counts and shows it.
    Key('S');
    EXPECT_EQ(Shown(1), 1);
    EXPECT_EQ(library.StarredCount(), 1);
    Frame().RunCommand(cmd::kToggleStar);
    PumpEvents();
    EXPECT_EQ(Shown(1), 0);
    Frame().RunCommand(cmd::kToggleStar);
    PumpEvents();
    ChooseView(1);
    ASSERT_EQ(ArticleRows().GetItemCount(), 1);
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "東京の天気");

    // In a site: the feed's rows, toggled by key through the library.
    ChooseSite(2);
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    EXPECT_EQ(ArticleRows().GetColumnCount(), 3) << "no site column in a site's own list";
    EXPECT_EQ(library.UnreadCount(server.Url("/tech.xml")), 0) << "choosing a site reads it";
    ArticleRows().SelectItem(0);
    Frame().RunCommand(cmd::kToggleRead);
    PumpEvents();
    EXPECT_TRUE(Articles().IsRowBold(0));
    EXPECT_EQ(library.UnreadCount(server.Url("/tech.xml")), 1);
    EXPECT_EQ(Text(SiteRows(), SiteRow(2), 3), "1");
    // Mark all read from the article list's command.
    Frame().RunCommand(cmd::kMarkAllRead);
    PumpEvents();
    EXPECT_FALSE(Articles().IsRowBold(0));
    EXPECT_EQ(library.UnreadCount(server.Url("/tech.xml")), 0);
    // And in a view: everything it shows.
    ChooseView(0);
    ASSERT_GT(ArticleRows().GetItemCount(), 0);
    EXPECT_TRUE(MenuEnabled(cmd::kMarkAllRead));
    Frame().RunCommand(cmd::kMarkAllRead);
    PumpEvents();
    Settle();
    EXPECT_EQ(library.UnreadTotal(), 0);
    EXPECT_EQ(Shown(0), 0);
}

TEST_F(LibraryWindow,
       AChosenSitesDownloadIsParsedOnceAndRecordedOffTheWindowForItsListPageLibraryAndViewOptions) {
    ASSERT_TRUE(Start({Subscriptions()}));
    CLibrary& library = FeedMarks().Library();
    const uint64_t before = CMXMLDocument::ParseCount();
    const uint64_t forbidden = ForbiddenStoreWrites();
    std::optional<StoreWritesForbiddenHere> readsOnly(std::in_place);
    ChooseSite(0);
    Settle();
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    EXPECT_EQ(library.SiteArticles(server.Url("/news.xml")).size(), 2u);
    EXPECT_EQ(CMXMLDocument::ParseCount() - before, 1u) << "list, page and library";
    // A view option writes the page again from the feed as read.
    const bool description = Sites().m_bDescription;
    Frame().RunCommand(cmd::kViewDescription);
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReading(); }));
    Settle();
    EXPECT_NE(Sites().m_bDescription, description);
    EXPECT_EQ(CMXMLDocument::ParseCount() - before, 1u) << "a view option";
    // Choosing, recording and writing the page again wrote nothing on the window's thread.
    readsOnly.reset();
    EXPECT_EQ(ForbiddenStoreWrites(), forbidden);
    EXPECT_NE(ReadFile(GetPreviewPath()).find("大阪の祭り"), std::string::npos);
    // The rows take their keys from the articles: M marks the stored article.
    ArticleRows().SelectItem(1);
    Frame().RunCommand(cmd::kToggleRead);
    PumpEvents();
    EXPECT_EQ(library.UnreadCount(server.Url("/news.xml")), 1);
    Frame().RunCommand(cmd::kViewDescription);
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReading(); }));
    Settle();
}

TEST_F(LibraryWindow, NAndSpaceReadOnAcrossSitesAndNeverActInTheSearchBox) {
    // The first site's page is several screens long.
    std::string paragraphs;
    for (int i = 0; i < 60; ++i) paragraphs += "&lt;p&gt;長い本文の段落です。&lt;/p&gt;";
    server.Route("/news.xml",
                 Ok(WithParagraph(Rss("ニュース", {"東京の天気", "大阪の祭り"}, 20), paragraphs)));
    StartUpdated();
    wxWebView* web = Frame().Browser()->GetWebView();
    ASSERT_NE(web, nullptr);
    auto space = [&](int modifiers = wxMOD_NONE) {
        Key(WXK_SPACE, modifiers);
        ASSERT_TRUE(WaitUntil([&] { return PendingPageScrolls() == 0 && !Sites().IsReading(); }));
        PumpEvents();
    };
    WatchPreviewLoads();
    ChooseSite(0);
    ASSERT_TRUE(WaitUntil([&] { return PreviewLoaded(); }));
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    ArticleRows().SetFocus();
    PumpEvents();
    // Space scrolls the page a screenful and stays on the site; Shift+Space scrolls back.
    space();
    EXPECT_EQ(Sites().SelectedSite(), 0);
    PageScroll back = PageScroll::kUnavailable;
    ScrollPageByScreen(web, GetPreviewPath(), true, [&](PageScroll outcome) { back = outcome; });
    ASSERT_TRUE(WaitUntil([&] { return PendingPageScrolls() == 0; }));
    EXPECT_EQ(back, PageScroll::kMoved) << "the page had moved down";
    space(wxMOD_SHIFT);
    EXPECT_EQ(Sites().SelectedSite(), 0) << "at the top, Shift+Space goes nowhere";
    // At the end of the page, Space goes to the next site with unread articles.
    int presses = 0;
    while (Sites().SelectedSite() == 0 && presses < 100) {
        space();
        ++presses;
    }
    EXPECT_GT(presses, 2);
    ASSERT_EQ(Sites().SelectedSite(), 1);
    PumpEvents();
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "Café diary");
    // N: the next site with unread articles, skipping read ones.
    Sites().GetList()->SetFocus();
    PumpEvents();
    Key('N');
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReading() && Sites().SelectedSite() == 2; }));
    // Nothing unread is left: N stays.
    PumpEvents();
    Key('N');
    EXPECT_EQ(Sites().SelectedSite(), 2);

    // In the search box the letters are typed, not taken as commands.
    Frame().RunCommand(cmd::kSearchFocus);
    PumpEvents();
    CLibrary& library = FeedMarks().Library();
    const int64_t starred = library.StarredCount();
    Key('S');
    Key(WXK_SPACE);
    EXPECT_EQ(library.StarredCount(), starred);
    EXPECT_EQ(Sites().SelectedSite(), 2);
}

TEST_F(LibraryWindow, SpaceAtTheEndOfAnArticleOfAViewShowsTheViewsNextRow) {
    StartUpdated();
    wxWebView* web = Frame().Browser()->GetWebView();
    ASSERT_NE(web, nullptr);
    ChooseView(0);
    ASSERT_GE(ArticleRows().GetItemCount(), 2);
    WatchPreviewLoads();
    Articles().ChooseRow(0);
    PumpEvents();
    ASSERT_TRUE(WaitUntil([&] { return PreviewLoaded(); }));
    ArticleRows().SetFocus();
    PumpEvents();
    // Space scrolls the one article shown, then shows the next row of the view.
    for (int presses = 0; ArticleRows().GetSelectedItem() == 0 && presses < 20; ++presses) {
        Key(WXK_SPACE);
        ASSERT_TRUE(WaitUntil([&] { return PendingPageScrolls() == 0; }));
        PumpEvents();
    }
    EXPECT_EQ(ArticleRows().GetSelectedItem(), 1);
}

TEST_F(LibraryWindow, TheSearchBoxShowsItsResultsInTheSearchRowButNotWhileAConversionIsOpen) {
    StartUpdated();
    CSearchBox* box = Frame().SearchBox();
    ASSERT_NE(box, nullptr);
    Frame().RunCommand(cmd::kSearchFocus);
    PumpEvents();
    box->ChangeValue(wxString::FromUTF8("東京"));
    // Enter that confirms an input method's conversion: no search.
    box->OnPreeditChanged(wxString::FromUTF8("とうきょう"));
    wxCommandEvent enter(wxEVT_TEXT_ENTER, box->GetId());
    enter.SetEventObject(box);
    box->OnPreeditChanged(wxString());
    box->GetEventHandler()->ProcessEvent(enter);
    EXPECT_EQ(Sites().LibraryRowCount(), 3) << "the Enter ended the conversion only";
    PumpEvents();
    // The next Enter searches.
    box->GetEventHandler()->ProcessEvent(enter);
    ASSERT_EQ(Sites().LibraryRowCount(), 4);
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReadingView(); }));
    PumpEvents();
    EXPECT_EQ(Text(SiteRows(), 3, 0), "検索: 東京");
    EXPECT_EQ(Text(SiteRows(), 3, 3), "2");
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "東京の天気");
    EXPECT_EQ(Text(ArticleRows(), 1, 0), "東京タワー");
    EXPECT_EQ(Text(ArticleRows(), 1, 3), "Tech");
    SaveScreenshot(&Frame(), "library-search");
    // Another search replaces the words of the row; accents and case do not matter.
    box->ChangeValue("CAFE");
    box->GetEventHandler()->ProcessEvent(enter);
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReadingView(); }));
    PumpEvents();
    EXPECT_EQ(Sites().LibraryRowCount(), 4);
    EXPECT_EQ(Text(SiteRows(), 3, 0), "検索: CAFE");
    ASSERT_EQ(ArticleRows().GetItemCount(), 1);
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "Café diary");
}

TEST_F(LibraryWindow, AFailedDownloadShowsTheSitesStoredArticles) {
    StartUpdated();
    ASSERT_EQ(ChooseSiteThatFails(0, "/news.xml"), 1u);
    ASSERT_TRUE(WaitUntil([&] { return ArticleRows().GetItemCount() == 2; }));
    EXPECT_EQ(Status(), "保存済みの記事を表示しています");
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "東京の天気");
    EXPECT_TRUE(Articles().IsRowBold(0)) << "still unread: nothing was downloaded";
}

TEST_F(LibraryWindow, ASiteOfManyStoredArticlesShowsThemAllOffline) {
    std::vector<std::string> titles;
    for (int i = 0; i < 150; ++i) titles.push_back("記事" + std::to_string(i));
    const std::string paragraph = "&lt;p&gt;" + std::string(1000, 'x') + "&lt;/p&gt;";
    server.Route("/news.xml", Ok(WithParagraph(Rss("ニュース", titles, 28), paragraph)));
    StartUpdated();
    ChooseSiteThatFails(0, "/news.xml");
    CBrowserView& browser = *Frame().Browser();
    ASSERT_TRUE(WaitUntil([&] {
        return ArticleRows().GetItemCount() == 150 && PendingBackgroundWork() == 0 &&
               !browser.GetWebView()->IsBusy() && !browser.IsFillingPage() &&
               PendingPageScrolls() == 0;
    }));
    // The page loaded with its first articles; the rest were added to it.
    EXPECT_LT(ReadFile(GetPreviewPath()).find("data-varlo-fill"), std::string::npos);
    int articles = -1;
    RunPageScript(browser.GetWebView(), "document.querySelectorAll('main>article').length",
                  [&](std::optional<int> count) { articles = count.value_or(-2); });
    ASSERT_TRUE(WaitUntil([&] { return articles != -1; }));
    EXPECT_EQ(articles, 150);
}

TEST_F(LibraryWindow, AStarredArticleShowsAStarInASitesListAndInEveryView) {
    StartUpdated();
    constexpr int kStar = 2;
    ChooseSite(0);
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    EXPECT_EQ(Text(ArticleRows(), 0, kStar), "");
    ArticleRows().SelectItem(0);
    Frame().RunCommand(cmd::kToggleStar);
    PumpEvents();
    EXPECT_EQ(Text(ArticleRows(), 0, kStar), "★");
    EXPECT_EQ(Text(ArticleRows(), 1, kStar), "");
    // The star is the library's: the site read again from its feed shows it.
    ChooseSite(1);
    ChooseSite(0);
    EXPECT_EQ(Text(ArticleRows(), 0, kStar), "★");
    const int narrow = ArticleRows().GetColumnWidth(kStar);
    EXPECT_LT(narrow, ArticleRows().GetColumnWidth(1)) << "narrower than the date";
    EXPECT_GE(narrow, ArticleRows().GetTextExtent(wxString::FromUTF8("★")).x);

    ChooseView(1);
    ASSERT_EQ(ArticleRows().GetItemCount(), 1);
    EXPECT_EQ(Text(ArticleRows(), 0, kStar), "★");
    EXPECT_EQ(Text(ArticleRows(), 0, 3), "News");
    Sites().ShowSearch(wxString::FromUTF8("東京"));
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReadingView(); }));
    PumpEvents();
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "東京の天気");
    EXPECT_EQ(Text(ArticleRows(), 0, kStar), "★");
    EXPECT_EQ(Text(ArticleRows(), 1, kStar), "");
    SaveScreenshot(&Frame(), "article-list-star");

    // A read row that turns bold again keeps its whole date in view.
    ArticleRows().SelectItem(0);
    Frame().RunCommand(cmd::kToggleRead);
    PumpEvents();
    ASSERT_TRUE(Articles().IsRowBold(0));
    wxFont bold = ArticleRows().GetFont();
    bold.SetWeight(wxFONTWEIGHT_BOLD);
    int dateWidth = 0;
    ArticleRows().GetTextExtent(ArticleRows().GetItemText(0, 1), &dateWidth, nullptr, nullptr,
                                nullptr, &bold);
    EXPECT_GT(ArticleRows().GetColumnWidth(1), dateWidth);
    // The star taken away in a view leaves its row there, without the mark.
    Frame().RunCommand(cmd::kToggleStar);
    PumpEvents();
    EXPECT_EQ(Text(ArticleRows(), 0, kStar), "");
    EXPECT_EQ(FeedMarks().Library().StarredCount(), 0);
}

TEST_F(LibraryWindow, TheViewsShowTheOpenFilesSitesOnlyAndTheOthersComeBackWithTheirFile) {
    StartUpdated();
    CLibrary& library = FeedMarks().Library();
    // A starred article of the blog, which the other file does not hold.
    ChooseSite(1);
    ArticleRows().SelectItem(0);
    Frame().RunCommand(cmd::kToggleStar);
    PumpEvents();
    ASSERT_EQ(library.StarredCount(), 1);
    const int64_t unread = library.UnreadTotal();
    ASSERT_EQ(Shown(0), unread);

    // An empty document: nothing to show, nothing counted, nothing found.
    Frame().RunCommand(cmd::kFileNew);
    PumpEvents();
    EXPECT_EQ(Text(SiteRows(), 0, 3), "0");
    EXPECT_EQ(Text(SiteRows(), 1, 3), "0");
    EXPECT_FALSE(Sites().IsRowBold(0));
    ChooseView(0);
    EXPECT_EQ(ArticleRows().GetItemCount(), 0);
    Sites().ShowSearch(wxString::FromUTF8("東京"));
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReadingView(); }));
    PumpEvents();
    EXPECT_EQ(ArticleRows().GetItemCount(), 0);
    EXPECT_EQ(Text(SiteRows(), 3, 3), "0");

    // Another file holding the tech site under a title of its own, and a site never read.
    WriteFile(dir.File("other.xml"),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
              "<outline title=\"技術ブログ\" xmlUrl=\"" +
                  server.Url("/tech.xml") + "\" /><outline title=\"New\" xmlUrl=\"" +
                  server.Url("/new.xml") + "\" /></body></opml>");
    ASSERT_TRUE(app->OpenDocumentFile(dir.File("other.xml")));
    PumpEvents();
    EXPECT_EQ(Shown(0), 2);
    EXPECT_EQ(Shown(1), 0);
    ChooseView(0);
    ASSERT_EQ(ArticleRows().GetItemCount(), 2);
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "カメラの話");
    EXPECT_EQ(Text(ArticleRows(), 0, 3), "技術ブログ") << "the open file's title of the site";
    EXPECT_EQ(Text(ArticleRows(), 1, 0), "東京タワー");
    SaveScreenshot(&Frame(), "library-other-file");
    // The preview's heading names the site as this file does.
    WatchPreviewLoads();
    Articles().ChooseRow(0);
    ASSERT_TRUE(WaitUntil([&] { return PreviewLoaded(); }));
    const std::string page = ReadFile(GetPreviewPath());
    EXPECT_NE(page.find("技術ブログ"), std::string::npos);
    EXPECT_EQ(page.find(server.Url("/tech.xml")), std::string::npos);
    // A search finds this file's articles only; reading them all reads only those.
    Sites().ShowSearch(wxString::FromUTF8("東京"));
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReadingView(); }));
    PumpEvents();
    ASSERT_EQ(ArticleRows().GetItemCount(), 1);
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "東京タワー");
    ChooseView(0);
    Frame().RunCommand(cmd::kMarkAllRead);
    PumpEvents();
    Settle();
    EXPECT_EQ(Shown(0), 0);
    EXPECT_EQ(library.UnreadTotal(), unread - 2) << "the other sites' articles stay unread";
    // N finds nothing more to read here.
    EXPECT_FALSE(Sites().GoToNextUnread());

    // The first file again: its sites' articles, their marks and the star are all back.
    ASSERT_TRUE(app->OpenDocumentFile(dir.File("subs.xml")));
    PumpEvents();
    EXPECT_EQ(Shown(0), unread - 2);
    EXPECT_EQ(Shown(1), 1);
    ChooseView(1);
    ASSERT_EQ(ArticleRows().GetItemCount(), 1);
    EXPECT_EQ(Text(ArticleRows(), 0, 0), "Café diary");
    EXPECT_EQ(Text(ArticleRows(), 0, 3), "Blog");
}

}  // namespace
}  // namespace varlo::test
