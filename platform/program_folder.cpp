#include "platform/program_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

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

// Folders the package manager owns: even a program run by root must not leave its downloads there.
bool IsSystemFolder(std::string_view folder) {
    for (std::string_view system : {"/usr", "/bin", "/sbin", "/lib", "/opt"}) {
        if (folder.substr(0, system.size()) == system &&
            (folder.size() == system.size() || folder[system.size()] == '/')) {
            return true;
        }
    }
    return false;
}

bool MayWriteInto(const std::string& folder) {
    if (IsSystemFolder(folder)) return false;
    if (access(folder.c_str(), W_OK) != 0) return false;
    // access() grants root everything; a folder whose mode lets no one write is read-only in
    // intent (an install made read-only), so root is kept out of it as well.
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

}  // namespace

std::string ProgramFolderFor(const std::string& executableFolder) {
    std::string folder = MayWriteInto(executableFolder) ? executableFolder : UserDataFolder();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string GetProgramFolder() {
    if (!g_override.empty()) return g_override;
    if (const char* folder = std::getenv("VARLO_PROGRAM_FOLDER"); folder && *folder) return folder;
    return ProgramFolderFor(ExecutableFolder());
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
