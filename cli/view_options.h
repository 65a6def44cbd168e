#pragma once
// The preview page's view options as the window keeps them, read without the toolkit.

#include <string>

#include "preview/preview_page.h"

namespace varlo::cli {

// The settings file the window uses: $VARLO_CONFIG, else $XDG_CONFIG_HOME/Morva/Varlo.ini, else
// ~/.config/Morva/Varlo.ini.
std::string SettingsPath();

// The four view options of section "View" in the INI file at `path`, each with the window's
// default where the file, the section or the value is missing or not a number.
PreviewOptions ReadViewOptions(const std::string& path);

}  // namespace varlo::cli
