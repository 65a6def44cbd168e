#include "gui/controls/site_add_dlg.h"

#include <wx/textctrl.h>

#include "gui/controls/dialog_template.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"

namespace varlo {

CSiteAddDlg::CSiteAddDlg(wxWindow* parent) {
    CreateTemplateDialog(*this, parent, 131, Wx("サイトの追加"), 226, 68);
    AddTemplateText(*this, -1, Wx("URLを入力してください."), 5, 5, 104, 11);
    m_editUrl = AddTemplateEdit(*this, 1003, 4, 22, 214, 14);
    AddTemplateButton(*this, 1, "OK", 57, 45, 50, 14, true);
    AddTemplateButton(*this, 2, Wx("ｷｬﾝｾﾙ"), 115, 45, 50, 14);
    m_editUrl->SetFocus();
}

int CSiteAddDlg::DoModal() {
    m_editUrl->ChangeValue(ToWx(m_strUrl));
    CentreOnParent();
    if (ShowModal() != wxID_OK) return kIdCancel;
    m_strUrl = FromWx(m_editUrl->GetValue());
    return kIdOk;
}

}  // namespace varlo
