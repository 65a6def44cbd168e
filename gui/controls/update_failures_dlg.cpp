#include "gui/controls/update_failures_dlg.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include "gui/controls/list_ctrl_box.h"
#include "gui/platform/wx_text.h"

namespace varlo {

CUpdateFailuresDlg::CUpdateFailuresDlg(wxWindow* parent,
                                       const std::vector<std::pair<wxString, wxString>>& rows)
    : wxDialog(parent, wxID_ANY, Wx("更新の失敗"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    m_list = new CListCtrlBox(this, 1000, wxDefaultPosition, FromDIP(wxSize(520, 240)));
    m_list->AddColumn(Wx("サイト"), 160);
    m_list->AddColumn(Wx("メッセージ"), 320);
    for (const auto& [site, message] : rows) {
        m_list->AddItem(0, site);
        m_list->AddItem(1, message);
    }
    if (!rows.empty()) m_list->AutoSizeColumns(0);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_list, 1, wxEXPAND | wxALL, FromDIP(8));
    sizer->Add(new wxButton(this, wxID_OK, "OK"), 0, wxALIGN_CENTER | wxBOTTOM, FromDIP(8));
    SetSizerAndFit(sizer);
    CentreOnParent();
}

}  // namespace varlo
