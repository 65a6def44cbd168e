#include "gui/controls/prop_dlg.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/textctrl.h>

#include "gui/controls/dialog_template.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"

namespace varlo {

CPropDlg::CPropDlg(wxWindow* parent) {
    CreateTemplateDialog(*this, parent, 132, Wx("ページ情報"), 190, 124);
    AddTemplateText(*this, -1, Wx("タイトル(&T):"), 3, 3, 41, 9);
    m_editTitle = AddTemplateEdit(*this, 1001, 5, 14, 179, 27, wxTE_MULTILINE | wxTE_READONLY);
    AddTemplateText(*this, -1, Wx("URL(&U):"), 5, 44, 41, 9);
    m_editUrl = AddTemplateEdit(*this, 1003, 4, 56, 177, 27, wxTE_MULTILINE | wxTE_READONLY);
    AddTemplateButton(*this, 1004, Wx("コピー(&C)"), 130, 88, 50, 14)
        ->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCopyAddress(); });
    AddTemplateButton(*this, 1, "OK", 65, 108, 59, 14, true)->SetFocus();
}

int CPropDlg::DoModal() {
    m_editTitle->ChangeValue(ToWx(m_strTitle));
    m_editUrl->ChangeValue(ToWx(m_strUrl));
    CentreOnParent();
    return ShowModal() == wxID_OK ? kIdOk : kIdCancel;
}

void CPropDlg::OnCopyAddress() {
    m_editUrl->SelectAll();
    m_editUrl->ShowPosition(m_editUrl->GetLastPosition());
    // The whole address goes to the clipboard, not what the control happens to have selected.
    wxClipboardLocker locker;
    if (!locker) return;
    wxTheClipboard->SetData(new wxTextDataObject(m_editUrl->GetValue()));
}

}  // namespace varlo
