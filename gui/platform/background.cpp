#include "gui/platform/background.h"

#include <wx/app.h>

#include <memory>

#include "platform/worker_pool.h"

namespace varlo {
namespace {

// Counted on the window's thread only: raised when work starts, lowered when its continuation
// has run.
int g_pending = 0;

}  // namespace

void RunInBackground(std::function<std::function<void()>()> work) {
    ++g_pending;
    WorkerPool::Shared().Post([work = std::move(work)] {
        std::function<void()> then = work();
        // The application object outlives the pool: StopBackgroundWork runs before it goes.
        if (wxTheApp) {
            wxTheApp->CallAfter([then = std::move(then)] {
                --g_pending;
                if (then) then();
            });
        }
    });
}

int PendingBackgroundWork() {
    return g_pending;
}

void StopBackgroundWork() {
    WorkerPool::Shared().WaitIdle();
    g_pending = 0;
}

}  // namespace varlo
