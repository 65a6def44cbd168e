#pragma once
// The site dialog: title, category, web page address and feed address of one subscribed site.

#include <wx/dialog.h>

#include <vector>

#include "platform/text.h"

class wxComboBox;
class wxTextCtrl;

namespace varlo {

class CSiteItemDlg : public wxDialog {
  public:
    explicit CSiteItemDlg(wxWindow* parent);

    // Shows the dialog with the fields; on OK (1) the fields hold the edited texts, on Cancel (2)
    // they are unchanged.
    int DoModal();

    // The categories offered in the combo box, in their order; owned by the caller, may be null.
    const std::vector<Text>* m_pCategories = nullptr;
    // The category combo box (control 1002).
    wxComboBox* m_comboCategory = nullptr;
    // The texts (code page 932).
    Text m_strCategory;
    Text m_strTitle;
    Text m_strUrl;
    Text m_strFeed;

  private:
    wxTextCtrl* m_editTitle = nullptr;
    wxTextCtrl* m_editUrl = nullptr;
    wxTextCtrl* m_editFeed = nullptr;
};

}  // namespace varlo
