#pragma once
// The one way off the window's thread. A piece of work runs elsewhere (the worker pool, the
// store's writer, or a thread of its own) and returns a typed result; the continuation then gets
// that result on the window's thread, but only while the window or view that asked for it lives:
// it is held through a wxWeakRef, so a result that comes back after its window has gone is
// dropped, never handed to freed memory. The work holds no window and shows no message; the
// continuation decides whether its result still matters (the user may have chosen something
// else meanwhile) before it touches anything.
//
// Two kinds of work in the core keep threads of their own, and cannot run on the pool: the update
// run's downloads and the sync's page reader wait on the network, and the pool's two threads are
// kept for work that computes, so that a slow server never holds up a parse or a store write. The
// update run hands its reading and recording to the pool and the store's writer; the sync as a
// whole runs through OnOwnThread below.

#include <wx/app.h>
#include <wx/weakref.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

namespace varlo {

class CFeedStore;
class CStoreWriter;

// Where a piece of work runs.
struct OnWorkers {};  // the worker pool: reading, parsing, building pages
struct InStore {      // the store's writer, after the pieces posted to it before
    std::shared_ptr<CStoreWriter> writer;
};
struct OnOwnThread {  // a thread of its own, for work that mostly waits (a download)
    // Makes the work end soon (any thread); called when the application ends.
    std::function<void()> cancel;
};

// A window or view as work off its thread refers to it: copied on any thread, looked at on the
// window's thread only, null once the window has been destroyed.
template <class Owner>
class WindowRef {
  public:
    WindowRef() = default;
    // On the window's thread.
    explicit WindowRef(Owner* owner)
        : m_ref(new wxWeakRef<Owner>(owner), [](wxWeakRef<Owner>* ref) { DeleteOnWindow(ref); }) {}
    // On the window's thread: the window while it lives.
    Owner* Get() const { return m_ref ? m_ref->get() : nullptr; }

  private:
    // The toolkit's weak reference is not safe across threads: it is made, looked at and deleted
    // on the window's thread, whichever thread lets go of it last.
    static void DeleteOnWindow(wxWeakRef<Owner>* ref) {
        if (!wxTheApp || wxIsMainThread()) {
            delete ref;
        } else {
            wxTheApp->CallAfter([ref] { delete ref; });
        }
    }

    std::shared_ptr<wxWeakRef<Owner>> m_ref;
};

// Lets go of `owner` on a worker: a large feed takes a while to free, which must not hold up the
// window. Call from the window's thread only.
void ReleaseInBackground(std::shared_ptr<const void> owner);

namespace detail {
// The untyped steps below RunOffWindow: `work` runs at `where` and its continuation on the
// window's thread; the pending count covers both.
using Continuation = std::function<void()>;
using StoreWork = std::function<Continuation(CFeedStore*)>;
void Post(OnWorkers where, StoreWork work);
void Post(InStore where, StoreWork work);
void Post(OnOwnThread where, StoreWork work);
// Runs `then` on the window's thread soon, outside the pending count; any thread.
void OnWindow(Continuation then);

// Calls `work`, giving it the store's connection when it takes one.
template <class Work>
decltype(auto) Call(Work& work, CFeedStore* store) {
    if constexpr (std::is_invocable_v<Work&, CFeedStore*>) {
        return work(store);
    } else {
        return work();
    }
}
template <class Work>
using ResultOf = std::decay_t<decltype(Call(std::declval<Work&>(), nullptr))>;
}  // namespace detail

// Runs `work` at `where` (given the store's connection, null when the store cannot be opened, if
// it takes one), then `then(owner, result)` on the window's thread while `owner` lives; `then`
// takes only the owner when the work returns nothing. A result whose owner has gone is freed
// on a worker. Call from the window's thread only.
template <class Owner, class Where, class Work, class Then>
void RunOffWindow(Owner* owner, Where where, Work work, Then then) {
    using Result = detail::ResultOf<Work>;
    WindowRef<Owner> ref(owner);
    detail::Post(std::move(where),
                 [ref = std::move(ref), work = std::move(work),
                  then = std::move(then)](CFeedStore* store) mutable -> detail::Continuation {
                     if constexpr (std::is_void_v<Result>) {
                         detail::Call(work, store);
                         return [ref = std::move(ref), then = std::move(then)]() mutable {
                             if (Owner* alive = ref.Get()) then(*alive);
                         };
                     } else {
                         auto result = std::make_shared<Result>(detail::Call(work, store));
                         return [ref = std::move(ref), then = std::move(then), result]() mutable {
                             Owner* alive = ref.Get();
                             if (!alive) return ReleaseInBackground(std::move(result));
                             then(*alive, std::move(*result));
                         };
                     }
                 });
}

// Runs `work` at `where` when nothing of it comes back to the window (a write to the store that
// the window does not wait for). Call from the window's thread only.
template <class Where, class Work>
void RunOffWindow(Where where, Work work) {
    static_assert(std::is_void_v<detail::ResultOf<Work>>, "a result needs a window to go to");
    detail::Post(std::move(where),
                 [work = std::move(work)](CFeedStore* store) mutable -> detail::Continuation {
                     detail::Call(work, store);
                     return nullptr;
                 });
}

// Runs `then(owner)` on the window's thread soon, while the window lives: how work that goes on
// tells its window of its progress. Any thread.
template <class Owner, class Then>
void PostToWindow(const WindowRef<Owner>& ref, Then then) {
    detail::OnWindow([ref, then = std::move(then)]() mutable {
        if (Owner* alive = ref.Get()) then(*alive);
    });
}

// Asks the user on the window's thread while a worker waits for the answer. Cancel (the window
// closing, the application ending) answers "no" at once, to the question waiting and to any later.
class CWindowQuestions : public std::enable_shared_from_this<CWindowQuestions> {
  public:
    // Runs `ask` on the window's thread and returns what it returned; false when cancelled.
    // Called from a worker only, never from the window's thread (which would wait for itself).
    bool Ask(std::function<bool()> ask);
    // Any thread.
    void Cancel();

  private:
    std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_cancelled = false;
};

// Background work started and whose continuation has not run yet.
int PendingBackgroundWork();
// Waits for the work already started and forgets its continuations (the application is ending:
// they are dropped with its pending events).
void StopBackgroundWork();

}  // namespace varlo
