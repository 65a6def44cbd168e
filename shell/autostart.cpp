#include "shell/autostart.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace varlo {
namespace {

// `text` as one argument of a desktop entry's Exec line: quoted, with the characters that the
// quotes leave special escaped, and "%" doubled (a field code otherwise).
std::string QuotedArgument(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += "\\\\";
            out += c;
        } else if (c == '%') {
            out += "%%";
        } else if (c == '\n' || c == '\r') {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string AutostartPath() {
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        config = std::filesystem::path(home) / ".config";
    } else {
        return {};
    }
    return (config / "autostart" / "varlo.desktop").string();
}

std::string AutostartEntry(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Varlo\n"
           "Comment=Web feed reader\n"
           "Exec=" +
           QuotedArgument(program) +
           " --minimized\n"
           "Icon=varlo\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool SetAutostart(bool on, const std::string& program) {
    const std::string path = AutostartPath();
    if (path.empty()) return false;
    std::error_code error;
    if (!on) {
        std::filesystem::remove(path, error);
        return !error;
    }
    const std::filesystem::path file(path);
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) return false;
    // Written beside and renamed: a half-written entry would start nothing, or something else.
    const std::filesystem::path temporary = file.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << AutostartEntry(program);
        if (!out.flush()) return false;
    }
    std::filesystem::rename(temporary, file, error);
    return !error;
}

bool AutostartOn() {
    const std::string path = AutostartPath();
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace varlo
