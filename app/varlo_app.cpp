#include "app/varlo_app.h"

#include <wx/frame.h>

namespace varlo {

bool CVarloApp::OnInit() {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Varlo");
    frame->Show();
    return true;
}

int CVarloApp::OnExit() {
    return wxApp::OnExit();
}

}  // namespace varlo
