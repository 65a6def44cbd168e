#include "screenshot.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdlib>

#include "gui_test_support.h"

namespace varlo::test {

void SaveScreenshot(wxWindow* window, const std::string& name) {
    const char* folder = std::getenv("VARLO_SCREENSHOT_DIR");
    if (!folder || !*folder || !window) return;
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    const bool wasShown = window->IsShown();
    window->Show();
    window->Raise();
    // Only for pictures, never for a test's result: give the X server time to map and paint.
    for (int i = 0; i < 10; ++i) {
        PumpEvents();
        window->Update();
        wxMilliSleep(30);
    }
    const wxRect rect = window->GetScreenRect();
    wxBitmap bitmap(rect.width, rect.height, 24);
    {
        wxScreenDC screen;
        wxMemoryDC memory(bitmap);
        memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    }
    bitmap.SaveFile(wxString::FromUTF8(std::string(folder) + "/" + name + ".png"),
                    wxBITMAP_TYPE_PNG);
    if (!wasShown) window->Hide();
}

}  // namespace varlo::test
