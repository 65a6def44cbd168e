#include "platform/message_pump.h"

#include <utility>

namespace varlo {
namespace {

// Each thread has its own hooks: the window's thread installs them, and a download that runs on
// a worker finds none, so that it never dispatches the window's events from the wrong thread.
MessagePumpHook& Hook() {
    thread_local MessagePumpHook hook;
    return hook;
}

MessagePumpHook& WaitingHook() {
    thread_local MessagePumpHook hook;
    return hook;
}

}  // namespace

void PumpMessage() {
    // A copy, so that a hook may replace itself while it runs.
    if (MessagePumpHook hook = Hook()) hook();
}

MessagePumpHook SetMessagePumpHook(MessagePumpHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

void PumpWhileWaiting() {
    if (MessagePumpHook hook = WaitingHook()) hook();
}

MessagePumpHook SetWaitingPumpHook(MessagePumpHook hook) {
    return std::exchange(WaitingHook(), std::move(hook));
}

bool HasWaitingPumpHook() {
    return static_cast<bool>(WaitingHook());
}

}  // namespace varlo
