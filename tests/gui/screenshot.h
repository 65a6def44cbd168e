#pragma once
// Pictures of windows for looking at them: taken only when VARLO_SCREENSHOT_DIR names a folder.

#include <string>

class wxWindow;

namespace varlo::test {

// Shows `window`, lets it paint and saves what the screen shows of it as
// $VARLO_SCREENSHOT_DIR/`name`.png, then hides it again. Does nothing without the variable.
void SaveScreenshot(wxWindow* window, const std::string& name);

// Saves what the screen shows over `window` as it stands, nothing raised: a popped-up menu stays
// in the picture.
void SaveScreenAsIs(wxWindow* window, const std::string& name);

}  // namespace varlo::test
