// The sample subscriptions the README opens, read as a user reads them: F5 brings each feed's
// articles, and choosing a site lists them and shows its page. The guide's pictures of the main
// window are taken here.

#include <wx/splitter.h>
#include <wx/webview.h>

#include <filesystem>

#include "app_fixture.h"
#include "gui/app/update_all.h"
#include "gui/platform/background.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "support/loopback_server.h"

namespace varlo::test {
namespace {

// The project's data/sample, beside the tests' own data.
const std::filesystem::path kSample =
    std::filesystem::path(VARLO_TEST_DATA).parent_path().parent_path() / "data" / "sample";

std::string WithPort(std::string text, int port) {
    const std::string mark = "{PORT}";
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
        text.replace(at, mark.size(), std::to_string(port));
    }
    return text;
}

class SampleWindow : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        for (const auto& entry : std::filesystem::directory_iterator(kSample / "site")) {
            const std::string name = entry.path().filename().string();
            const std::string type = name.ends_with(".html")  ? "text/html; charset=utf-8"
                                     : name.ends_with(".rdf") ? "application/rdf+xml"
                                                              : "application/xml";
            server.Route("/" + name,
                         Ok(WithPort(ReadFile(entry.path().string()), server.Port()), type));
        }
        WriteFile(dir.File("subscriptions.xml"),
                  WithPort(ReadFile((kSample / "subscriptions.xml").string()), server.Port()));
    }
    CListCtrlBox& SiteRows() { return *Frame().SiteList()->GetList(); }
    CListCtrlBox& ArticleRows() { return *Frame().ArticleList()->GetList(); }
    wxWebView* Web() { return Frame().Browser()->GetWebView(); }
    // The chosen site's articles are listed and its page is shown.
    bool Chosen(int site, int articles) {
        loads.Watch(Web());
        loads.Forget();
        SiteRows().SelectItem(SiteRow(site));
        PumpEvents();
        return WaitUntil([&] {
            if (!loads.Finished("MorvaPreview.html")) return false;
            return !Frame().SiteList()->IsReading() && PendingBackgroundWork() == 0 &&
                   ArticleRows().GetItemCount() == articles && !Web()->IsBusy() &&
                   std::string(Web()->GetCurrentURL().utf8_str()).ends_with("MorvaPreview.html");
        });
    }
    LoopbackServer server;
    test::PageLoads loads;
};

TEST_F(SampleWindow, F5ReadsEveryFeedOfTheSampleAndEachSiteListsItsArticles) {
    ASSERT_TRUE(Start({dir.File("subscriptions.xml")}));
    Frame().SetSize(940, 680);
    PumpEvents();
    Frame().OuterSplitter()->SetSashPosition(240);
    Frame().InnerSplitter()->SetSashPosition(140);
    ASSERT_EQ(SiteRowCount(), 5);

    Frame().RunCommand(cmd::kUpdateAll);
    ASSERT_TRUE(WaitUntil([&] { return !Frame().Updates().IsRunning(); }));
    // Four sites have feeds in four formats and encodings; the fifth has none.
    EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(0),
              wxString::FromUTF8("新着 4 サイト、失敗 0 サイト"));
    ASSERT_TRUE(Chosen(0, 3));
    EXPECT_EQ(ArticleRows().GetItemText(0, 0),
              wxString::FromUTF8("フィードリーダー「Varlo」が公開されました"));
    SaveScreenshot(&Frame(), "main-window");

    // The RSS 1.0 feed in Shift_JIS reads as its author wrote it.
    Frame().SetSize(1000, 720);
    PumpEvents();
    ASSERT_TRUE(Chosen(2, 3));
    EXPECT_EQ(ArticleRows().GetItemText(0, 0), wxString::FromUTF8("初雪が降りました"));
    SaveScreenshot(&Frame(), "article-preview");
}

}  // namespace
}  // namespace varlo::test
