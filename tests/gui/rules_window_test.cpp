// Rules in the window: the dialog and its editor with the live count and the regular expression's
// error, "すべての記事に適用" with the hidden articles' row, and rules on articles as they arrive.
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "encoding/codepage.h"
#include "gui/app/update_all.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/controls/rule_edit_dlg.h"
#include "gui/controls/rules_dlg.h"
#include "gui/document/feed_marks.h"
#include "gui/views/article_view.h"
#include "gui/views/varlo_view.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "store/rule_store.h"
#include "support/loopback_server.h"

namespace varlo::test {
namespace {

std::string Rss(const std::vector<std::string>& titles) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel>"
        "<title>t</title><link>http://example.jp/</link>";
    int day = 20;
    for (const auto& title : titles) {
        xml += "<item><title>" + title + "</title><guid>" + title + "</guid><pubDate>" +
               std::to_string(day--) + " Nov 2026 10:00:00 +0900</pubDate></item>";
    }
    return xml + "</channel></rss>";
}

class RulesWindow : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        setenv("no_proxy", "*", 1);
        server.Route("/news.xml", Ok(Rss({"東京の天気", "大阪の祭り", "【PR】 東京の新製品"})));
        server.Route("/tech.xml", Ok(Rss({"カメラの話", "東京タワー"})));
        WriteFile(dir.File("subs.xml"),
                  "<?xml version=\"1.0\" encoding=\"utf-8\" ?><opml version=\"1.0\"><body>"
                  "<outline title=\"技術\"><outline title=\"News\" xmlUrl=\"" +
                      server.Url("/news.xml") + "\" /><outline title=\"Tech\" xmlUrl=\"" +
                      server.Url("/tech.xml") + "\" /></outline></body></opml>");
        ASSERT_TRUE(Start({dir.File("subs.xml")}));
        Update();
    }
    void Update() {
        Frame().RunCommand(cmd::kUpdateAll);
        ASSERT_TRUE(WaitUntil([&] { return !Frame().Updates().IsRunning(); }, 20));
        PumpEvents();
    }
    CVarloView& Sites() { return *Frame().SiteList(); }
    std::string Row(int row, int column) {
        return std::string(Sites().GetList()->GetItemText(row, column).utf8_str());
    }
    std::string Label(wxWindow* window) { return std::string(window->GetLabel().utf8_str()); }

    LoopbackServer server;
};

TEST_F(RulesWindow, TheEditorCountsAsTheUserTypesRefusesABadExpressionAndTheRuleHidesArticles) {
    wxMenuItem* item = Frame().GetMenuBar()->FindItem(cmd::kRules);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(std::string(item->GetItemLabel().utf8_str()), "ルール(&R)...");
    ASSERT_EQ(Row(0, 3), "5");

    {
        CRulesDlg rules(&Frame(), FeedMarks().Store(), FeedMarks().Writer(), {}, {Jp("技術")},
                        [this] { Sites().RefreshMarks(); });
        rules.SetModelessEditor(true);
        rules.Show();
        rules.AddRule();
        CRuleEditDlg* editor = rules.Editor();
        ASSERT_NE(editor, nullptr);
        // Typed a key at a time: the count follows the last words, never a word typed before.
        editor->m_value[0]->SetValue(wxString::FromUTF8("大"));
        editor->m_value[0]->SetValue(wxString::FromUTF8("東"));
        editor->m_value[0]->SetValue(wxString::FromUTF8("東京"));
        ASSERT_TRUE(WaitUntil([&] { return editor->ShownCount() >= 0 && !editor->IsCounting(); }));
        EXPECT_EQ(editor->ShownCount(), 3);
        EXPECT_EQ(editor->m_matches->GetCount(), 3u);
        EXPECT_EQ(std::string(editor->m_matches->GetString(0).utf8_str()), "東京の天気");

        // A second condition narrows it; a bad expression is explained and cannot be saved.
        editor->m_test[1]->SetSelection(static_cast<int>(RuleTest::kMatches));
        editor->m_value[1]->SetValue("(PR");
        EXPECT_EQ(Label(editor->m_problem).rfind("正規表現が正しくありません: ", 0), 0u);
        EXPECT_FALSE(editor->m_ok->IsEnabled());
        editor->m_value[1]->SetValue(wxString::FromUTF8("PR|タワー"));
        EXPECT_TRUE(editor->m_ok->IsEnabled());
        ASSERT_TRUE(WaitUntil([&] { return editor->ShownCount() == 2 && !editor->IsCounting(); }))
            << editor->ShownCount() << " " << editor->IsCounting();
        editor->m_name->SetValue(wxString::FromUTF8("宣伝と塔"));
        ASSERT_TRUE(WaitUntil([&] { return editor->ShownCount() == 2 && !editor->IsCounting(); }));
        SaveScreenshot(editor, "rules-editor");
        rules.FinishEditor(true);
        ASSERT_TRUE(WaitUntil([&] { return !rules.IsWriting(); }));
        ASSERT_EQ(rules.Rules().size(), 1u);
        EXPECT_EQ(rules.Rules()[0].conditions.size(), 2u);

        // Applied to the kept articles: they leave the unread view for the hidden one.
        rules.ApplyAll();
        ASSERT_TRUE(WaitUntil([&] { return !rules.IsApplying(); }));
        PumpEvents();
        EXPECT_EQ(Row(0, 3), "3");
        EXPECT_EQ(Row(2, 0), "非表示の記事");
        EXPECT_EQ(Row(2, 3), "2");
        SaveScreenshot(&rules, "rules-dialog");
    }
    PumpEvents();

    // A new article meets the rule as it arrives, before it is counted.
    server.Route("/news.xml",
                 Ok(Rss({"【PR】 東京の特売", "東京の天気", "大阪の祭り", "【PR】 東京の新製品"})));
    Update();
    EXPECT_EQ(Row(0, 3), "3");
    EXPECT_EQ(Row(2, 3), "3");

    // The site's own list still shows every article of its feed, the hidden ones in grey.
    Sites().GetList()->SelectItem(Frame().SiteList()->RowOfSite(0));
    PumpEvents();
    ASSERT_TRUE(WaitUntil([&] { return !Sites().IsReading(); }, 20));
    PumpEvents();
    CArticleView& articles = *Frame().ArticleList();
    ASSERT_EQ(articles.GetList()->GetItemCount(), 4);
    EXPECT_TRUE(articles.IsRowGrey(0));
    EXPECT_FALSE(articles.IsRowGrey(1));
    EXPECT_FALSE(articles.IsRowGrey(2));
    EXPECT_TRUE(articles.IsRowGrey(3));
    SaveScreenshot(&Frame(), "rules-site-list");
}

}  // namespace
}  // namespace varlo::test
