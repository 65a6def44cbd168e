#pragma once
// Writing to the store off the window's thread. Pieces of work run one at a time, in the order they
// were posted, on the worker pool, through one connection of their own, opened at the first piece:
// the window's thread posts and goes on, never waiting on a write or the log's checkpoint, and the
// pieces of one writer never race each other.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace varlo {

class CFeedStore;

class CStoreWriter : public std::enable_shared_from_this<CStoreWriter> {
  public:
    // A writer to the store file at `path`; it lives while anyone holds it or its pieces run.
    static std::shared_ptr<CStoreWriter> Make(std::string path);
    ~CStoreWriter();
    CStoreWriter(const CStoreWriter&) = delete;
    CStoreWriter& operator=(const CStoreWriter&) = delete;

    // Runs `write` after the pieces posted before it, with the writer's connection, or with null
    // when the store cannot be opened (the piece then says so to whoever waits for it).
    void Post(std::function<void(CFeedStore*)> write);
    // True when every piece posted has run.
    bool Idle() const;
    // Waits until every piece posted has run, at most `timeout`; true when they have.
    bool WaitIdle(std::chrono::milliseconds timeout);

  private:
    explicit CStoreWriter(std::string path);
    // Runs the pieces until none is left; on a worker.
    void Drain();

    const std::string m_path;
    std::unique_ptr<CFeedStore> m_store;  // used by the piece running only
    bool m_opened = false;
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    std::deque<std::function<void(CFeedStore*)>> m_pieces;
    bool m_draining = false;
};

}  // namespace varlo
