#include "gui/platform/gui_hooks.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/msgdlg.h>
// The generic message box builds on the declarations of the one above.
#include <wx/generic/msgdlgg.h>

#include <new>

#include "gui/platform/wx_text.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"

namespace varlo {

namespace {

// The toolkit's own message box takes its button labels from the system's language; this one is
// built of the toolkit's controls, so the labels are Varlo's whatever that language.
class JapaneseMessageBox : public wxGenericMessageDialog {
  public:
    JapaneseMessageBox(wxWindow* parent, const wxString& text, long style)
        : wxGenericMessageDialog(parent, text, "Varlo", style | wxCENTRE) {
        SetYesNoCancelLabels(Wx("はい"), Wx("いいえ"), Wx("キャンセル"));
        SetOKCancelLabels(Wx("OK"), Wx("キャンセル"));
        // Built and placed now, not when shown: whoever watches modal windows (the tests) sees
        // the box as the user will.
        DoCreateMsgdialog();
    }
    int ShowModal() override { return wxDialog::ShowModal(); }
};

}  // namespace

int ShowJapaneseMessageBox(wxWindow* parent, const wxString& text, long style) {
    JapaneseMessageBox dialog(parent, text, style);
    return dialog.ShowModal();
}

void InstallGuiMessageBoxes() {
    SetMessageBoxHandler([](const Text& text, unsigned style) {
        long wxStyle = 0;
        switch (style & 0xF) {
            case kMbOkCancel:
                wxStyle = wxOK | wxCANCEL;
                break;
            case kMbYesNoCancel:
                wxStyle = wxYES_NO | wxCANCEL;
                break;
            case kMbYesNo:
                wxStyle = wxYES_NO;
                break;
            default:
                wxStyle = wxOK;
                break;
        }
        switch (style & 0xF0) {
            case kMbIconError:
                wxStyle |= wxICON_ERROR;
                break;
            case kMbIconQuestion:
                wxStyle |= wxICON_QUESTION;
                break;
            case kMbIconWarning:
                wxStyle |= wxICON_WARNING;
                break;
            case kMbIconInformation:
                wxStyle |= wxICON_INFORMATION;
                break;
            default:
                break;
        }
        wxWindow* parent = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
        // A window not yet shown is no place to centre on: the screen is then.
        if (parent && !parent->IsShown()) parent = nullptr;
        switch (ShowJapaneseMessageBox(parent, ToWx(text), wxStyle)) {
            case wxID_YES:
                return static_cast<int>(kIdYes);
            case wxID_NO:
                return static_cast<int>(kIdNo);
            case wxID_CANCEL:
                return static_cast<int>(kIdCancel);
            default:
                return static_cast<int>(kIdOk);
        }
    });
}

void ReportOutOfMemory() {
    ShowMessageBox(Jp("メモリが不足しています"), kMbOk | kMbIconError);
}

namespace {

// Runs events for a download that is waiting; a handler that runs out of memory ends with the
// message, and the download goes on.
template <typename Dispatch>
void DispatchForDownload(Dispatch dispatch) {
    try {
        dispatch();
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory();
    }
}

}  // namespace

void InstallGuiMessagePump() {
    SetMessagePumpHook([] {
        DispatchForDownload([] {
            if (wxEventLoopBase* loop = wxEventLoopBase::GetActive(); loop && loop->Pending()) {
                loop->Dispatch();
            }
            if (wxTheApp) wxTheApp->ProcessPendingEvents();
        });
    });
    // While the network is quiet everything that is waiting runs, so the window answers at
    // once; a bound keeps an endless stream of events from holding the download.
    SetWaitingPumpHook([] {
        DispatchForDownload([] {
            wxEventLoopBase* loop = wxEventLoopBase::GetActive();
            for (int i = 0; i < 100 && loop && loop->Pending(); ++i) loop->Dispatch();
            if (wxTheApp) wxTheApp->ProcessPendingEvents();
        });
    });
}

}  // namespace varlo
