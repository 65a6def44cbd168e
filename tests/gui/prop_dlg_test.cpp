#include "app/prop_dlg.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
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

wxString ClipboardText() {
    wxClipboardLocker locker;
    if (!locker) return "(clipboard not open)";
    wxTextDataObject data;
    if (!wxTheClipboard->GetData(data)) return "(no text)";
    return data.GetText();
}

void PutOnClipboard(const wxString& text) {
    wxClipboardLocker locker;
    if (!locker) return;
    wxTheClipboard->SetData(new wxTextDataObject(text));
}

TEST(PageInfoDialog, ShowsTitleAndAddressReadOnly) {
    CPropDlg dialog(nullptr);
    dialog.m_strTitle = Sjis("ようこそ");
    dialog.m_strUrl = "http://example.org/welcome.html";
    ExpectModal([](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), Utf8("ページ情報"));
        auto* title = TemplateControl<wxTextCtrl>(*shown, 1001);
        auto* url = TemplateControl<wxTextCtrl>(*shown, 1003);
        EXPECT_EQ(title->GetValue(), Utf8("ようこそ"));
        EXPECT_EQ(url->GetValue(), "http://example.org/welcome.html");
        EXPECT_FALSE(title->IsEditable());
        EXPECT_FALSE(url->IsEditable());
        EXPECT_TRUE(url->IsMultiLine());
        EXPECT_EQ(TemplateControl<wxButton>(*shown, 1004)->GetLabel(), Utf8("コピー(&C)"));
        test::SaveScreenshot(shown, "prop_dlg");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    test::ExpectNoPendingModals();
    EXPECT_EQ(dialog.m_strTitle, Sjis("ようこそ"));
}

TEST(PageInfoDialog, CopyButtonPutsTheWholeAddressOnTheClipboardAndStaysOpen) {
    PutOnClipboard("something else");
    const std::string longUrl = "http://example.org/" + std::string(300, 'a') + "?q=1";
    CPropDlg dialog(nullptr);
    dialog.m_strTitle = "T";
    dialog.m_strUrl = longUrl;
    ExpectModal([&](wxDialog* shown) {
        auto* url = TemplateControl<wxTextCtrl>(*shown, 1003);
        url->SetSelection(0, 4);  // a partial selection must not limit the copy
        auto* copy = TemplateControl<wxButton>(*shown, 1004);
        wxCommandEvent click(wxEVT_BUTTON, copy->GetId());
        click.SetEventObject(copy);
        copy->ProcessWindowEvent(click);
        EXPECT_EQ(ClipboardText(), wxString(longUrl));
        long from = 0, to = 0;
        url->GetSelection(&from, &to);
        EXPECT_EQ(from, 0);
        EXPECT_EQ(to, url->GetLastPosition());
        EXPECT_FALSE(shown->IsModal());  // nothing ended the dialog
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    test::ExpectNoPendingModals();
}

TEST(PageInfoDialog, ClosedOtherwiseGivesTwo) {
    CPropDlg dialog(nullptr);
    ExpectModal([](wxDialog*) { return wxID_CANCEL; });
    EXPECT_EQ(dialog.DoModal(), 2);
}

TEST(PageInfoDialog, IsLaidOutInDialogUnits) {
    CPropDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetClientSize(), dialog.ConvertDialogToPixels(wxSize(190, 124)));
    EXPECT_EQ(TemplateControl<wxButton>(dialog, 1004)->GetPosition(),
              dialog.ConvertDialogToPixels(wxPoint(130, 88)));
    EXPECT_EQ(dialog.GetDefaultItem(), TemplateControl<wxButton>(dialog, 1));
}

}  // namespace
}  // namespace varlo
