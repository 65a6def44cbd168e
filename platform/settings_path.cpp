#include "platform/settings_path.h"

#include <cstdlib>
#include <filesystem>

namespace varlo {

std::string SettingsFilePath() {
    if (const char* path = std::getenv("VARLO_CONFIG"); path && *path) return path;
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        base = ".";
    }
    return (base / "Morva" / "Varlo.ini").string();
}

}  // namespace varlo
