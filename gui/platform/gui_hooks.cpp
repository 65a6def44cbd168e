#include "gui/platform/gui_hooks.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/msgdlg.h>

#include "gui/platform/wx_text.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"

namespace varlo {

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
        switch (wxMessageBox(ToWx(text), "Varlo", wxStyle, parent)) {
            case wxYES:
                return static_cast<int>(kIdYes);
            case wxNO:
                return static_cast<int>(kIdNo);
            case wxCANCEL:
                return static_cast<int>(kIdCancel);
            default:
                return static_cast<int>(kIdOk);
        }
    });
}

void InstallGuiMessagePump() {
    SetMessagePumpHook([] {
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive(); loop && loop->Pending()) {
            loop->Dispatch();
        }
        if (wxTheApp) wxTheApp->ProcessPendingEvents();
    });
}

}  // namespace varlo
