#include "gui/platform/background.h"

#include <wx/app.h>

#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/worker_pool.h"
#include "store/store_writer.h"

namespace varlo {
namespace {

// Counted on the window's thread only: raised when work starts, lowered when its continuation
// has run.
int g_pending = 0;

// The threads of OnOwnThread work with their cancel functions; joined when the application ends.
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

void Deliver(detail::Continuation then) {
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

namespace detail {

void Post(OnWorkers, StoreWork work) {
    ++g_pending;
    WorkerPool::Shared().Post([work = std::move(work)] { Deliver(work(nullptr)); });
}

void Post(InStore where, StoreWork work) {
    ++g_pending;
    where.writer->Post([work = std::move(work)](CFeedStore* store) { Deliver(work(store)); });
}

void Post(OnOwnThread where, StoreWork work) {
    ++g_pending;
    std::lock_guard lock(g_threadsMutex);
    OwnThread& own = g_threads.emplace_back();
    own.cancel = std::move(where.cancel);
    own.thread = std::thread([work = std::move(work), &own] {
        Continuation then = work(nullptr);
        {
            std::lock_guard threadsLock(g_threadsMutex);
            own.finished = true;
        }
        Deliver(std::move(then));
    });
}

void OnWindow(Continuation then) {
    if (wxTheApp) wxTheApp->CallAfter(std::move(then));
}

}  // namespace detail

bool CWindowQuestions::Ask(std::function<bool()> ask) {
    auto answer = std::make_shared<std::optional<bool>>();
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled) return false;
    }
    wxTheApp->CallAfter([self = shared_from_this(), ask = std::move(ask), answer] {
        {
            std::lock_guard lock(self->m_mutex);
            if (self->m_cancelled) return;
        }
        const bool value = ask();
        std::lock_guard lock(self->m_mutex);
        *answer = value;
        self->m_answered.notify_all();
    });
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [&] { return m_cancelled || answer->has_value(); });
    return answer->has_value() && **answer;
}

void CWindowQuestions::Cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_answered.notify_all();
}

void ReleaseInBackground(std::shared_ptr<const void> owner) {
    if (!owner) return;
    detail::Post(OnWorkers{}, [owner = std::move(owner)](CFeedStore*) mutable {
        owner.reset();
        return detail::Continuation();
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
