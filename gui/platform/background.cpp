#include "gui/platform/background.h"

#include <wx/app.h>

#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/worker_pool.h"
#include "store/store_writer.h"

namespace varlo {
namespace {

// Counted on the window's thread only: raised when work starts, lowered when its continuation
// has run.
int g_pending = 0;

// The threads of RunOnOwnThread with their cancel functions; joined when the application ends.
struct OwnThread {
    std::thread thread;
    std::function<void()> cancel;
    bool finished = false;
};
std::mutex g_threadsMutex;
std::list<OwnThread> g_threads;

// Joins the threads whose work has ended; called on the window's thread.
void JoinFinished() {
    std::list<OwnThread> finished;
    {
        std::lock_guard lock(g_threadsMutex);
        for (auto it = g_threads.begin(); it != g_threads.end();) {
            auto next = std::next(it);
            if (it->finished) finished.splice(finished.end(), g_threads, it);
            it = next;
        }
    }
    for (OwnThread& own : finished) own.thread.join();
}

void Deliver(std::function<void()> then) {
    // The application object outlives the workers: StopBackgroundWork runs before it goes.
    if (wxTheApp) {
        wxTheApp->CallAfter([then = std::move(then)] {
            --g_pending;
            JoinFinished();
            if (then) then();
        });
    }
}

}  // namespace

void RunInBackground(std::function<std::function<void()>()> work) {
    ++g_pending;
    WorkerPool::Shared().Post([work = std::move(work)] { Deliver(work()); });
}

void RunInStore(const std::shared_ptr<CStoreWriter>& writer,
                std::function<std::function<void()>(CFeedStore*)> work) {
    ++g_pending;
    writer->Post([work = std::move(work)](CFeedStore* store) { Deliver(work(store)); });
}

void RunOnOwnThread(std::function<std::function<void()>()> work, std::function<void()> cancel) {
    ++g_pending;
    std::lock_guard lock(g_threadsMutex);
    OwnThread& own = g_threads.emplace_back();
    own.cancel = std::move(cancel);
    own.thread = std::thread([work = std::move(work), &own] {
        std::function<void()> then = work();
        {
            std::lock_guard threadsLock(g_threadsMutex);
            own.finished = true;
        }
        Deliver(std::move(then));
    });
}

void ReleaseInBackground(std::shared_ptr<const void> owner) {
    if (!owner) return;
    RunInBackground([owner = std::move(owner)]() mutable -> std::function<void()> {
        owner.reset();
        return nullptr;
    });
}

int PendingBackgroundWork() {
    return g_pending;
}

void StopBackgroundWork() {
    std::list<OwnThread> threads;
    {
        std::lock_guard lock(g_threadsMutex);
        for (OwnThread& own : g_threads) {
            if (own.cancel) own.cancel();
        }
        threads.swap(g_threads);
    }
    for (OwnThread& own : threads) own.thread.join();
    WorkerPool::Shared().WaitIdle();
    g_pending = 0;
}

}  // namespace varlo
