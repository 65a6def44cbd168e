#pragma once
// The network settings dialog: the proxy every transfer of Varlo goes through (the system's,
// none, or an address with a user name and password). The browser pane keeps the system's.

#include <wx/dialog.h>

#include <string>

#include "fetch/proxy.h"

class wxRadioButton;
class wxTextCtrl;

namespace varlo {

class CNetworkDlg : public wxDialog {
  public:
    explicit CNetworkDlg(wxWindow* parent);

    // Shows the dialog with `m_setting`; on OK (1) it holds what the user chose, with the password
    // typed in `m_setting.password` when `m_passwordChanged` (empty forgets the one kept).
    int DoModal();

    ProxySetting m_setting;
    bool m_hasPassword = false;  // a proxy password is kept
    bool m_passwordChanged = false;

  private:
    bool Take();
    void EnableAddress();
    void OnOk(wxCommandEvent& event);

    wxRadioButton* m_system = nullptr;
    wxRadioButton* m_none = nullptr;
    wxRadioButton* m_address = nullptr;
    wxTextCtrl* m_addressEdit = nullptr;
    wxTextCtrl* m_user = nullptr;
    wxTextCtrl* m_password = nullptr;
    bool m_taken = false;
};

}  // namespace varlo
