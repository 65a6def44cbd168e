#pragma once
// Work off the window's thread as a chain: the work runs on the worker pool and returns what is
// to be done with its result, which then runs on the window's thread. The work holds no window
// and shows no message; the continuation decides whether its result still matters (the user may
// have moved on) before it touches anything.

#include <functional>
#include <memory>

namespace varlo {

class CFeedStore;
class CStoreWriter;

// Runs `work` on a worker; the function it returns runs on the window's thread afterwards. Call
// from the window's thread only.
void RunInBackground(std::function<std::function<void()>()> work);
// As RunInBackground, through the store's writer: `work` gets its connection (null when the store
// cannot be opened) and runs after the pieces posted to it before.
void RunInStore(const std::shared_ptr<CStoreWriter>& writer,
                std::function<std::function<void()>(CFeedStore*)> work);
// As RunInBackground, on a thread of its own: for work that mostly waits (a download), which
// would otherwise hold one of the few workers. `cancel` (any thread) makes the work end soon; it
// is called when the application ends.
void RunOnOwnThread(std::function<std::function<void()>()> work, std::function<void()> cancel);
// Lets go of `owner` on a worker: a large feed takes a while to free, which must not hold up the
// window. Call from the window's thread only.
void ReleaseInBackground(std::shared_ptr<const void> owner);
// Background work started and whose continuation has not run yet.
int PendingBackgroundWork();
// Waits for the work already started and forgets its continuations (the application is ending:
// they are dropped with its pending events).
void StopBackgroundWork();

}  // namespace varlo
