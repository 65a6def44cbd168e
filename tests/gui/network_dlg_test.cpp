#include "gui/controls/network_dlg.h"

#include <gtest/gtest.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include "dialog_test_util.h"
#include "gui/controls/dialog_template.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using namespace test;

template <class T>
T* Control(wxDialog* shown, int id) {
    return TemplateControl<T>(*shown, id);
}

TEST(NetworkDialog, ShowsTheProxySetAndGivesBackTheOneChosen) {
    CNetworkDlg dialog(nullptr);
    dialog.m_setting.mode = ProxySetting::Mode::kAddress;
    dialog.m_setting.address = "http://proxy.example:8080";
    dialog.m_setting.user = "ann";
    dialog.m_hasPassword = true;
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), U8("ネットワーク設定"));
        EXPECT_TRUE(Control<wxRadioButton>(shown, 1203)->GetValue());
        EXPECT_EQ(Control<wxTextCtrl>(shown, 1204)->GetValue(), "http://proxy.example:8080");
        EXPECT_TRUE(Control<wxTextCtrl>(shown, 1206)->GetValue().empty());
        SaveScreenshot(shown, "network_dlg");
        Control<wxTextCtrl>(shown, 1204)->SetValue("socks5h://127.0.0.1:1080");
        Control<wxTextCtrl>(shown, 1206)->SetValue("pw");
        return wxID_OK;
    });
    ASSERT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.m_setting.address, "socks5h://127.0.0.1:1080");
    EXPECT_TRUE(dialog.m_passwordChanged);
    EXPECT_EQ(dialog.m_setting.password, "pw");

    ExpectModal([](wxDialog* shown) {
        Control<wxRadioButton>(shown, 1202)->SetValue(true);
        return wxID_OK;
    });
    ASSERT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.m_setting.mode, ProxySetting::Mode::kNone);
}

TEST(NetworkDialog, AnAddressOfAnotherKindIsRefused) {
    CNetworkDlg dialog(nullptr);
    MessageCapture messages;
    ExpectModal([](wxDialog* shown) {
        Control<wxRadioButton>(shown, 1203)->SetValue(true);
        Control<wxTextCtrl>(shown, 1204)->SetValue("ftp://proxy.example");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(dialog.m_setting.mode, ProxySetting::Mode::kSystem);
}

}  // namespace
}  // namespace varlo
