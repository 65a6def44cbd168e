#include "gui/controls/network_dlg.h"

#include <gtest/gtest.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include "app_fixture.h"
#include "dialog_test_util.h"
#include "gui/controls/dialog_template.h"
#include "gui/platform/settings.h"
#include "gui_test_support.h"
#include "platform/secret_store.h"
#include "screenshot.h"
#include "shell/command_ids.h"
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

class NetworkSettingsCommand : public AppTest {
  protected:
    // The proxy is the process's: later tests find the system's again.
    ~NetworkSettingsCommand() override { SetProxySetting({}); }
    ScopedEnv noBus{"DBUS_SESSION_BUS_ADDRESS", nullptr};
};

TEST_F(NetworkSettingsCommand, KeepsTheProxyInTheSettingsAndItsPasswordApartAndAppliesItAtOnce) {
    ASSERT_TRUE(Start());
    ExpectModal([](wxDialog* shown) {
        Control<wxRadioButton>(shown, 1203)->SetValue(true);
        Control<wxTextCtrl>(shown, 1204)->SetValue("http://127.0.0.1:3128");
        Control<wxTextCtrl>(shown, 1205)->SetValue("ann");
        Control<wxTextCtrl>(shown, 1206)->SetValue("pw");
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kNetworkSettings);
    ExpectNoPendingModals();
    const ProxySetting applied = CurrentProxySetting();
    EXPECT_EQ(applied.mode, ProxySetting::Mode::kAddress);
    EXPECT_EQ(applied.address, "http://127.0.0.1:3128");
    EXPECT_EQ(applied.password, "pw");
    EXPECT_EQ(Settings().GetInt("Network", "Proxy", -1), 2);
    EXPECT_EQ(Settings().GetString("Network", "ProxyUser", ""), "ann");
    EXPECT_EQ(LookupPassword(kProxyPasswordAccount), "pw");
    EXPECT_EQ(ReadFile(getenv("VARLO_CONFIG")).find("pw\n"), std::string::npos);

    ExpectModal([](wxDialog* shown) {
        Control<wxRadioButton>(shown, 1201)->SetValue(true);
        return wxID_OK;
    });
    Frame().RunCommand(cmd::kNetworkSettings);
    EXPECT_EQ(CurrentProxySetting().mode, ProxySetting::Mode::kSystem);
}

}  // namespace
}  // namespace varlo
