#include "xml/text_buffer.h"

#include <mutex>

namespace varlo {
namespace {

// Buffers below this come from the heap anyway, which reuses them by itself.
constexpr size_t kSmallestKept = 128 * 1024;

std::mutex g_mutex;
std::string g_kept;  // guarded by g_mutex

}  // namespace

std::string TakeTextBuffer(size_t bytes, bool* reused) {
    std::string buffer;
    if (bytes >= kSmallestKept) {
        const std::lock_guard<std::mutex> lock(g_mutex);
        if (g_kept.capacity() >= bytes) buffer.swap(g_kept);
    }
    if (reused) *reused = buffer.capacity() >= bytes;
    buffer.clear();
    buffer.reserve(bytes);
    return buffer;
}

void KeepTextBuffer(std::string&& buffer) {
    if (buffer.capacity() < kSmallestKept || buffer.capacity() > kKeptTextBufferBytes) {
        std::string().swap(buffer);
        return;
    }
    std::string old;
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        old.swap(g_kept);
        g_kept.swap(buffer);
    }
    // The buffer kept before is freed outside the lock.
}

}  // namespace varlo
