#pragma once
// The page information dialog: title and address of the page shown, with a button that copies
// the address.

#include <wx/dialog.h>

#include "platform/text.h"

class wxTextCtrl;

namespace varlo {

class CPropDlg : public wxDialog {
  public:
    explicit CPropDlg(wxWindow* parent);

    // Shows the dialog with the fields; returns 1 for OK, 2 when it was closed otherwise. The
    // fields are only shown, never changed.
    int DoModal();

    // Button 1004: selects the whole address and puts it on the clipboard; the dialog stays open.
    void OnCopyAddress();

    // The texts (code page 932).
    Text m_strTitle;
    Text m_strUrl;

  private:
    wxTextCtrl* m_editTitle = nullptr;
    wxTextCtrl* m_editUrl = nullptr;
};

}  // namespace varlo
