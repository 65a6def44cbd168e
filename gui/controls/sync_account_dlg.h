#pragma once
// The sync account dialog: the server's address, the user name and the API password, a check of
// the connection (the login and the write token, off the window's thread), and the removal of the
// account. It only edits: the caller keeps or forgets what the user chose.

#include <wx/dialog.h>

#include <memory>
#include <string>
#include <vector>

class wxStaticText;
class wxTextCtrl;
class wxButton;

namespace varlo {

class CSyncAccountDlg : public wxDialog {
  public:
    // What DoModal answers besides OK (1) and Cancel (2): the user removes the account.
    static constexpr int kRemove = 1006;

    // `hasAccount`: an account is set, so it can be removed and its password may be left empty
    // (kept as it is).
    CSyncAccountDlg(wxWindow* parent, bool hasAccount);

    // Shows the dialog with the fields; on OK the fields hold the texts entered.
    int DoModal();
    // Starts the check of the connection with the fields as they are ("接続の確認").
    void CheckConnection();
    bool IsChecking() const { return m_checking; }

    // UTF-8.
    std::string m_server;
    std::string m_user;
    std::string m_password;

    wxTextCtrl* m_editServer = nullptr;
    wxTextCtrl* m_editUser = nullptr;
    wxTextCtrl* m_editPassword = nullptr;
    wxButton* m_buttonCheck = nullptr;
    wxButton* m_buttonRemove = nullptr;
    // The check's result, in words.
    wxStaticText* m_result = nullptr;

  private:
    void OnOk(wxCommandEvent& event);
    // Shows the check's result beside its button, the dialog growing to hold all of it.
    void ShowResult(const wxString& text);

    std::vector<wxButton*> m_bottomButtons;  // the row of buttons under the result
    int m_buttonsTop = 0;                    // their top and the client area's height as made
    int m_clientHeight = 0;
    bool m_hasAccount = false;
    bool m_checking = false;
};

}  // namespace varlo
