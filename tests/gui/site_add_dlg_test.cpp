#include "app/site_add_dlg.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/dialog_template.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::ExpectModal;
using test::Sjis;

wxString Utf8(const char* text) {
    return wxString::FromUTF8(text);
}

TEST(SiteAddDialog, ShowsTheAddressAndGivesBackTheTypedOneOnOk) {
    CSiteAddDlg dialog(nullptr);
    dialog.m_strUrl = "http://example.org/old";
    ExpectModal([](wxDialog* shown) {
        auto* edit = TemplateControl<wxTextCtrl>(*shown, 1003);
        EXPECT_EQ(edit->GetValue(), "http://example.org/old");
        test::SaveScreenshot(shown, "site_add_dlg");
        edit->SetValue(Utf8("http://例え.jp/日記/"));
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    test::ExpectNoPendingModals();
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
    test::ExpectNoPendingModals();
    EXPECT_EQ(dialog.m_strUrl, "http://example.org/kept");
}

TEST(SiteAddDialog, IsLaidOutInDialogUnitsWithItsTexts) {
    CSiteAddDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), Utf8("サイトの追加"));
    EXPECT_EQ(dialog.GetClientSize(), dialog.ConvertDialogToPixels(wxSize(226, 68)));
    auto* edit = TemplateControl<wxTextCtrl>(dialog, 1003);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->GetPosition(), dialog.ConvertDialogToPixels(wxPoint(4, 22)));
    EXPECT_FALSE(edit->IsMultiLine());
    auto* ok = TemplateControl<wxButton>(dialog, 1);
    auto* cancel = TemplateControl<wxButton>(dialog, 2);
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(ok->GetLabel(), "OK");
    EXPECT_EQ(cancel->GetLabel(), Utf8("ｷｬﾝｾﾙ"));
    EXPECT_EQ(dialog.GetDefaultItem(), ok);
    bool prompt = false;
    for (wxWindow* child : dialog.GetChildren()) {
        if (auto* text = dynamic_cast<wxStaticText*>(child)) {
            prompt = prompt || text->GetLabel() == Utf8("URLを入力してください.");
        }
    }
    EXPECT_TRUE(prompt);
}

TEST(SiteAddDialog, IsCentredOnItsOwner) {
    auto* owner = new wxFrame(nullptr, wxID_ANY, "owner", wxPoint(100, 100), wxSize(600, 400));
    {
        CSiteAddDlg dialog(owner);
        ExpectModal([](wxDialog*) { return wxID_CANCEL; });
        dialog.DoModal();
        const wxPoint ownerCentre = owner->GetScreenRect().GetPosition() +
                                    wxSize(owner->GetSize().x / 2, owner->GetSize().y / 2);
        const wxRect rect = dialog.GetScreenRect();
        const wxPoint centre = rect.GetPosition() + wxSize(rect.width / 2, rect.height / 2);
        EXPECT_NEAR(centre.x, ownerCentre.x, 2);
        EXPECT_NEAR(centre.y, ownerCentre.y, 2);
    }
    owner->Destroy();
    test::PumpEvents();
}

}  // namespace
}  // namespace varlo
