#pragma once
// A frame that remembers its placement and the visibility of its bars in the settings: restored
// when it is first shown, written when its window is destroyed.

#include <wx/docview.h>

#include "shell/placement.h"

namespace varlo {

class CContFrameWnd : public wxDocParentFrame {
  public:
    CContFrameWnd(wxDocManager* manager, const wxString& title);

    // The first showing restores the saved placement and bars (and shows the window in the saved
    // state instead of the one asked for).
    bool Show(bool show = true) override;
    // Restores placement and bars from the settings.
    void LoadWindowPlacement();
    // Writes placement and bars to the settings.
    void SaveWindowPlacement();
    // The placement as it would be saved now.
    WindowPlacement CurrentPlacement() const;

  protected:
    // Section and value names.
    const char* m_strSection = "Window size";
    const char* m_strRect = "Rect";
    const char* m_strShowCmd = "showCmd";
    const char* m_strFlags = "flags";
    const char* m_strToolBar = "ToolBar";
    const char* m_strStatusBar = "StatusBar";
    bool m_bFirstActivation = true;

  private:
    void OnGeometry(wxEvent& event);
    wxRect m_normalRect{100, 100, 600, 400};  // the window's rectangle when neither maximised nor
                                              // minimised
    int m_flags = 0;
};

}  // namespace varlo
