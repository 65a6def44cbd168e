#include "gui/controls/http_download_dlg.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/stattext.h>

#include <climits>

#include "dialog_test_util.h"
#include "gui/controls/dialog_template.h"
#include "gui_test_support.h"
#include "screenshot.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using namespace test;

// A progress window opened as the download opens it.
struct OpenProgress : CHttpDownloadDlg {
    explicit OpenProgress(wxWindow* owner = nullptr) : CHttpDownloadDlg(owner) {
        Create(Sjis("ダウンロード中です"), "down.html");
    }
    wxString Counter() const { return TemplateControl<wxStaticText>(*Window(), 1001)->GetLabel(); }
    wxGauge* Bar() const { return TemplateControl<wxGauge>(*Window(), 269); }
    void Cancel() const { Press(TemplateControl<wxButton>(*Window(), 1003)); }
};

TEST(ProgressBar, EmptyRangeGivesAnEmptyBarAndThePositionStaysInside) {
    EXPECT_EQ(CHttpDownloadDlg::GaugeFor(0, 2046).value, 0);
    EXPECT_EQ(CHttpDownloadDlg::GaugeFor(5000, 1023).value, 1023);
    EXPECT_EQ(CHttpDownloadDlg::GaugeFor(5000, 9000).value, 5000);
    const int64_t big = int64_t{6} * 1024 * 1024 * 1024;
    const auto gauge = CHttpDownloadDlg::GaugeFor(big, big / 2);
    EXPECT_LE(gauge.range, INT_MAX);
    EXPECT_NEAR(static_cast<double>(gauge.value) / gauge.range, 0.5, 0.001);
}

TEST(ProgressWindow, OpensModelessWithTheFieldsAndCountsAgainstTheTotal) {
    OpenProgress progress;
    wxDialog* window = progress.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsShown());
    EXPECT_FALSE(window->IsModal());
    EXPECT_EQ(window->GetTitle(), U8("ダウンロード"));
    EXPECT_EQ(TemplateControl<wxStaticText>(*window, 156)->GetLabel(), "down.html");
    EXPECT_EQ(TemplateControl<wxButton>(*window, 1003)->GetLabel(), U8("キャンセル"));
    progress.SetTotal(5000);
    progress.SetReceived(1023);
    EXPECT_EQ(progress.Counter(), U8("1023/5000バイト"));
    EXPECT_EQ(progress.Bar()->GetRange(), 5000);
    EXPECT_EQ(progress.Bar()->GetValue(), 1023);
    SaveScreenshot(window, "http_download_dlg");
    progress.Destroy();
    EXPECT_EQ(progress.Window(), nullptr);
}

TEST(ProgressWindow, WithoutATotalCountsBytesAndTheBarStaysEmpty) {
    OpenProgress progress;
    progress.SetReceived(1023);
    progress.SetReceived(2046);
    EXPECT_EQ(progress.Counter(), U8("2046バイト"));
    EXPECT_EQ(progress.Bar()->GetValue(), 0);
}

TEST(ProgressWindow, ConfirmedCancelSetsTheFlagAndClosesTheWindow) {
    MessageCapture messages(kIdOk);
    OpenProgress progress;
    progress.Cancel();
    ASSERT_EQ(messages.Messages(), std::vector<std::string>{"中止しますか？"});
    EXPECT_EQ(messages.Styles()[0], unsigned{kMbOkCancel | kMbIconQuestion});
    EXPECT_TRUE(progress.IsCancelled());
    EXPECT_EQ(progress.Window(), nullptr);
    PumpEvents();
    progress.SetReceived(3069);  // a late update touches no window
    EXPECT_EQ(progress.CounterText(), Sjis("3069バイト"));
}

TEST(ProgressWindow, RefusedCancelChangesNothing) {
    MessageCapture messages(kIdCancel);
    OpenProgress progress;
    progress.Cancel();
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_FALSE(progress.IsCancelled());
    ASSERT_NE(progress.Window(), nullptr);
    progress.SetReceived(10);
    EXPECT_EQ(progress.Counter(), U8("10バイト"));
}

TEST(ProgressWindow, CloseBoxAndEscapeCloseTheWindowButTheDownloadGoesOn) {
    MessageCapture messages;
    OpenProgress closed;
    closed.Window()->Close();
    OpenProgress escaped;
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    escaped.Window()->ProcessWindowEvent(escape);
    for (OpenProgress* progress : {&closed, &escaped}) {
        EXPECT_FALSE(progress->IsCancelled());
        EXPECT_EQ(progress->Window(), nullptr);
        PumpEvents();
        progress->SetTotal(4000);
        progress->SetReceived(2046);
        EXPECT_EQ(progress->CounterText(), Sjis("2046/4000バイト"));
        progress->Destroy();  // the download's own close finds nothing to close
    }
    EXPECT_TRUE(messages.Messages().empty());
}

TEST(ProgressWindow, OwnerClosedFirstLeavesNoDanglingWindow) {
    auto* owner = new wxFrame(nullptr, wxID_ANY, "owner", wxPoint(50, 50), wxSize(500, 300));
    OpenProgress progress(owner);
    EXPECT_EQ(progress.Window()->GetParent(), owner);
    owner->Destroy();
    PumpEvents();
    EXPECT_EQ(progress.Window(), nullptr);
    progress.SetReceived(1023);
}

TEST(ProgressWindow, DestroyingTheObjectClosesItsWindow) {
    wxWeakRef<wxDialog> window;
    {
        OpenProgress progress;
        window = progress.Window();
    }
    PumpEvents();
    EXPECT_EQ(window.get(), nullptr);
}

TEST(ProgressWindow, InstalledFactoryMakesDownloadsShowTheWindow) {
    InstallDownloadProgressWindows(nullptr);
    auto progress = MakeDownloadProgress();
    SetDownloadProgressFactory({});
    EXPECT_NE(dynamic_cast<CHttpDownloadDlg*>(progress.get()), nullptr);
}

}  // namespace
}  // namespace varlo
