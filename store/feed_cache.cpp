#include "store/feed_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace varlo {
namespace {

// A name that a feed address maps to; addresses are arbitrary text, so they are hashed (64-bit
// FNV-1a: collisions among one user's feeds are not a practical concern).
std::string NameOf(const Text& url) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : url) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.xml", static_cast<unsigned long long>(hash));
    return name;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string CFeedCache::BodyPath(const Text& url) const {
    if (m_folder.empty()) return {};
    return m_folder + "/" + NameOf(url);
}

bool CFeedCache::HasBody(const Text& url) const {
    if (m_folder.empty()) return false;
    struct stat info {};
    return lstat(BodyPath(url).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string CFeedCache::CreateTemp(int* fd) const {
    *fd = -1;
    if (m_folder.empty()) return {};
    std::string path = m_folder + "/.body-XXXXXX";
    *fd = mkostemp(path.data(), O_CLOEXEC);
    if (*fd < 0) return {};
    return path;
}

bool CFeedCache::Commit(const std::string& tempPath, const Text& url) const {
    if (m_folder.empty()) return false;
    if (rename(tempPath.c_str(), BodyPath(url).c_str()) == 0) return true;
    unlink(tempPath.c_str());
    return false;
}

bool CFeedCache::StoreCopy(const std::string& source, const Text& url) const {
    int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    int out = -1;
    const std::string temp = CreateTemp(&out);
    bool ok = !temp.empty();
    char buffer[64 * 1024];
    while (ok) {
        ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        ok = WriteAll(out, buffer, static_cast<size_t>(n));
    }
    close(in);
    if (out >= 0 && close(out) != 0) ok = false;
    if (!ok) {
        if (!temp.empty()) unlink(temp.c_str());
        return false;
    }
    return Commit(temp, url);
}

void CFeedCache::Remove(const Text& url) const {
    if (!m_folder.empty()) unlink(BodyPath(url).c_str());
}

}  // namespace varlo
