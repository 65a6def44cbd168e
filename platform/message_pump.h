#pragma once
// The message pump: a download calls PumpMessage between reads so that the user interface stays
// alive. The GUI installs a hook that dispatches at most one pending event; tests install hooks
// that act at a chosen moment (for example, press cancel on the third chunk). Hooks belong to the
// thread that installs them.

#include <functional>
#include <utility>

namespace varlo {

// Dispatches at most one pending event and returns; with no hook installed it does nothing.
using MessagePumpHook = std::function<void()>;

// Runs the installed hook once (no hook: returns at once).
void PumpMessage();

// Installs a hook and returns the previous one; an empty hook removes it.
MessagePumpHook SetMessagePumpHook(MessagePumpHook hook);

// While a download waits for the network it runs this hook now and then, so that the window
// stays alive (and a cancel can reach the download) even when no data arrives. The GUI installs
// one that dispatches every pending event; with none installed it does nothing.
void PumpWhileWaiting();

// Installs the waiting hook and returns the previous one; an empty hook removes it.
MessagePumpHook SetWaitingPumpHook(MessagePumpHook hook);

// Whether a waiting hook is installed (a download then waits in short slices).
bool HasWaitingPumpHook();

// Installs a hook for its lifetime and restores the previous one afterwards.
class ScopedMessagePumpHook {
  public:
    explicit ScopedMessagePumpHook(MessagePumpHook hook)
        : m_previous(SetMessagePumpHook(std::move(hook))) {}
    ~ScopedMessagePumpHook() { SetMessagePumpHook(std::move(m_previous)); }
    ScopedMessagePumpHook(const ScopedMessagePumpHook&) = delete;
    ScopedMessagePumpHook& operator=(const ScopedMessagePumpHook&) = delete;

  private:
    MessagePumpHook m_previous;
};

}  // namespace varlo
