#include "gui/controls/site_item_dlg.h"

#include <wx/combobox.h>
#include <wx/textctrl.h>

#include "gui/controls/dialog_template.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"

namespace varlo {

CSiteItemDlg::CSiteItemDlg(wxWindow* parent) {
    CreateTemplateDialog(*this, parent, 130, Wx("サイト情報"), 211, 108);
    AddTemplateText(*this, -1, Wx("タイトル(&T):"), 2, 5, 36, 8);
    m_editTitle = AddTemplateEdit(*this, 1001, 46, 3, 150, 14);
    AddTemplateText(*this, -1, Wx("カテゴリ(&C):"), 3, 25, 37, 8);
    // The template's height of 85 is that of the opened list; the closed box is as high as an
    // edit field.
    const wxRect combo = TemplateRect(*this, 46, 23, 150, 14);
    m_comboCategory = new wxComboBox(this, 1002, wxEmptyString, combo.GetPosition(),
                                     combo.GetSize(), 0, nullptr, wxCB_DROPDOWN);
    AddTemplateText(*this, -1, Wx("URL(&U):"), 3, 45, 26, 8);
    m_editUrl = AddTemplateEdit(*this, 1003, 47, 41, 150, 14);
    AddTemplateText(*this, -1, Wx("FEED(&F):"), 3, 65, 29, 8);
    m_editFeed = AddTemplateEdit(*this, 1004, 47, 61, 150, 14);
    AddTemplateButton(*this, 1, "OK", 47, 86, 50, 14, true);
    AddTemplateButton(*this, 2, Wx("ｷｬﾝｾﾙ"), 107, 86, 50, 14);
    m_editTitle->SetFocus();
}

int CSiteItemDlg::DoModal() {
    m_editTitle->ChangeValue(ToWx(m_strTitle));
    // The list is still empty: the category goes into the edit field.
    m_comboCategory->Clear();
    m_comboCategory->ChangeValue(ToWx(m_strCategory));
    m_editUrl->ChangeValue(ToWx(m_strUrl));
    m_editFeed->ChangeValue(ToWx(m_strFeed));
    CentreOnParent();
    if (m_pCategories) {
        for (const Text& category : *m_pCategories) m_comboCategory->Append(ToWx(category));
    }
    if (ShowModal() != wxID_OK) return kIdCancel;
    m_strTitle = FromWx(m_editTitle->GetValue());
    m_strCategory = FromWx(m_comboCategory->GetValue());
    m_strUrl = FromWx(m_editUrl->GetValue());
    m_strFeed = FromWx(m_editFeed->GetValue());
    return kIdOk;
}

}  // namespace varlo
