#include "store/store_writer.h"

#include "platform/worker_pool.h"
#include "store/feed_store.h"

namespace varlo {

std::shared_ptr<CStoreWriter> CStoreWriter::Make(std::string path) {
    return std::shared_ptr<CStoreWriter>(new CStoreWriter(std::move(path)));
}

CStoreWriter::CStoreWriter(std::string path) : m_path(std::move(path)) {}

CStoreWriter::~CStoreWriter() = default;

void CStoreWriter::Post(std::function<void(CFeedStore*)> write) {
    bool start = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pieces.push_back(std::move(write));
        start = !m_draining;
        m_draining = true;
    }
    // One drain at a time runs the pieces; the pool's threads take turns at it as drains end.
    if (start) WorkerPool::Shared().Post([self = shared_from_this()] { self->Drain(); });
}

void CStoreWriter::Drain() {
    for (;;) {
        std::function<void(CFeedStore*)> piece;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_pieces.empty()) {
                m_draining = false;
                m_idle.notify_all();
                return;
            }
            piece = std::move(m_pieces.front());
            m_pieces.pop_front();
        }
        if (!m_opened) {
            m_opened = true;
            auto store = std::make_unique<CFeedStore>();
            if (!m_path.empty() && store->OpenAnother(m_path)) m_store = std::move(store);
        }
        piece(m_store.get());
    }
}

bool CStoreWriter::Idle() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_draining;
}

bool CStoreWriter::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, timeout, [this] { return !m_draining; });
}

}  // namespace varlo
