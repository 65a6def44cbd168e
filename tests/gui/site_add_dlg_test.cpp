#include "gui/controls/site_add_dlg.h"

#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include "dialog_test_util.h"
#include "gui/controls/dialog_template.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using namespace test;

TEST(SiteAddDialog, ShowsTheAddressAndGivesBackTheTypedOneOnOk) {
    CSiteAddDlg dialog(nullptr);
    dialog.m_strUrl = "http://example.org/old";
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), U8("サイトの追加"));
        EXPECT_EQ(TemplateControl<wxButton>(*shown, 2)->GetLabel(), U8("ｷｬﾝｾﾙ"));
        auto* edit = TemplateControl<wxTextCtrl>(*shown, 1003);
        EXPECT_EQ(edit->GetValue(), "http://example.org/old");
        SaveScreenshot(shown, "site_add_dlg");
        edit->SetValue(U8("http://例え.jp/日記/"));
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    ExpectNoPendingModals();
    EXPECT_EQ(dialog.m_strUrl, Sjis("http://例え.jp/日記/"));
}

TEST(SiteAddDialog, LeavesTheAddressAloneOnCancel) {
    CSiteAddDlg dialog(nullptr);
    dialog.m_strUrl = "http://example.org/kept";
    ExpectModal([](wxDialog* shown) {
        TemplateControl<wxTextCtrl>(*shown, 1003)->SetValue("http://typed.example/");
        return wxID_CANCEL;
    });
    EXPECT_EQ(dialog.DoModal(), 2);
    EXPECT_EQ(dialog.m_strUrl, "http://example.org/kept");
}

}  // namespace
}  // namespace varlo
