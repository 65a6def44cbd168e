#include "platform/program_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/private_files.h"

namespace varlo {
namespace {

std::string g_override;

std::string ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
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

// How strict a folder's permissions must be.
enum class Privacy {
    kNoOtherWriter,  // nobody but the owner may write (a folder the user keeps, maybe 0755)
    kOwnerOnly,      // mode 0700: folders in shared places, where even a listing says too much
};

// A real folder (not a link), owned by this user, writable by this user and nobody else.
bool IsPrivateFolder(const std::string& folder, Privacy privacy) {
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    if (info.st_uid != geteuid()) return false;
    // access() grants root everything; a folder whose mode lets no one write is read-only in
    // intent (an install made read-only), so root is kept out of it as well.
    if ((info.st_mode & S_IWUSR) == 0 || access(folder.c_str(), W_OK) != 0) return false;
    const mode_t forbidden =
        privacy == Privacy::kOwnerOnly ? mode_t{S_IRWXG | S_IRWXO} : mode_t{S_IWGRP | S_IWOTH};
    return (info.st_mode & forbidden) == 0;
}

// Creates `folder` (and missing parents) and returns it when it is private, else "".
std::string PrivateFolder(const std::filesystem::path& folder, Privacy privacy) {
    // 0700 from the start, missing parents (~/.local/share) included: no moment in which another
    // user could enter it.
    if (!MakeFolders(folder.string())) return {};
    return IsPrivateFolder(folder.string(), privacy) ? folder.string() : std::string();
}

// An absolute folder from the environment, or "" (relative values are ignored, as they would
// depend on the working folder).
std::filesystem::path FolderFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return {};
    return value;
}

// A folder of this process only, made when every usual place was unusable. Made again when the
// one made before has gone or changed hands.
std::string FreshTemporaryFolder() {
    static std::string folder;
    if (!folder.empty() && IsPrivateFolder(folder, Privacy::kOwnerOnly)) return folder;
    std::error_code ec;
    const auto temporary = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    std::string pattern = (temporary / ("varlo-" + std::to_string(geteuid()) + ".XXXXXX")).string();
    folder = mkdtemp(pattern.data()) ? pattern : std::string();
    return folder;
}

std::string PerUserFolder() {
    if (auto data = FolderFromEnvironment("XDG_DATA_HOME"); !data.empty()) {
        if (auto folder = PrivateFolder(data / "Varlo", Privacy::kNoOtherWriter); !folder.empty()) {
            return folder;
        }
    }
    if (auto home = FolderFromEnvironment("HOME"); !home.empty()) {
        auto folder = PrivateFolder(home / ".local" / "share" / "Varlo", Privacy::kNoOtherWriter);
        if (!folder.empty()) return folder;
    }
    if (auto runtime = FolderFromEnvironment("XDG_RUNTIME_DIR"); !runtime.empty()) {
        if (auto folder = PrivateFolder(runtime / "Varlo", Privacy::kOwnerOnly); !folder.empty()) {
            return folder;
        }
    }
    std::error_code ec;
    const auto temporary = std::filesystem::temp_directory_path(ec);
    if (!ec) {
        auto folder =
            PrivateFolder(temporary / ("varlo-" + std::to_string(geteuid())), Privacy::kOwnerOnly);
        if (!folder.empty()) return folder;
    }
    return FreshTemporaryFolder();
}

}  // namespace

std::string ProgramFolderFor(const std::string& executableFolder) {
    std::string folder = executableFolder;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (IsSystemFolder(folder) || !IsPrivateFolder(folder, Privacy::kNoOtherWriter)) {
        folder = PerUserFolder();
    }
    return folder;
}

std::string GetProgramFolder() {
    if (!g_override.empty()) return g_override;
    // The environment's folder is held to the same rule as every other: a shared one is passed
    // over.
    if (const char* folder = std::getenv("VARLO_PROGRAM_FOLDER");
        folder && *folder && IsPrivateFolder(folder, Privacy::kNoOtherWriter)) {
        return folder;
    }
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
