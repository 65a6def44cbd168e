#pragma once
// The list of the sites whose last update failed, each with its message.

#include <wx/dialog.h>

#include <utility>
#include <vector>

namespace varlo {

class CListCtrlBox;

class CUpdateFailuresDlg : public wxDialog {
  public:
    // One row per failure: the site (its title, or its feed address) and the message.
    CUpdateFailuresDlg(wxWindow* parent, const std::vector<std::pair<wxString, wxString>>& rows);
    CListCtrlBox* GetList() const { return m_list; }

  private:
    CListCtrlBox* m_list = nullptr;
};

}  // namespace varlo
