#include "xml/node_pool.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

namespace varlo::xmlpool {
namespace {

// Fine-grained classes: nodes are 72 or 88 bytes, which a 16-byte granule would round up.
constexpr std::size_t kGranule = 8;
constexpr std::size_t kClasses = 32;  // blocks up to 256 bytes; larger ones come from the heap
constexpr std::size_t kSlabBytes = 256 * 1024;

struct FreeBlock {
    FreeBlock* next;
};

class Pool {
  public:
    void* Allocate(std::size_t size) {
        const std::size_t cls = (size + kGranule - 1) / kGranule;
        if (cls == 0 || cls > kClasses) return ::operator new(size);
        CheckThread();
        ++m_live;
        if (FreeBlock* block = m_free[cls - 1]) {
            m_free[cls - 1] = block->next;
            return block;
        }
        const std::size_t bytes = cls * kGranule;
        if (m_left < bytes) NewSlab();
        void* block = m_next;
        m_next += bytes;
        m_left -= bytes;
        return block;
    }

    void Free(void* block, std::size_t size) noexcept {
        const std::size_t cls = (size + kGranule - 1) / kGranule;
        if (cls == 0 || cls > kClasses) {
            ::operator delete(block);
            return;
        }
        CheckThread();
        auto* free = static_cast<FreeBlock*>(block);
        free->next = m_free[cls - 1];
        m_free[cls - 1] = free;
        if (--m_live == 0) Reset();
    }

    std::size_t Live() const { return m_live; }

    ~Pool() {
        for (char* slab : m_slabs) std::free(slab);
    }

  private:
    // Trees are built and dropped on one thread at a time (the user-interface thread), so the pool
    // takes no lock; a second thread touching it while nodes are alive is a programming error that
    // would corrupt memory, and is stopped here instead.
    void CheckThread() {
        const auto self = std::this_thread::get_id();
        if (m_live == 0) {
            m_owner = self;
        } else if (m_owner != self) {
            std::fputs("varlo: XML nodes used from two threads at once\n", stderr);
            std::abort();
        }
    }

    void NewSlab() {
        char* slab = static_cast<char*>(std::malloc(kSlabBytes));
        if (slab == nullptr) throw std::bad_alloc();
        m_slabs.push_back(slab);
        m_next = slab;
        m_left = kSlabBytes;
    }

    // Every block is back: the slabs return to the heap, but the first, which the next small
    // tree would ask for again at once.
    void Reset() {
        for (std::size_t i = 1; i < m_slabs.size(); ++i) std::free(m_slabs[i]);
        if (!m_slabs.empty()) m_slabs.resize(1);
        for (FreeBlock*& list : m_free) list = nullptr;
        m_next = m_slabs.empty() ? nullptr : m_slabs[0];
        m_left = m_slabs.empty() ? 0 : kSlabBytes;
    }

    std::thread::id m_owner;
    std::vector<char*> m_slabs;
    FreeBlock* m_free[kClasses] = {};
    char* m_next = nullptr;
    std::size_t m_left = 0;
    std::size_t m_live = 0;
};

[[maybe_unused]] Pool& ThePool() {
    // Never destroyed: nodes of static objects may be freed during exit.
    static Pool* pool = new Pool;
    return *pool;
}

}  // namespace

#ifdef VARLO_NO_NODE_POOL
// Sanitizer builds give every node its own heap block, so that a use after free is caught.
void* Allocate(std::size_t size) {
    return ::operator new(size);
}
void Free(void* block, std::size_t) noexcept {
    ::operator delete(block);
}
std::size_t LiveBlocks() {
    return 0;
}
#else
void* Allocate(std::size_t size) {
    return ThePool().Allocate(size);
}
void Free(void* block, std::size_t size) noexcept {
    ThePool().Free(block, size);
}
std::size_t LiveBlocks() {
    return ThePool().Live();
}

#endif

}  // namespace varlo::xmlpool
