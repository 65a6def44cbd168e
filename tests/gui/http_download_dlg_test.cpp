#include "app/http_download_dlg.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/stattext.h>

#include <climits>

#include "app/dialog_template.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

wxString Utf8(const char* text) {
    return wxString::FromUTF8(text);
}

wxString Counter(const CHttpDownloadDlg& progress) {
    return TemplateControl<wxStaticText>(*progress.Window(), 1001)->GetLabel();
}

wxGauge* Bar(const CHttpDownloadDlg& progress) {
    return TemplateControl<wxGauge>(*progress.Window(), 269);
}

void ClickCancel(const CHttpDownloadDlg& progress) {
    auto* button = TemplateControl<wxButton>(*progress.Window(), 1003);
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
}

TEST(ProgressBar, EmptyRangeGivesAnEmptyBar) {
    const auto gauge = CHttpDownloadDlg::GaugeFor(0, 2046);
    EXPECT_EQ(gauge.value, 0);
    EXPECT_GT(gauge.range, 0);
}

TEST(ProgressBar, PositionStaysInsideTheRange) {
    EXPECT_EQ(CHttpDownloadDlg::GaugeFor(5000, 1023).range, 5000);
    EXPECT_EQ(CHttpDownloadDlg::GaugeFor(5000, 1023).value, 1023);
    EXPECT_EQ(CHttpDownloadDlg::GaugeFor(5000, 9000).value, 5000);
    EXPECT_EQ(CHttpDownloadDlg::GaugeFor(5000, -5).value, 0);
}

TEST(ProgressBar, LengthsBeyondIntAreScaled) {
    const int64_t big = int64_t{6} * 1024 * 1024 * 1024;
    const auto gauge = CHttpDownloadDlg::GaugeFor(big, big / 2);
    EXPECT_LE(gauge.range, INT_MAX);
    EXPECT_NEAR(static_cast<double>(gauge.value) / gauge.range, 0.5, 0.001);
}

TEST(ProgressWindow, OpensWithTheTemplateTextsAndTheFields) {
    CHttpDownloadDlg progress(nullptr);
    EXPECT_EQ(progress.Window(), nullptr);
    progress.Create(Sjis("ダウンロード中です"), "down.html");
    wxDialog* window = progress.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsShown());
    EXPECT_FALSE(window->IsModal());
    EXPECT_EQ(window->GetTitle(), Utf8("ダウンロード"));
    EXPECT_EQ(window->GetClientSize(), window->ConvertDialogToPixels(wxSize(228, 99)));
    EXPECT_EQ(TemplateControl<wxStaticText>(*window, 156)->GetLabel(), "down.html");
    EXPECT_EQ(TemplateControl<wxButton>(*window, 1003)->GetLabel(), Utf8("キャンセル"));
    bool message = false;
    for (wxWindow* child : window->GetChildren()) {
        if (auto* text = dynamic_cast<wxStaticText*>(child)) {
            message = message || text->GetLabel() == Utf8("ダウンロード中です");
        }
    }
    EXPECT_TRUE(message);
    EXPECT_EQ(Bar(progress)->GetValue(), 0);
    progress.SetTotal(5000);
    progress.SetReceived(2046);
    test::SaveScreenshot(window, "http_download_dlg");
    progress.Destroy();
    EXPECT_EQ(progress.Window(), nullptr);
    test::PumpEvents();
}

TEST(ProgressWindow, CounterShowsReceivedOfTotal) {
    CHttpDownloadDlg progress(nullptr);
    progress.Create(Sjis("ダウンロード中です"), "down.html");
    progress.SetTotal(5000);
    progress.SetReceived(1023);
    EXPECT_EQ(Counter(progress), Utf8("1023/5000バイト"));
    EXPECT_EQ(Bar(progress)->GetRange(), 5000);
    EXPECT_EQ(Bar(progress)->GetValue(), 1023);
}

TEST(ProgressWindow, CounterWithoutATotalShowsBytesAndTheBarStaysEmpty) {
    CHttpDownloadDlg progress(nullptr);
    progress.Create(Sjis("ダウンロード中です"), "down.html");
    progress.SetReceived(1023);
    EXPECT_EQ(Counter(progress), Utf8("1023バイト"));
    progress.SetReceived(2046);
    EXPECT_EQ(Counter(progress), Utf8("2046バイト"));
    EXPECT_EQ(Bar(progress)->GetValue(), 0);
}

TEST(ProgressWindow, ConfirmedCancelSetsTheFlagAndClosesTheWindow) {
    test::MessageCapture messages(kIdOk);
    CHttpDownloadDlg progress(nullptr);
    progress.Create(Sjis("ダウンロード中です"), "down.html");
    ClickCancel(progress);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "中止しますか？");
    EXPECT_EQ(messages.Styles()[0], unsigned{kMbOkCancel | kMbIconQuestion});
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_FALSE(progress.IsWindowOpen());
    EXPECT_EQ(progress.Window(), nullptr);
    test::PumpEvents();
    progress.SetReceived(3069);  // a late update touches no window
    EXPECT_EQ(progress.CounterText(), Sjis("3069バイト"));
}

TEST(ProgressWindow, RefusedCancelChangesNothing) {
    test::MessageCapture messages(kIdCancel);
    CHttpDownloadDlg progress(nullptr);
    progress.Create(Sjis("ダウンロード中です"), "down.html");
    ClickCancel(progress);
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_FALSE(progress.IsCancelled());
    ASSERT_NE(progress.Window(), nullptr);
    progress.SetReceived(10);
    EXPECT_EQ(Counter(progress), Utf8("10バイト"));
}

TEST(ProgressWindow, CloseBoxClosesTheWindowButTheDownloadGoesOn) {
    test::MessageCapture messages;
    CHttpDownloadDlg progress(nullptr);
    progress.Create(Sjis("ダウンロード中です"), "down.html");
    progress.Window()->Close();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_FALSE(progress.IsCancelled());
    EXPECT_FALSE(progress.IsWindowOpen());
    EXPECT_EQ(progress.Window(), nullptr);
    test::PumpEvents();
    progress.SetTotal(4000);
    progress.SetReceived(2046);
    EXPECT_EQ(progress.CounterText(), Sjis("2046/4000バイト"));
    progress.Destroy();  // the download's own close finds nothing to close
}

TEST(ProgressWindow, EscapeActsLikeTheCloseBox) {
    CHttpDownloadDlg progress(nullptr);
    progress.Create(Sjis("ダウンロード中です"), "down.html");
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    escape.SetEventObject(progress.Window());
    progress.Window()->ProcessWindowEvent(escape);
    EXPECT_FALSE(progress.IsCancelled());
    EXPECT_EQ(progress.Window(), nullptr);
    test::PumpEvents();
}

TEST(ProgressWindow, OwnerClosedFirstLeavesNoDanglingWindow) {
    auto* owner = new wxFrame(nullptr, wxID_ANY, "owner", wxPoint(50, 50), wxSize(500, 300));
    owner->Show();
    CHttpDownloadDlg progress(owner);
    progress.Create(Sjis("ダウンロード中です"), "down.html");
    EXPECT_EQ(progress.Window()->GetParent(), owner);
    owner->Destroy();
    test::PumpEvents();
    EXPECT_EQ(progress.Window(), nullptr);
    progress.SetReceived(1023);
    progress.Destroy();
}

TEST(ProgressWindow, DestroyingTheObjectClosesAnOpenWindow) {
    wxWeakRef<wxDialog> window;
    {
        CHttpDownloadDlg progress(nullptr);
        progress.Create(Sjis("ダウンロード中です"), "down.html");
        window = progress.Window();
    }
    test::PumpEvents();
    EXPECT_EQ(window.get(), nullptr);
}

TEST(ProgressWindow, InstalledFactoryMakesDownloadsShowTheWindow) {
    InstallDownloadProgressWindows(nullptr);
    auto progress = MakeDownloadProgress();
    SetDownloadProgressFactory({});
    auto* windowed = dynamic_cast<CHttpDownloadDlg*>(progress.get());
    ASSERT_NE(windowed, nullptr);
    EXPECT_EQ(dynamic_cast<CHttpDownloadDlg*>(MakeDownloadProgress().get()), nullptr);
}

}  // namespace
}  // namespace varlo
