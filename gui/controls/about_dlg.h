#pragma once
// The about box: the program's version and the maker's support mail and home page as links.

#include <wx/dialog.h>

namespace varlo {

class CStaticLink;

class CAboutDlg : public wxDialog {
  public:
    explicit CAboutDlg(wxWindow* parent);

    // Shows the box modally; 1 when it was closed with OK, 2 otherwise.
    int DoModal();

    // The maker's support address shown by the mail link (the home page is the program's own).
    static const char* const kSupportMail;

    // Link 206: the support mail address, opened as a mailto address.
    CStaticLink* m_mailLink = nullptr;
    // Link 156: the home page, opened as shown.
    CStaticLink* m_homeLink = nullptr;
};

}  // namespace varlo
