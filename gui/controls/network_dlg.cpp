#include "gui/controls/network_dlg.h"

#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "encoding/codepage.h"
#include "gui/controls/dialog_template.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"
#include "platform/secret_memory.h"

namespace varlo {
CNetworkDlg::CNetworkDlg(wxWindow* parent) {
    Create(parent, 140, Wx("ネットワーク設定"), wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_DIALOG_STYLE);
    SetFont(TemplateFont());
    const int gap = ConvertDialogToPixels(wxSize(4, 0)).x;
    const wxSize field = ConvertDialogToPixels(wxSize(150, 14));
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(new wxStaticText(this, wxID_ANY, Wx("フィードの取得に使うプロキシ:")), 0, wxBOTTOM,
                gap);
    m_system = new wxRadioButton(this, 1201, Wx("システムの設定に従う(&S)"), wxDefaultPosition,
                                 wxDefaultSize, wxRB_GROUP);
    m_none = new wxRadioButton(this, 1202, Wx("プロキシを使わない(&N)"));
    m_address = new wxRadioButton(this, 1203, Wx("次のプロキシを使う(&P):"));
    for (wxRadioButton* radio : {m_system, m_none, m_address}) column->Add(radio, 0, wxBOTTOM, 2);
    auto* grid = new wxFlexGridSizer(2, gap, gap);
    auto row = [&](const char* label, wxTextCtrl* edit) {
        grid->Add(new wxStaticText(this, wxID_ANY, Wx(label)), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(edit);
    };
    m_addressEdit = new wxTextCtrl(this, 1204, wxEmptyString, wxDefaultPosition, field);
    m_addressEdit->SetHint("http://proxy.example:8080");
    m_user = new wxTextCtrl(this, 1205, wxEmptyString, wxDefaultPosition, field);
    m_password = new wxTextCtrl(this, 1206, wxEmptyString, wxDefaultPosition, field, wxTE_PASSWORD);
    row("アドレス(&A):", m_addressEdit);
    row("ユーザー名(&U):", m_user);
    row("パスワード(&W):", m_password);
    column->Add(grid, 0, wxLEFT, 4 * gap);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok =
        new wxButton(this, wxID_OK, "OK", wxDefaultPosition, ConvertDialogToPixels(wxSize(50, 14)));
    ok->SetDefault();
    buttons->Add(ok, 0, wxRIGHT, 2 * gap);
    buttons->Add(new wxButton(this, wxID_CANCEL, Wx("ｷｬﾝｾﾙ"), wxDefaultPosition,
                              ConvertDialogToPixels(wxSize(50, 14))));
    column->Add(buttons, 0, wxALIGN_CENTER | wxTOP, 3 * gap);
    auto* border = new wxBoxSizer(wxVERTICAL);
    border->Add(column, 1, wxEXPAND | wxALL, 2 * gap);
    SetSizerAndFit(border);
    for (wxRadioButton* radio : {m_system, m_none, m_address}) {
        radio->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { EnableAddress(); });
    }
    Bind(wxEVT_BUTTON, &CNetworkDlg::OnOk, this, wxID_OK);
}

void CNetworkDlg::EnableAddress() {
    const bool own = m_address->GetValue();
    for (wxTextCtrl* edit : {m_addressEdit, m_user, m_password}) edit->Enable(own);
}

bool CNetworkDlg::Take() {
    ProxySetting setting;
    setting.mode = m_none->GetValue()      ? ProxySetting::Mode::kNone
                   : m_address->GetValue() ? ProxySetting::Mode::kAddress
                                           : ProxySetting::Mode::kSystem;
    setting.address = std::string(Trim(ToUtf8(m_addressEdit->GetValue())));
    setting.user = std::string(Trim(ToUtf8(m_user->GetValue())));
    if (setting.mode == ProxySetting::Mode::kAddress && !IsValidProxyAddress(setting.address)) {
        ShowMessageBox(Jp("プロキシのアドレスは http:// か socks5h:// で始めて、ホスト名を"
                          "含めてください"),
                       kMbOk | kMbIconWarning);
        m_addressEdit->SetFocus();
        return false;
    }
    std::string password = ToUtf8(m_password->GetValue());
    m_passwordChanged = !password.empty() || (setting.user.empty() && m_hasPassword);
    setting.password = setting.user.empty() ? std::string() : password;
    WipeString(password);
    WipeString(m_setting.password);
    m_setting = setting;
    return true;
}

void CNetworkDlg::OnOk(wxCommandEvent&) {
    m_taken = Take();
    if (m_taken) EndModal(wxID_OK);
}

int CNetworkDlg::DoModal() {
    m_system->SetValue(m_setting.mode == ProxySetting::Mode::kSystem);
    m_none->SetValue(m_setting.mode == ProxySetting::Mode::kNone);
    m_address->SetValue(m_setting.mode == ProxySetting::Mode::kAddress);
    m_addressEdit->ChangeValue(wxString::FromUTF8(m_setting.address));
    m_user->ChangeValue(wxString::FromUTF8(m_setting.user));
    m_password->ChangeValue(wxString());
    m_password->SetHint(m_hasPassword ? Wx("(保存済み)") : wxString());
    EnableAddress();
    CentreOnParent();
    m_taken = false;
    // A dialog answered without its button (tests) takes its fields here.
    if (ShowModal() != wxID_OK || (!m_taken && !Take())) return kIdCancel;
    return kIdOk;
}

}  // namespace varlo
