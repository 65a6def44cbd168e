#include "platform/message_pump.h"

#include <utility>

namespace varlo {
namespace {

// The one hook of the user-interface thread; nothing else touches it.
MessagePumpHook& Hook() {
    static MessagePumpHook hook;
    return hook;
}

MessagePumpHook& WaitingHook() {
    static MessagePumpHook hook;
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
