#include "xml/node_pool.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#include "platform/allocator.h"

namespace varlo::xmlpool {
namespace {

// Fine-grained classes: nodes are 72 or 88 bytes, which a 16-byte granule would round up.
constexpr std::size_t kGranule = 8;
constexpr std::size_t kClasses = 32;  // blocks up to 256 bytes; larger ones come from the heap
// Slabs are aligned to their size, so that a block finds its slab, and so its pool, from its
// own address. A slab is as large as a huge page: from the second slab on (a large tree), each is
// asked to be one, so that a tree of megabytes costs a handful of page faults, not thousands; a
// small tree touches only the pages of the first slab that it uses.
constexpr std::size_t kSlabBytes = 2 * 1024 * 1024;

struct FreeBlock {
    FreeBlock* next;
};

class Pool;

// The start of every slab: the pool it belongs to.
struct SlabHeader {
    Pool* pool;
    std::size_t padding;  // keeps blocks 16-byte aligned
};

[[maybe_unused]] Pool* SlabPool(void* block) {
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    return reinterpret_cast<SlabHeader*>(address & ~(std::uintptr_t{kSlabBytes} - 1))->pool;
}

// One pool per thread, so that building trees takes no lock. A tree is built and dropped by one
// thread as a rule; a node freed by another thread goes back to its own pool under that pool's
// lock. A pool outlives its thread while nodes of it are alive elsewhere.
class Pool {
  public:
    void* Allocate(std::size_t cls) {
        // The last blocks out came back from other threads: start afresh, as FreeLocal would.
        // No block is alive then, so none can come back while the pool resets.
        if (m_remoteCount.load(std::memory_order_acquire) > 0 && Live() == 0) {
            std::lock_guard<std::mutex> lock(m_mutex);
            Reset();
        }
        ++m_taken;
        if (FreeBlock* block = m_free[cls - 1]) {
            m_free[cls - 1] = block->next;
            return block;
        }
        if (m_remoteCount.load(std::memory_order_acquire) > 0) {
            TakeRemote();
            if (FreeBlock* block = m_free[cls - 1]) {
                m_free[cls - 1] = block->next;
                return block;
            }
        }
        const std::size_t bytes = cls * kGranule;
        if (m_left < bytes) NewSlab();
        void* block = m_next;
        m_next += bytes;
        m_left -= bytes;
        return block;
    }

    // A block freed by the pool's own thread.
    void FreeLocal(void* block, std::size_t cls) noexcept {
        auto* free = static_cast<FreeBlock*>(block);
        free->next = m_free[cls - 1];
        m_free[cls - 1] = free;
        if (--m_taken == m_freedElsewhere.load(std::memory_order_acquire)) {
            std::lock_guard<std::mutex> lock(m_mutex);
            Reset();
        }
    }

    // A block freed by another thread. True when the pool's thread has ended and this was its
    // last block: the caller then deletes the pool.
    bool FreeRemote(void* block, std::size_t cls) noexcept {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto* free = static_cast<FreeBlock*>(block);
        free->next = m_remote[cls - 1];
        m_remote[cls - 1] = free;
        m_remoteCount.fetch_add(1, std::memory_order_release);
        m_freedElsewhere.fetch_add(1, std::memory_order_release);
        // The count of the pool's own thread is read only once that thread has ended.
        return m_orphaned && m_taken == m_freedElsewhere.load(std::memory_order_relaxed);
    }

    // The pool's thread ends. True when the pool can go at once (no node of it is alive).
    bool Orphan() noexcept {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_orphaned = true;
        return Live() == 0;
    }

    // Called by the pool's own thread (or once it has ended).
    std::size_t Live() const { return m_taken - m_freedElsewhere.load(std::memory_order_acquire); }

    ~Pool() {
        for (char* slab : m_slabs) std::free(slab);
    }

  private:
    void TakeRemote() {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (std::size_t i = 0; i < kClasses; ++i) {
            FreeBlock* list = m_remote[i];
            m_remote[i] = nullptr;
            while (list) {
                FreeBlock* next = list->next;
                list->next = m_free[i];
                m_free[i] = list;
                list = next;
            }
        }
        m_remoteCount.store(0, std::memory_order_release);
    }

    void NewSlab() {
        char* slab = static_cast<char*>(std::aligned_alloc(kSlabBytes, kSlabBytes));
        if (slab == nullptr) throw std::bad_alloc();
        if (!m_slabs.empty()) AdviseHugePages(slab, kSlabBytes);
        ::new (slab) SlabHeader{this, 0};
        m_slabs.push_back(slab);
        m_next = slab + sizeof(SlabHeader);
        m_left = kSlabBytes - sizeof(SlabHeader);
    }

    // Every block is back: the slabs return to the heap, but the first, which the next small
    // tree would ask for again at once. Called with the lock held, by the pool's own thread.
    void Reset() {
        for (std::size_t i = 1; i < m_slabs.size(); ++i) std::free(m_slabs[i]);
        if (!m_slabs.empty()) m_slabs.resize(1);
        for (FreeBlock*& list : m_free) list = nullptr;
        for (FreeBlock*& list : m_remote) list = nullptr;
        m_remoteCount.store(0, std::memory_order_release);
        m_taken = 0;
        m_freedElsewhere.store(0, std::memory_order_release);
        m_next = m_slabs.empty() ? nullptr : m_slabs[0] + sizeof(SlabHeader);
        m_left = m_slabs.empty() ? 0 : kSlabBytes - sizeof(SlabHeader);
    }

    std::vector<char*> m_slabs;
    FreeBlock* m_free[kClasses] = {};
    char* m_next = nullptr;
    std::size_t m_left = 0;
    // Blocks alive: those taken, less those freed by this thread, less those freed elsewhere.
    // Only the pool's thread writes the first count, so taking and freeing a block locally costs
    // no atomic operation.
    std::size_t m_taken = 0;
    std::atomic<std::size_t> m_freedElsewhere{0};
    std::mutex m_mutex;  // guards m_remote, m_orphaned and the reset
    FreeBlock* m_remote[kClasses] = {};
    std::atomic<std::size_t> m_remoteCount{0};
    bool m_orphaned = false;
};

// The calling thread's pool, made at its first node and handed over when the thread ends.
class ThreadPool {
  public:
    Pool& Get() {
        if (!m_pool) m_pool = new Pool;
        return *m_pool;
    }
    Pool* Peek() const { return m_pool; }
    ~ThreadPool() {
        if (m_pool && m_pool->Orphan()) delete m_pool;
    }

  private:
    Pool* m_pool = nullptr;
};

[[maybe_unused]] ThreadPool& ThisThread() {
    thread_local ThreadPool pool;
    return pool;
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
    const std::size_t cls = (size + kGranule - 1) / kGranule;
    if (cls == 0 || cls > kClasses) return ::operator new(size);
    return ThisThread().Get().Allocate(cls);
}
void Free(void* block, std::size_t size) noexcept {
    const std::size_t cls = (size + kGranule - 1) / kGranule;
    if (cls == 0 || cls > kClasses) {
        ::operator delete(block);
        return;
    }
    Pool* owner = SlabPool(block);
    if (owner == ThisThread().Peek()) {
        owner->FreeLocal(block, cls);
    } else if (owner->FreeRemote(block, cls)) {
        delete owner;
    }
}
std::size_t LiveBlocks() {
    const Pool* pool = ThisThread().Peek();
    return pool ? pool->Live() : 0;
}

#endif

}  // namespace varlo::xmlpool
