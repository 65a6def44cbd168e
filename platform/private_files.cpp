#include "platform/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace varlo {

bool MakeFolders(const std::string& folder) {
    if (folder.empty()) return false;
    // Each step is made on its own: std::filesystem would make the parents with the umask's mode.
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        const std::string step = folder.substr(0, slash);
        if (mkdir(step.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST) return false;
    }
    if (mkdir(folder.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST) return false;
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFilePrivate(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (ok && (info.st_mode & 077) != 0) {
        ok = info.st_uid == geteuid() && fchmod(fd, info.st_mode & 0700) == 0;
    }
    close(fd);
    return ok;
}

}  // namespace varlo
