#include "store/store_paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/private_files.h"
#include "platform/program_folder.h"

namespace varlo {
namespace {

std::string g_cacheOverride;

bool MakeOne(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) == 0) return true;
    return errno == EEXIST;
}

}  // namespace

std::string StorePath() {
    return GetProgramFolder() + "/varlo.db";
}

bool MakePrivateFolder(const std::string& folder) {
    if (folder.empty()) return false;
    // Parents may be shared (~/.cache is often made by others' tools): only the last step is ours.
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        MakeOne(folder.substr(0, slash));
    }
    if (!MakeOne(folder)) return false;
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    if (info.st_uid != geteuid()) return false;
    if ((info.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0) return false;
    return true;
}

std::string FeedCacheFolder() {
    std::string folder;
    if (!g_cacheOverride.empty()) {
        folder = g_cacheOverride;
    } else if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') {
        folder = std::string(xdg) + "/Varlo/feeds";
    } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
        folder = std::string(home) + "/.cache/Varlo/feeds";
    } else {
        return {};
    }
    // The Varlo folder above the feeds is as private as the feeds themselves.
    if (g_cacheOverride.empty() && !MakePrivateFolder(folder.substr(0, folder.rfind('/')))) {
        return {};
    }
    return MakePrivateFolder(folder) ? folder : std::string();
}

bool PrepareStoreFile(const std::string& path) {
    // Never through a link: a planted one would make SQLite write wherever it points.
    const int fd =
        open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode);
    if (fd >= 0) {
        close(fd);
        return true;
    }
    if (errno != EEXIST) return false;
    bool ok = MakeFilePrivate(path);
    for (const char* log : {"-wal", "-shm"}) ok = MakeFilePrivate(path + log) && ok;
    return ok;
}

void SetFeedCacheFolder(const std::string& folder) {
    g_cacheOverride = folder;
}

}  // namespace varlo
