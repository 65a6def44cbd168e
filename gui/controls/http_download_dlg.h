#pragma once
// The progress window of a download: a modeless window with the message, the file name, a bar,
// the byte counter and a cancel button, showing the fields the download keeps.

#include <wx/dialog.h>
#include <wx/weakref.h>

#include <cstdint>

#include "fetch/download_progress.h"

class wxGauge;
class wxStaticText;

namespace varlo {

class CHttpDownloadDlg : public CDownloadProgress {
  public:
    // The window will be owned by `owner` (the main window; may be null).
    explicit CHttpDownloadDlg(wxWindow* owner);
    // Closes the window if it is still open.
    ~CHttpDownloadDlg() override;

    // The window while it is open, else null.
    wxDialog* Window() const { return m_window; }

    // The bar's range and position for a byte range 0..`rangeMax` at `position`: an empty bar
    // when the range is empty, the position kept inside the range, both scaled to fit an int.
    struct GaugeState {
        int range;
        int value;
    };
    static GaugeState GaugeFor(int64_t rangeMax, int64_t position);

  protected:
    void OpenWindow() override;
    void CloseWindow() override;
    void ShowFields() override;

  private:
    wxWeakRef<wxWindow> m_owner;
    // The window is owned by the toolkit (destroyed with its owner): a weak reference notices.
    wxWeakRef<wxDialog> m_window;
    wxStaticText* m_message = nullptr;
    wxStaticText* m_file = nullptr;
    wxStaticText* m_counter = nullptr;
    wxGauge* m_bar = nullptr;
};

// Makes every download that asks for progress show this window, owned by `owner`.
void InstallDownloadProgressWindows(wxWindow* owner);

}  // namespace varlo
