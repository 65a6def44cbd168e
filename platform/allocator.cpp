#include "platform/allocator.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace varlo {
namespace {

// Blocks below this are not worth a system call.
constexpr std::size_t kLargeBlock = 2 * 1024 * 1024;

std::uintptr_t PageSize() {
    static const auto size = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    return size;
}

}  // namespace

void KeepLargeBlocksOutOfTheHeap() {
    // The allocator's own starting value; setting it at all keeps it from moving.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

void AdviseHugePages(void* block, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    if (block == nullptr || bytes < kLargeBlock) return;
    const std::uintptr_t huge = 2 * 1024 * 1024;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + huge - 1) & ~(huge - 1);
    const std::uintptr_t last = (start + bytes) & ~(huge - 1);
    // Only a hint: a system without huge pages says no, and nothing changes.
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

void ReleaseUnusedCapacity(std::string& text) {
    if (text.capacity() - text.size() < kLargeBlock / 2) return;
    const std::uintptr_t page = PageSize();
    // The terminating zero stays where it is.
    const auto end = reinterpret_cast<std::uintptr_t>(text.data()) + text.size() + 1;
    const std::uintptr_t first = (end + page - 1) & ~(page - 1);
    const std::uintptr_t last =
        (reinterpret_cast<std::uintptr_t>(text.data()) + text.capacity()) & ~(page - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

}  // namespace varlo
