// What the window says and where: Japanese buttons on every message, a message at start-up
// centred on the main window, the help commands, page information, the version and the tool
// bar's pictures.

#include <wx/button.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/toolbar.h>
#include <wx/webview.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "dialog_test_util.h"
#include "encoding/codepage.h"
#include "gui/controls/prop_dlg.h"
#include "gui/platform/gui_hooks.h"
#include "gui/views/browser_view.h"
#include "platform/message_box.h"
#include "platform/product.h"
#include "screenshot.h"
#include "shell/command_ids.h"
#include "shell/help_page.h"

namespace varlo::test {
namespace {

// The labels of a dialog's buttons, in the order they were made.
std::vector<std::string> ButtonLabels(wxWindow* dialog) {
    std::vector<std::string> labels;
    for (wxWindow* child : dialog->GetChildren()) {
        if (auto* button = dynamic_cast<wxButton*>(child)) {
            labels.push_back(std::string(button->GetLabel().utf8_str()));
        }
    }
    return labels;
}

// Whether `dialog` holds a text reading `text`.
bool ShowsText(wxWindow* dialog, const std::string& text) {
    for (wxWindow* child : dialog->GetChildren()) {
        auto* label = dynamic_cast<wxStaticText*>(child);
        if (label && label->GetLabel() == wxString::FromUTF8(text)) return true;
    }
    return false;
}

// Message boxes as the program shows them, for the life of the object.
class GuiMessageBoxes {
  public:
    GuiMessageBoxes() : m_previous(SetMessageBoxHandler({})) { InstallGuiMessageBoxes(); }
    ~GuiMessageBoxes() { SetMessageBoxHandler(m_previous); }
    GuiMessageBoxes(const GuiMessageBoxes&) = delete;
    GuiMessageBoxes& operator=(const GuiMessageBoxes&) = delete;

  private:
    MessageBoxHandler m_previous;
};

using Messages = AppTest;

TEST_F(Messages, EveryMessageBoxHasJapaneseButtonsWhateverTheSystemLanguage) {
    ASSERT_TRUE(Start());
    GuiMessageBoxes boxes;
    struct Case {
        unsigned style;
        std::vector<std::string> buttons;
        int pressed;
        int answer;
    };
    const Case cases[] = {
        {kMbOkCancel | kMbIconQuestion, {"OK", "キャンセル"}, wxID_CANCEL, kIdCancel},
        {kMbYesNo | kMbIconQuestion, {"はい", "いいえ"}, wxID_NO, kIdNo},
        {kMbYesNoCancel | kMbIconWarning, {"はい", "いいえ", "キャンセル"}, wxID_YES, kIdYes},
        {kMbOk | kMbIconError, {"OK"}, wxID_OK, kIdOk},
    };
    for (const Case& c : cases) {
        ExpectModal([&](wxDialog* dialog) {
            EXPECT_EQ(dialog->GetTitle(), "Varlo");
            EXPECT_TRUE(ShowsText(dialog, "中止しますか？"));
            std::vector<std::string> labels = ButtonLabels(dialog);
            std::sort(labels.begin(), labels.end());
            std::vector<std::string> expected = c.buttons;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(labels, expected) << "style " << c.style;
            if (c.style == (kMbYesNoCancel | kMbIconWarning)) {
                SaveScreenshot(dialog, "message-box-japanese-buttons");
            }
            return c.pressed;
        });
        EXPECT_EQ(ShowMessageBox(Jp("中止しますか？"), c.style), c.answer);
    }
    ExpectNoPendingModals();
}

TEST_F(Messages, AFailedLaunchOfTheHomePageIsToldInJapaneseWithoutTheToolkitsEnglish) {
    ASSERT_TRUE(Start());
    // A desktop without a web browser: the toolkit logs its own English error and fails.
    auto fail = [](const std::string& target) {
        wxLogError("Failed to open URL \"%s\" in default browser.", target);
        return false;
    };
    const ShellLauncher previous = SetShellLauncher({fail, fail});
    {
        MessageCapture messages;
        Frame().RunCommand(cmd::kHomePage);
        // The toolkit would show its log as a message box of its own now; none may come.
        PumpEvents();
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(
            messages.Messages()[0],
            std::string("次のアドレスまたはファイルを開くプログラムを起動できませんでした。\n") +
                kHomePageAddress);
    }
    SetShellLauncher(previous);
}

TEST_F(Messages, AMessageAtStartUpIsCentredOnTheShownMainWindow) {
    // Outlines nested beyond the reader's cap: the file is read, with a message.
    std::string body;
    for (int i = 0; i < 300; ++i) body += "<outline title=\"f\">";
    body += "<outline title=\"deep\" xmlUrl=\"http://deep/\"/>";
    for (int i = 0; i < 300; ++i) body += "</outline>";
    const std::string file = dir.File("deep.xml");
    WriteFile(file,
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><opml version=\"1.0\"><head><title>t"
              "</title></head><body>" +
                  body + "<outline title=\"ok\" htmlUrl=\"http://a.example/\"/></body></opml>");
    GuiMessageBoxes boxes;
    bool shown = false;
    ExpectModal([&](wxDialog* dialog) {
        shown = true;
        EXPECT_TRUE(
            ShowsText(dialog, "読み込めなかった項目が 1 件あります。保存すると失われます。"));
        CMainFrame* frame = app->Frame();
        EXPECT_TRUE(frame && frame->IsShown()) << "the main window is there first";
        if (!frame) return wxID_OK;
        EXPECT_EQ(dialog->GetParent(), frame);
        const wxRect outer = frame->GetScreenRect();
        const wxRect inner = dialog->GetScreenRect();
        const wxPoint centre = inner.GetPosition() + wxSize(inner.width / 2, inner.height / 2);
        const wxPoint frameCentre = outer.GetPosition() + wxSize(outer.width / 2, outer.height / 2);
        EXPECT_LE(std::abs(centre.x - frameCentre.x), 4);
        EXPECT_LE(std::abs(centre.y - frameCentre.y), 4);
        EXPECT_GT(outer.x + outer.y, 0) << "not at the screen's top-left corner";
        return wxID_OK;
    });
    ASSERT_TRUE(Start({file}));
    EXPECT_TRUE(shown);
}

class Help : public AppTest {
  protected:
    wxWebView* Web() { return Frame().Browser()->GetWebView(); }
    // The address shown, its percent-encoded bytes (a Japanese anchor's) decoded.
    std::string Url() {
        const std::string url(Web()->GetCurrentURL().utf8_str());
        std::string out;
        for (size_t i = 0; i < url.size(); ++i) {
            if (url[i] == '%' && i + 2 < url.size()) {
                out.push_back(static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16)));
                i += 2;
            } else {
                out.push_back(url[i]);
            }
        }
        return out;
    }
    bool WaitForUrlEnding(const std::string& end) {
        const bool loaded = WaitUntil([&] {
            const std::string url = Url();
            return !Web()->IsBusy() &&
                   Web()->GetCurrentTitle() == wxString::FromUTF8("Varlo ユーザーガイド") &&
                   url.size() >= end.size() &&
                   url.compare(url.size() - end.size(), end.size(), end) == 0;
        });
        PumpEvents();
        return loaded;
    }
    bool MenuEnabled(int id) {
        Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
        return Frame().GetMenuBar()->FindItem(id)->IsEnabled();
    }
};

TEST_F(Help, ContentsKeywordsAndTheHelpButtonShowTheGuideInTheBrowserPane) {
    ASSERT_TRUE(Start());
    MessageCapture messages;
    Frame().RunCommand(cmd::kHelpFinder);
    ASSERT_TRUE(WaitForUrlEnding("/help/user-guide.html")) << Url();
    if (std::getenv("VARLO_SCREENSHOT_DIR")) {
        Frame().SetSize(900, 700);
        PumpEvents();
        SaveScreenshot(&Frame(), "help-in-browser-pane");
    }
    Frame().RunCommand(cmd::kHelpKeyword);
    ASSERT_TRUE(WaitForUrlEnding(std::string("/help/user-guide.html#") + kHelpKeywordsSection))
        << Url();
    SaveScreenshot(&Frame(), "help-keywords");
    // The tool bar's help button.
    wxCommandEvent press(wxEVT_TOOL, cmd::kHelpFinder);
    press.SetEventObject(Frame().GetToolBar());
    Frame().GetToolBar()->ProcessWindowEvent(press);
    ASSERT_TRUE(WaitForUrlEnding("/help/user-guide.html")) << Url();
    EXPECT_TRUE(messages.Messages().empty()) << "the policy lets the guide in";
}

TEST_F(Help, PageInformationIsEnabledWheneverThePaneShowsAPage) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(MenuEnabled(cmd::kPageInfo)) << "nothing is shown yet";
    Frame().RunCommand(cmd::kHelpFinder);
    ASSERT_TRUE(WaitForUrlEnding("/help/user-guide.html"));
    for (ActivePane pane : {ActivePane::SiteList, ActivePane::ArticleList, ActivePane::None}) {
        Frame().SetActivePane(pane);
        EXPECT_TRUE(MenuEnabled(cmd::kPageInfo));
    }
    ExpectModal([](wxDialog* dialog) {
        auto* info = dynamic_cast<CPropDlg*>(dialog);
        EXPECT_NE(info, nullptr);
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kPageInfo);
    ExpectNoPendingModals();
}

TEST_F(Messages, TheAboutBoxNamesVersion110AsEverythingElseDoes) {
    EXPECT_STREQ(kVersion, "1.1.0");
    EXPECT_NE(std::string(kUserAgent).find("Varlo/1.1.0;"), std::string::npos);
    ASSERT_TRUE(Start());
    ExpectModal([](wxDialog* dialog) {
        EXPECT_TRUE(ShowsText(dialog, "Varlo バージョン 1.1.0"));
        SaveScreenshot(dialog, "about-version");
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kAppAbout);
    ExpectNoPendingModals();
}

// Whether some pixel of `image` is clearly coloured (not a shade of grey).
bool HasColour(const wxImage& image) {
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            if (image.HasAlpha() && image.GetAlpha(x, y) < 128) continue;
            const int r = image.GetRed(x, y), g = image.GetGreen(x, y), b = image.GetBlue(x, y);
            if (std::max({r, g, b}) - std::min({r, g, b}) > 60) return true;
        }
    }
    return false;
}

bool SameImage(const wxImage& a, const wxImage& b) {
    if (a.GetSize() != b.GetSize()) return false;
    const size_t bytes = 3u * a.GetWidth() * a.GetHeight();
    return std::equal(a.GetData(), a.GetData() + bytes, b.GetData());
}

TEST_F(Messages, ToolBarButtonsAreInColourWhenEnabledAndGreyWhenDisabled) {
    ASSERT_TRUE(Start());
    wxToolBar* bar = Frame().GetToolBar();
    int buttons = 0;
    for (size_t i = 0; i < bar->GetToolsCount(); ++i) {
        const wxToolBarToolBase* tool = bar->GetToolByPos(static_cast<int>(i));
        // The search box is a control of its own, not a button.
        if (tool->IsSeparator() || tool->IsControl()) continue;
        ++buttons;
        const wxImage normal = tool->GetNormalBitmap().ConvertToImage();
        const wxImage disabled = tool->GetDisabledBitmap().ConvertToImage();
        ASSERT_TRUE(normal.IsOk() && disabled.IsOk()) << tool->GetLabel();
        EXPECT_FALSE(SameImage(normal, disabled)) << tool->GetLabel();
        EXPECT_TRUE(HasColour(normal)) << tool->GetLabel();
        EXPECT_FALSE(HasColour(disabled)) << tool->GetLabel();
    }
    EXPECT_EQ(buttons, 7);
    // With the article list active back and forward are disabled, update is enabled: both states
    // on one picture.
    Frame().SetActivePane(ActivePane::ArticleList);
    Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_FALSE(bar->GetToolEnabled(cmd::kGoBack));
    EXPECT_TRUE(bar->GetToolEnabled(cmd::kUpdateAll));
    SaveScreenshot(bar, "tool-bar-colour-and-grey");
}

}  // namespace
}  // namespace varlo::test
