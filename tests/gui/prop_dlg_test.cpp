#include "gui/controls/prop_dlg.h"

#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/textctrl.h>

#include "dialog_test_util.h"
#include "gui/controls/dialog_template.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using namespace test;

wxString ClipboardText() {
    wxClipboardLocker locker;
    wxTextDataObject data;
    if (!locker || !wxTheClipboard->GetData(data)) return "(nothing)";
    return data.GetText();
}

TEST(PageInfoDialog, ShowsTitleAndAddressReadOnlyAndCopiesTheWholeAddress) {
    const std::string longUrl = "http://example.org/" + std::string(300, 'a') + "?q=1";
    CPropDlg dialog(nullptr);
    dialog.m_strTitle = Sjis("ようこそ");
    dialog.m_strUrl = longUrl;
    ExpectModal([&](wxDialog* shown) {
        EXPECT_EQ(shown->GetTitle(), U8("ページ情報"));
        auto* title = TemplateControl<wxTextCtrl>(*shown, 1001);
        auto* url = TemplateControl<wxTextCtrl>(*shown, 1003);
        EXPECT_EQ(title->GetValue(), U8("ようこそ"));
        EXPECT_FALSE(title->IsEditable());
        EXPECT_FALSE(url->IsEditable());
        SaveScreenshot(shown, "prop_dlg");
        url->SetSelection(0, 4);  // a partial selection must not limit the copy
        Press(TemplateControl<wxButton>(*shown, 1004));
        EXPECT_EQ(ClipboardText(), wxString(longUrl));
        long from = 0, to = 0;
        url->GetSelection(&from, &to);
        EXPECT_EQ(to - from, url->GetLastPosition());
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    ExpectNoPendingModals();
    ExpectModal([](wxDialog*) { return wxID_CANCEL; });
    EXPECT_EQ(dialog.DoModal(), 2);
}

}  // namespace
}  // namespace varlo
