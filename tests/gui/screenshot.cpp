#include "screenshot.h"

#include <wx/utils.h>
#include <wx/window.h>

#include <cstdlib>

#include "gui_test_support.h"

namespace varlo::test {

void SaveScreenshot(wxWindow* window, const std::string& name) {
    const char* folder = std::getenv("VARLO_SCREENSHOT_DIR");
    if (!folder || !*folder || !window) return;
    const bool wasShown = window->IsShown();
    window->Show();
    window->Raise();
    // Only for pictures, never for a test's result: give the X server time to map and paint.
    for (int i = 0; i < 20; ++i) {
        PumpEvents();
        window->Update();
        wxMilliSleep(25);
    }
    SaveScreenAsIs(window, name);
    if (!wasShown) window->Hide();
}

void SaveScreenAsIs(wxWindow* window, const std::string& name) {
    const char* folder = std::getenv("VARLO_SCREENSHOT_DIR");
    if (!folder || !*folder || !window) return;
    for (int i = 0; i < 10; ++i) {
        PumpEvents();
        wxMilliSleep(25);
    }
    // The toolkit's screen reading lags behind under Xvfb; ImageMagick reads the server itself.
    const wxRect rect = window->GetScreenRect();
    const wxString crop = wxString::Format("%dx%d+%d+%d", rect.width, rect.height, rect.x, rect.y);
    const wxString file = wxString::FromUTF8(std::string(folder) + "/" + name + ".png");
    const wchar_t* argv[] = {L"import",     L"-window",    L"root", L"-crop",
                             crop.wc_str(), file.wc_str(), nullptr};
    wxExecute(argv, wxEXEC_SYNC);
}

}  // namespace varlo::test
