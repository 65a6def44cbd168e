#pragma once
// The file dialog of the program: the toolkit's file dialog with the arguments and results of
// the classic one (filter text with "|" separators, a default extension, 1 or 2 as result).

#include <wx/filedlg.h>

namespace varlo {

class CFileDialogEx : public wxFileDialog {
  public:
    // An open (`openFileDialog`) or save dialog. `defaultExt` (without dot) is added to a chosen
    // name without extension; `fileName` may carry a folder; `flags` are wxFD_ flags added to
    // the open or save style (a save dialog always asks before replacing a file); `filter` is
    // "desc|*.xml|desc|*.*||".
    CFileDialogEx(bool openFileDialog, const wxString& defaultExt = wxEmptyString,
                  const wxString& fileName = wxEmptyString, long flags = wxFD_OVERWRITE_PROMPT,
                  const wxString& filter = wxEmptyString, wxWindow* parent = nullptr);

    // Shows the dialog; 1 when the user chose a file, 2 otherwise.
    int DoModal();

    // The full path of the chosen file, with the default extension when the name had none.
    wxString GetPathName() const;

    // The classic filter "desc|pattern|...||" in the toolkit's form "desc|pattern|...": the
    // closing empty pair and anything after it are dropped, as is a description without pattern.
    static wxString ConvertFilter(const wxString& filter);

  private:
    bool m_open;
    wxString m_defaultExt;
};

}  // namespace varlo
