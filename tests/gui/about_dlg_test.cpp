#include "app/about_dlg.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/stattext.h>

#include <string>
#include <vector>

#include "app/dialog_template.h"
#include "app/static_link.h"
#include "gui_test_support.h"
#include "platform/gui/shell_open.h"
#include "screenshot.h"

namespace varlo {
namespace {

using test::ExpectModal;

// Records what would have been opened; nothing is launched.
class RecordingLauncher {
  public:
    RecordingLauncher() {
        m_previous = SetShellLauncher({[this](const std::string& address) {
                                           opened.push_back(address);
                                           return true;
                                       },
                                       [this](const std::string& path) {
                                           opened.push_back(path);
                                           return true;
                                       }});
    }
    ~RecordingLauncher() { SetShellLauncher(m_previous); }
    std::vector<std::string> opened;

  private:
    ShellLauncher m_previous;
};

void Click(wxWindow* window) {
    wxMouseEvent down(wxEVT_LEFT_DOWN);
    down.SetEventObject(window);
    down.SetPosition(wxPoint(2, 2));
    window->ProcessWindowEvent(down);
}

TEST(AboutBox, ShowsTheVersionAndTheMakersLinks) {
    CAboutDlg dialog(nullptr);
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), wxString::FromUTF8("Varloのﾊﾞｰｼﾞｮﾝ情報"));
        EXPECT_EQ(shown->GetClientSize(), shown->ConvertDialogToPixels(wxSize(170, 153)));
        bool version = false;
        for (wxWindow* child : shown->GetChildren()) {
            if (auto* text = dynamic_cast<wxStaticText*>(child)) {
                version = version || text->GetLabel() == "Varlo Version 1.00";
            }
        }
        EXPECT_TRUE(version);
        auto* mail = TemplateControl<CStaticLink>(*shown, 206);
        auto* home = TemplateControl<CStaticLink>(*shown, 156);
        EXPECT_NE(mail, nullptr);
        EXPECT_NE(home, nullptr);
        test::SaveScreenshot(shown, "about_dlg");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    test::ExpectNoPendingModals();
    EXPECT_EQ(dialog.m_mailLink->GetLabel(), "support@example.org");
    EXPECT_EQ(dialog.m_mailLink->Target(), "mailto:support@example.org");
    EXPECT_EQ(dialog.m_homeLink->GetLabel(), "https://example.org/");
    EXPECT_EQ(dialog.m_homeLink->Target(), "");
}

TEST(AboutBox, MailLinkOpensAMailAddressAndHomeLinkTheShownPage) {
    RecordingLauncher launcher;
    CAboutDlg dialog(nullptr);
    Click(dialog.m_mailLink);
    Click(dialog.m_homeLink);
    ASSERT_EQ(launcher.opened.size(), 2u);
    EXPECT_EQ(launcher.opened[0], "mailto:support@example.org");
    EXPECT_EQ(launcher.opened[1], "https://example.org/");
    EXPECT_EQ(dialog.m_mailLink->LinkColour(), CStaticLink::kVisited);
}

}  // namespace
}  // namespace varlo
