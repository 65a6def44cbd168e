#pragma once
// Threads for work that must not hold up the window: decoding, parsing, building pages, looking
// up passwords, writing the store (a store writer runs its pieces here one at a time). Work starts
// in the order it was posted; with more than one thread, pieces posted one after the other may
// run side by side and end in any order.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace varlo {

class WorkerPool {
  public:
    // A pool of `threads` threads (0: one per core, but at least one and at most two, so that no
    // more than two feeds' worth of memory is held at once).
    explicit WorkerPool(unsigned threads = 0);
    // Finishes the work already posted, then ends the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs `work` on one of the threads. After Stop, work is dropped.
    void Post(std::function<void()> work);
    // Finishes the work already posted and ends the threads; later posts are dropped.
    void Stop();
    // Waits until every piece of work posted so far has run.
    void WaitIdle();

    // The pool of the process.
    static WorkerPool& Shared();

    // How much less processor time a worker asks for than the thread that made the pool.
    static constexpr int kWorkerNiceness = 5;

  private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
    std::vector<std::thread> m_threads;
    std::condition_variable m_idle;
    int m_running = 0;
    bool m_stopping = false;
};

}  // namespace varlo
