#include "platform/worker_pool.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace varlo {

WorkerPool::WorkerPool(unsigned threads) {
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
    for (unsigned i = 0; i < threads; ++i) m_threads.emplace_back([this] { Run(); });
}

WorkerPool::~WorkerPool() {
    Stop();
}

void WorkerPool::Post(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) return;
        m_queue.push_back(std::move(work));
    }
    m_wake.notify_one();
}

void WorkerPool::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) {
        if (thread.joinable()) thread.join();
    }
}

void WorkerPool::Run() {
    // The workers yield the processor to the window's thread: on a machine of two cores, two
    // workers parsing and recording would otherwise leave the window waiting for its turn while
    // it counts what they recorded.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNiceness);
    while (true) {
        std::function<void()> work;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty()) return;
            work = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_running;
        }
        work();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            --m_running;
        }
        m_idle.notify_all();
    }
}

void WorkerPool::WaitIdle() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && m_running == 0; });
}

WorkerPool& WorkerPool::Shared() {
    static WorkerPool pool;
    return pool;
}

}  // namespace varlo
