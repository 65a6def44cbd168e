// The colour scheme of the pages Varlo writes: the feed's page, the library's single article and
// the guide follow the desktop's dark preference, or the light or dark scheme chosen in the View
// menu, which the next start keeps.

#include <dlfcn.h>
#include <glib-object.h>
#include <wx/webview.h>

#include "app_fixture.h"
#include "gui/platform/background.h"
#include "gui/platform/page_script.h"
#include "gui/views/article_view.h"
#include "gui/views/browser_view.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "support/loopback_server.h"

namespace varlo::test {
namespace {

const char* const kFeed =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
    "<title>夜の記事</title><link>http://example.jp/</link>"
    "<item><title>一つ目</title><link>http://example.jp/1</link>"
    "<description>&lt;p&gt;暗い画面でも読める本文。&lt;/p&gt;</description></item>"
    "<item><title>二つ目</title><link>http://example.jp/2</link>"
    "<description>二つ目の本文。</description></item></channel></rss>";

// What the page's background is, in the engine's own computed style.
enum class Shade { Unknown, Light, Dark };

class ColorScheme : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        server.Route("/night.xml", Ok(kFeed));
        WriteFile(dir.File("subs.xml"),
                  "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
                  "<outline title=\"夜\" xmlUrl=\"" +
                      server.Url("/night.xml") + "\"/></body></opml>");
    }
    void TearDown() override {
        PreferDark(false);
        AppTest::TearDown();
    }
    // GTK's own preference, the one the web engine follows in Auto (Xvfb has no portal). The
    // toolkit is loaded with the window library; its headers are not needed for one call.
    static void PreferDark(bool dark) {
        using Getter = gpointer (*)();
        auto settings = reinterpret_cast<Getter>(dlsym(RTLD_DEFAULT, "gtk_settings_get_default"));
        ASSERT_NE(settings, nullptr);
        g_object_set(settings(), "gtk-application-prefer-dark-theme", dark ? TRUE : FALSE, nullptr);
    }
    wxWebView* Web() { return Frame().Browser()->GetWebView(); }
    bool Settled() {
        return !Frame().SiteList()->IsReading() && PendingBackgroundWork() == 0 &&
               !Web()->IsBusy() && PendingPageScripts() == 0;
    }
    Shade AskShade() {
        std::optional<int> answer;
        bool answered = false;
        // The body's background: the light page's is bright, the dark page's nearly black.
        RunPageScript(Web(),
                      "(function(){var c=getComputedStyle(document.body).backgroundColor"
                      ".match(/\\d+/g);return c?(+c[0]+ +c[1]+ +c[2]<200?2:1):0;})()",
                      [&](std::optional<int> number) {
                          answer = number;
                          answered = true;
                      });
        if (!WaitUntil([&] { return answered; })) return Shade::Unknown;
        return answer == 2 ? Shade::Dark : answer == 1 ? Shade::Light : Shade::Unknown;
    }
    // Waits until the page shown, settled, ends with `page` and has the shade `shade`.
    bool Shows(const std::string& page, Shade shade) {
        return WaitUntil([&] {
            return Settled() &&
                   std::string(Web()->GetCurrentURL().BeforeFirst('#').utf8_str())
                       .ends_with(page) &&
                   AskShade() == shade;
        });
    }
    LoopbackServer server;
};

TEST_F(ColorScheme, TheViewMenusChoiceColoursTheFeedsPageTheLibrarysArticleAndTheGuide) {
    ASSERT_TRUE(Start({dir.File("subs.xml")}));
    Frame().SetSize(900, 700);
    Frame().SiteList()->GetList()->SelectItem(SiteRow(0));
    PumpEvents();
    // Xvfb's desktop prefers nothing: Auto is light.
    ASSERT_TRUE(Shows("MorvaPreview.html", Shade::Light));
    EXPECT_EQ(Frame().CurrentState().colorScheme, 0);

    Frame().RunCommand(cmd::kSchemeDark);
    EXPECT_TRUE(Shows("MorvaPreview.html", Shade::Dark));
    SaveScreenshot(&Frame(), "scheme-dark");
    EXPECT_EQ(StoredSettings()->GetInt("View", "ColorScheme", -1), 2);

    // A chosen light scheme stays light whatever the desktop prefers.
    PreferDark(true);
    Frame().RunCommand(cmd::kSchemeLight);
    EXPECT_TRUE(Shows("MorvaPreview.html", Shade::Light));
    SaveScreenshot(&Frame(), "scheme-light");

    // The guide is shown in the scheme chosen, and again in the next one chosen.
    Frame().ShowHelp();
    EXPECT_TRUE(Shows("user-guide-light.html", Shade::Light));
    Frame().RunCommand(cmd::kSchemeDark);
    EXPECT_TRUE(Shows("user-guide-dark.html", Shade::Dark));
    SaveScreenshot(&Frame(), "scheme-guide-dark");

    // A stored article alone, from a view of the library, is written anew in the scheme.
    Frame().SiteList()->ShowSearch(wxString::FromUTF8("二つ目の本文"));
    ASSERT_TRUE(WaitUntil(
        [&] { return Settled() && Frame().ArticleList()->GetList()->GetItemCount() == 1; }));
    Frame().ArticleList()->GetList()->SelectItem(0);
    PumpEvents();
    EXPECT_TRUE(Shows("MorvaPreview.html", Shade::Dark));
    Frame().RunCommand(cmd::kSchemeLight);
    EXPECT_TRUE(Shows("MorvaPreview.html", Shade::Light));
}

TEST_F(ColorScheme, AutoFollowsTheDesktopsDarkPreferenceAsItChanges) {
    WriteFile(settingsPath, "[View]\nColorScheme=0\n");
    ASSERT_TRUE(Start({dir.File("subs.xml")}));
    Frame().SetSize(900, 700);
    Frame().SiteList()->GetList()->SelectItem(SiteRow(0));
    PumpEvents();
    ASSERT_TRUE(Shows("MorvaPreview.html", Shade::Light));
    SaveScreenshot(&Frame(), "scheme-auto-light");

    PreferDark(true);
    EXPECT_TRUE(Shows("MorvaPreview.html", Shade::Dark));
    SaveScreenshot(&Frame(), "scheme-auto-dark");
    Frame().ShowHelp();
    EXPECT_TRUE(Shows("user-guide.html", Shade::Dark));

    PreferDark(false);
    EXPECT_TRUE(Shows("user-guide.html", Shade::Light));
}

}  // namespace
}  // namespace varlo::test
