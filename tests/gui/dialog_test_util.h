#pragma once
// Small helpers shared by the dialog and control tests.

#include <wx/button.h>
#include <wx/window.h>

#include <string>
#include <vector>

#include "gui/platform/shell_open.h"

namespace varlo::test {

// A UTF-8 literal as a toolkit string.
inline wxString U8(const char* text) {
    return wxString::FromUTF8(text);
}

// Presses a button as a click would.
inline void Press(wxButton* button) {
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
}

// Installs launchers that record what they were asked to open (and answer `succeed`) while
// alive; nothing is ever started.
class RecordingLauncher {
  public:
    explicit RecordingLauncher(bool succeed = true) {
        auto record = [this, succeed](const std::string& target) {
            opened.push_back(target);
            return succeed;
        };
        m_previous = SetShellLauncher({record, record});
    }
    ~RecordingLauncher() { SetShellLauncher(m_previous); }
    RecordingLauncher(const RecordingLauncher&) = delete;
    RecordingLauncher& operator=(const RecordingLauncher&) = delete;

    std::vector<std::string> opened;

  private:
    ShellLauncher m_previous;
};

}  // namespace varlo::test
