#include "platform/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace varlo {
namespace {

std::string g_override;

std::string ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

std::string UserDataFolder() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    const auto folder = base / "Varlo";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder.string();
}

}  // namespace

std::string GetProgramFolder() {
    if (!g_override.empty()) return g_override;
    if (const char* folder = std::getenv("VARLO_PROGRAM_FOLDER"); folder && *folder) return folder;
    std::string folder = ExecutableFolder();
    if (access(folder.c_str(), W_OK) != 0) folder = UserDataFolder();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

void SetProgramFolder(const std::string& folder) {
    g_override = folder;
}

std::string GetPreviewPath() {
    std::string folder = GetProgramFolder();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + "MorvaPreview.html";
}

}  // namespace varlo
