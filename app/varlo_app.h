#pragma once
// The application: start-up, the settings store, the document template and the single document.

#include <wx/app.h>

#include <memory>

namespace varlo {

class CVarloApp : public wxApp {
  public:
    bool OnInit() override;
    int OnExit() override;
};

}  // namespace varlo
