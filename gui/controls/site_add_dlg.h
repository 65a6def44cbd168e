#pragma once
// The add-site dialog: asks for the address of a site's web page.

#include <wx/dialog.h>

#include "platform/text.h"

class wxTextCtrl;

namespace varlo {

class CSiteAddDlg : public wxDialog {
  public:
    explicit CSiteAddDlg(wxWindow* parent);

    // Shows the dialog with the field's address; on OK (1) the field holds the typed address,
    // on Cancel (2) it is unchanged.
    int DoModal();

    // The address (code page 932).
    Text m_strUrl;

  private:
    wxTextCtrl* m_editUrl = nullptr;
};

}  // namespace varlo
