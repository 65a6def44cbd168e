#pragma once
// Where the user's settings file lies, for the window and for varlo-cli alike.

#include <string>

namespace varlo {

// $VARLO_CONFIG when set, else $XDG_CONFIG_HOME/Morva/Varlo.ini, else ~/.config/Morva/Varlo.ini
// (a relative "Morva/Varlo.ini" when there is no home either).
std::string SettingsFilePath();

}  // namespace varlo
