#include "gui/controls/sync_account_dlg.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "encoding/codepage.h"
#include "gui/controls/dialog_template.h"
#include "gui/platform/background.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"
#include "sync/reader_client.h"

namespace varlo {
namespace {

std::string Utf8Of(const wxTextCtrl* edit) {
    return std::string(edit->GetValue().utf8_str());
}

std::string Trimmed(const std::string& text) {
    return std::string(Trim(text));
}

}  // namespace

CSyncAccountDlg::CSyncAccountDlg(wxWindow* parent, bool hasAccount) : m_hasAccount(hasAccount) {
    CreateTemplateDialog(*this, parent, 140, Wx("同期アカウント"), 232, 122);
    AddTemplateText(*this, -1, Wx("サーバー(&S):"), 4, 6, 62, 8);
    m_editServer = AddTemplateEdit(*this, 1001, 68, 3, 158, 14);
    AddTemplateText(*this, -1, Wx("ユーザー名(&U):"), 4, 24, 62, 8);
    m_editUser = AddTemplateEdit(*this, 1002, 68, 21, 158, 14);
    AddTemplateText(*this, -1, Wx("API パスワード(&P):"), 4, 42, 62, 8);
    m_editPassword = AddTemplateEdit(*this, 1003, 68, 39, 158, 14, wxTE_PASSWORD);
    if (hasAccount) m_editPassword->SetHint(Wx("(保存済み)"));
    m_buttonCheck = AddTemplateButton(*this, 1005, Wx("接続の確認"), 68, 58, 60, 14);
    m_result = AddTemplateText(*this, 1007, wxString(), 132, 60, 96, 30);
    m_buttonRemove = AddTemplateButton(*this, kRemove, Wx("アカウントの削除"), 4, 102, 70, 14);
    m_buttonRemove->Enable(hasAccount);
    AddTemplateButton(*this, 1, "OK", 118, 102, 50, 14, true);
    AddTemplateButton(*this, 2, Wx("ｷｬﾝｾﾙ"), 176, 102, 50, 14);
    m_buttonCheck->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { CheckConnection(); });
    m_buttonRemove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(kRemove); });
    Bind(wxEVT_BUTTON, &CSyncAccountDlg::OnOk, this, wxID_OK);
    m_editServer->SetFocus();
}

CSyncAccountDlg::~CSyncAccountDlg() {
    *m_alive = false;
}

int CSyncAccountDlg::DoModal() {
    m_editServer->ChangeValue(wxString::FromUTF8(m_server));
    m_editUser->ChangeValue(wxString::FromUTF8(m_user));
    m_editPassword->ChangeValue(wxString());
    CentreOnParent();
    const int result = ShowModal();
    if (result == kRemove) return kRemove;
    if (result != wxID_OK) return kIdCancel;
    m_server = Trimmed(Utf8Of(m_editServer));
    m_user = Trimmed(Utf8Of(m_editUser));
    m_password = Utf8Of(m_editPassword);
    return kIdOk;
}

void CSyncAccountDlg::OnOk(wxCommandEvent& event) {
    // Without a server and a user there is no account; without a password a new one cannot log in.
    if (Trimmed(Utf8Of(m_editServer)).empty() || Trimmed(Utf8Of(m_editUser)).empty() ||
        (!m_hasAccount && m_editPassword->GetValue().empty())) {
        ShowMessageBox(Jp("サーバー、ユーザー名、API パスワードを入力してください。"),
                       kMbOk | kMbIconWarning);
        return;
    }
    event.Skip();
}

void CSyncAccountDlg::CheckConnection() {
    if (m_checking) return;
    const std::string server = Trimmed(Utf8Of(m_editServer));
    const std::string user = Trimmed(Utf8Of(m_editUser));
    std::string password = Utf8Of(m_editPassword);
    if (password.empty()) password = m_password;  // the one kept, when the caller gave it
    if (server.empty() || user.empty() || password.empty()) {
        m_result->SetLabel(Wx("サーバー、ユーザー名、API パスワードを入力してください。"));
        return;
    }
    m_checking = true;
    m_buttonCheck->Enable(false);
    m_result->SetLabel(Wx("確認中..."));
    std::shared_ptr<bool> alive = m_alive;
    RunInBackground([=, this]() -> std::function<void()> {
        CReaderClient client(server);
        const ReaderStatus status = client.Login(user, password);
        return [=, this] {
            if (!*alive) return;
            m_checking = false;
            m_buttonCheck->Enable(true);
            m_result->SetLabel(status.Ok() ? Wx("接続できました。") : ToWx(status.message));
            m_result->Wrap(m_result->GetSize().x);
        };
    });
}

}  // namespace varlo
