#include "gui/controls/sync_account_dlg.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "encoding/codepage.h"
#include "gui/controls/dialog_template.h"
#include "gui/platform/background.h"
#include "gui/platform/wx_text.h"
#include "platform/message_box.h"
#include "sync/reader_client.h"

namespace varlo {
namespace {

std::string Trimmed(const std::string& text) {
    return std::string(Trim(text));
}

// `text` with line breaks where a line would pass `width` pixels in `window`'s font. Japanese
// breaks between any two characters; a run of Latin text (an address, a number) breaks at its
// last space when it has one, so that it is not cut in the middle.
wxString BreakIntoLines(const wxWindow& window, const wxString& text, int width) {
    wxString out;
    wxString line;
    for (const wxUniChar c : text) {
        if (c == '\n') {
            out += line + '\n';
            line.clear();
            continue;
        }
        if (line.empty() || window.GetTextExtent(line + c).x <= width) {
            line += c;
            continue;
        }
        const size_t space = line.find_last_of(' ');
        bool latinTail = space != wxString::npos;
        for (size_t i = space + 1; latinTail && i < line.length(); ++i) {
            latinTail = line[i].IsAscii();
        }
        if (latinTail && c.IsAscii() && c != ' ') {
            out += line.substr(0, space) + '\n';
            line = line.substr(space + 1) + c;
        } else {
            out += line + '\n';
            line = c == ' ' ? wxString() : wxString(c);
        }
    }
    return out + line;
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
    m_bottomButtons = {m_buttonRemove, AddTemplateButton(*this, 1, "OK", 118, 102, 50, 14, true),
                       AddTemplateButton(*this, 2, Wx("ｷｬﾝｾﾙ"), 176, 102, 50, 14)};
    m_buttonsTop = m_buttonRemove->GetPosition().y;
    m_clientHeight = GetClientSize().y;
    m_buttonCheck->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { CheckConnection(); });
    m_buttonRemove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(kRemove); });
    Bind(wxEVT_BUTTON, &CSyncAccountDlg::OnOk, this, wxID_OK);
    m_editServer->SetFocus();
}

int CSyncAccountDlg::DoModal() {
    m_editServer->ChangeValue(wxString::FromUTF8(m_server));
    m_editUser->ChangeValue(wxString::FromUTF8(m_user));
    m_editPassword->ChangeValue(wxString());
    CentreOnParent();
    const int result = ShowModal();
    if (result == kRemove) return kRemove;
    if (result != wxID_OK) return kIdCancel;
    m_server = Trimmed(ToUtf8(m_editServer->GetValue()));
    m_user = Trimmed(ToUtf8(m_editUser->GetValue()));
    m_password = ToUtf8(m_editPassword->GetValue());
    return kIdOk;
}

void CSyncAccountDlg::OnOk(wxCommandEvent& event) {
    // Without a server and a user there is no account; without a password a new one cannot log in.
    if (Trimmed(ToUtf8(m_editServer->GetValue())).empty() ||
        Trimmed(ToUtf8(m_editUser->GetValue())).empty() ||
        (!m_hasAccount && m_editPassword->GetValue().empty())) {
        ShowMessageBox(Jp("サーバー、ユーザー名、API パスワードを入力してください。"),
                       kMbOk | kMbIconWarning);
        return;
    }
    event.Skip();
}

void CSyncAccountDlg::CheckConnection() {
    if (m_checking) return;
    const std::string server = Trimmed(ToUtf8(m_editServer->GetValue()));
    const std::string user = Trimmed(ToUtf8(m_editUser->GetValue()));
    std::string password = ToUtf8(m_editPassword->GetValue());
    if (password.empty()) password = m_password;  // the one kept, when the caller gave it
    if (server.empty() || user.empty() || password.empty()) {
        ShowResult(Wx("サーバー、ユーザー名、API パスワードを入力してください。"));
        return;
    }
    m_checking = true;
    m_buttonCheck->Enable(false);
    ShowResult(Wx("確認中..."));
    RunOffWindow(
        this, OnWorkers{},
        [server, user, password] {
            CReaderClient client(server);
            return client.Login(user, password);
        },
        [](CSyncAccountDlg& dialog, const ReaderStatus& status) {
            dialog.m_checking = false;
            dialog.m_buttonCheck->Enable(true);
            dialog.ShowResult(status.Ok() ? Wx("接続できました。") : ToWx(status.message));
        });
}

void CSyncAccountDlg::ShowResult(const wxString& text) {
    // Broken into lines of the width the template gives it, the text takes as many lines as it
    // needs: a long reason (a server's address, a refusal in several parts) pushes the buttons
    // below it down and the dialog grows, rather than the buttons covering its end.
    const int width = TemplateRect(*this, 0, 0, 96, 0).width;
    const wxString lines = BreakIntoLines(*m_result, text, width);
    m_result->SetLabel(lines);
    wxClientDC dc(m_result);
    dc.SetFont(m_result->GetFont());
    const int height = std::max(dc.GetMultiLineTextExtent(lines).y + dc.GetCharHeight() / 2,
                                TemplateRect(*this, 0, 0, 0, 30).height);
    m_result->SetSize(width, height);
    const int gap = TemplateRect(*this, 0, 0, 0, 6).height;
    const int shift = std::max(0, m_result->GetPosition().y + height + gap - m_buttonsTop);
    for (wxButton* button : m_bottomButtons) {
        button->Move(button->GetPosition().x, m_buttonsTop + shift);
    }
    SetClientSize(GetClientSize().x, m_clientHeight + shift);
}

}  // namespace varlo
