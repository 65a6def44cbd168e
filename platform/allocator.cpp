#include "platform/allocator.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <mutex>

namespace varlo {
namespace {

// Blocks below this are not worth a system call.
constexpr std::size_t kLargeBlock = 2 * 1024 * 1024;

// The blocks last advised to live on huge pages (a file read whole, the tree's slabs). A block
// gone since may leave its range here: a block later mapped there then only gives its pages back
// in huge steps, which costs memory for a while, never a wrong result.
class HugeBlocks {
  public:
    void Add(std::uintptr_t first, std::uintptr_t last) {
        const std::lock_guard lock(m_mutex);
        m_ranges[m_next] = {first, last};
        m_next = (m_next + 1) % std::size(m_ranges);
    }
    bool Holds(std::uintptr_t at) {
        const std::lock_guard lock(m_mutex);
        for (const Range& range : m_ranges) {
            if (range.first <= at && at < range.last) return true;
        }
        return false;
    }

  private:
    struct Range {
        std::uintptr_t first = 0;
        std::uintptr_t last = 0;
    };
    std::mutex m_mutex;
    Range m_ranges[16];
    std::size_t m_next = 0;
};

HugeBlocks& AdvisedHuge() {
    static HugeBlocks blocks;
    return blocks;
}

}  // namespace

std::size_t SystemPageSize() {
    static const std::size_t size = [] {
        const long page = sysconf(_SC_PAGESIZE);
        return page > 0 ? static_cast<std::size_t>(page) : std::size_t{4096};
    }();
    return size;
}

void KeepLargeBlocksOutOfTheHeap() {
    // The allocator's own starting value; setting it at all keeps it from moving.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

void GrowHeapOnHugePages(std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    // The heap grows by the pad whenever it grows; small blocks below the large-block threshold
    // come from it. A few of them make it grow now.
    mallopt(M_TOP_PAD, static_cast<int>(bytes));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(bytes * 2));
    char* const before = static_cast<char*>(sbrk(0));
    void* probes[8] = {};
    size_t taken = 0;
    for (; taken < std::size(probes); ++taken) {
        probes[taken] = std::malloc(96 * 1024);
        if (static_cast<char*>(sbrk(0)) - before >= static_cast<std::ptrdiff_t>(bytes / 2)) {
            ++taken;
            break;
        }
    }
    char* const end = static_cast<char*>(sbrk(0));
    // An allocator that does not grow the heap (a sanitizer's) is left alone.
    if (end - before >= static_cast<std::ptrdiff_t>(bytes / 2)) {
        AdviseHugePages(before, static_cast<std::size_t>(end - before));
    }
    for (size_t i = 0; i < taken; ++i) std::free(probes[i]);
#else
    (void)bytes;
#endif
}

void AdviseHugePages(void* block, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    if (block == nullptr || bytes < kLargeBlock) return;
    const std::uintptr_t huge = 2 * 1024 * 1024;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + huge - 1) & ~(huge - 1);
    const std::uintptr_t last = (start + bytes) & ~(huge - 1);
    // Only a hint: a system without huge pages says no, and nothing changes.
    if (last > first && madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE) == 0)
        AdvisedHuge().Add(first, last);
#else
    (void)block;
    (void)bytes;
#endif
}

void PopulatePages(void* block, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    const std::uintptr_t page = SystemPageSize();
    if (block == nullptr || bytes < 16 * page) return;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + page - 1) & ~(page - 1);
    const std::uintptr_t last = (start + bytes) & ~(page - 1);
    // Only a request: an older system says no, and the pages come at their first write as before.
    // In steps of a huge page: the call holds the process's address space for its duration, and
    // another thread (the window's) that maps or unmaps memory meanwhile waits for it.
    constexpr std::uintptr_t kStep = 2 * 1024 * 1024;
    for (std::uintptr_t at = first; at < last; at += kStep) {
        const std::uintptr_t size = last - at < kStep ? last - at : kStep;
        if (madvise(reinterpret_cast<void*>(at), size, MADV_POPULATE_WRITE) != 0) break;
    }
#else
    (void)block;
    (void)bytes;
#endif
}

void ReleaseUnusedCapacity(std::string& text) {
    if (text.capacity() - text.size() < kLargeBlock / 2) return;
    const std::uintptr_t page = SystemPageSize();
    // The terminating zero stays where it is.
    const auto end = reinterpret_cast<std::uintptr_t>(text.data()) + text.size() + 1;
    const std::uintptr_t first = (end + page - 1) & ~(page - 1);
    const std::uintptr_t last =
        (reinterpret_cast<std::uintptr_t>(text.data()) + text.capacity()) & ~(page - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

const char* ReleasePagesWithin(const char* begin, std::size_t size) {
    // Whole huge pages in a block advised to live on them: giving back part of one splits it,
    // which costs far more than the rest of the call and slows every later reach into what is left
    // of it. Any other block goes back a small page at a time, so that what it still holds of a
    // text read once stays small.
    constexpr std::uintptr_t kHuge = 2 * 1024 * 1024;
    const auto start = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t page = AdvisedHuge().Holds(start) ? kHuge : SystemPageSize();
    const std::uintptr_t first = (start + page - 1) & ~(page - 1);
    const std::uintptr_t last = (start + size) & ~(page - 1);
    if (last <= first) return begin;
    madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    return begin + (last - start);
}

}  // namespace varlo
