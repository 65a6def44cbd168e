#pragma once
// The dial-up dialog: lets the user choose the phone-book entry to dial, starting from the
// entry chosen last time.

#include <wx/dialog.h>

#include <vector>

#include "platform/text.h"

class wxChoice;

namespace varlo {

class CRasConnection;
class ISettings;

class CDialupDlg : public wxDialog {
  public:
    // The entries come from `connection`; the last choice is kept in `settings` under
    // "System" / "DialupEntry". Both must outlive the dialog.
    CDialupDlg(wxWindow* parent, CRasConnection& connection, ISettings& settings);

    // Shows the entries sorted, the stored one selected by prefix. OK (1) sets the field to the
    // selected entry (empty when none) and stores it; Cancel (2) stores nothing. Without dial-up
    // networking it shows why instead and returns 2.
    int DoModal();

    // The entry list control (1004).
    wxChoice* m_comboEntry = nullptr;
    // The entry name (code page 932).
    Text m_strEntry;

    // `names` in the list's order: case-insensitive for ASCII letters, then bytewise.
    static std::vector<Text> SortEntries(std::vector<Text> names);
    // Index of the first of `names` that begins with `prefix` (ASCII letters compared without
    // case), -1 when none.
    static int FindPrefix(const std::vector<Text>& names, const Text& prefix);

  private:
    CRasConnection& m_connection;
    ISettings& m_settings;
    std::vector<Text> m_entries;  // as listed
};

}  // namespace varlo
