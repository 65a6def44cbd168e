#include "gui/platform/web_focus.h"

#include <dlfcn.h>

namespace varlo {
namespace {

// The few functions of GLib's signal system and of the toolkit used here, looked up in the running
// process (the browser control has loaded them): the build needs no development files of either.
using Callback = void (*)();
using ConnectFunction = unsigned long (*)(void* instance, const char* signal, Callback handler,
                                          void* data, void (*destroy)(void*, void*), int flags);
using DisconnectFunction = void (*)(void* instance, unsigned long handler);
using IsFocusFunction = int (*)(void* widget);

struct Signals {
    ConnectFunction connect =
        reinterpret_cast<ConnectFunction>(dlsym(RTLD_DEFAULT, "g_signal_connect_data"));
    DisconnectFunction disconnect =
        reinterpret_cast<DisconnectFunction>(dlsym(RTLD_DEFAULT, "g_signal_handler_disconnect"));
    IsFocusFunction isFocus =
        reinterpret_cast<IsFocusFunction>(dlsym(RTLD_DEFAULT, "gtk_widget_is_focus"));
};

const Signals& TheSignals() {
    static const Signals signals;
    return signals;
}

// The engine's handlers of the event still run after these (false: not handled).
int OnFocusIn(void* /*widget*/, void* /*event*/, void* data) {
    static_cast<wxWebView*>(data)->GTKHandleFocusIn();
    return 0;
}

int OnFocusOut(void* /*widget*/, void* /*event*/, void* data) {
    static_cast<wxWebView*>(data)->GTKHandleFocusOut();
    return 0;
}

}  // namespace

void ReportWebFocus(wxWebView* web) {
    const Signals& signals = TheSignals();
    void* view = web ? web->GetNativeBackend() : nullptr;
    if (!view || !signals.connect || !signals.disconnect) return;
    const unsigned long in = signals.connect(
        view, "focus-in-event", reinterpret_cast<Callback>(&OnFocusIn), web, nullptr, 0);
    const unsigned long out = signals.connect(
        view, "focus-out-event", reinterpret_cast<Callback>(&OnFocusOut), web, nullptr, 0);
    // The window goes before the engine's widget: from then on the widget reports to no one.
    web->Bind(wxEVT_DESTROY, [web, view, in, out](wxWindowDestroyEvent& event) {
        if (event.GetEventObject() == web) {
            TheSignals().disconnect(view, in);
            TheSignals().disconnect(view, out);
        }
        event.Skip();
    });
}

bool WebHasFocus(wxWebView* web) {
    void* view = web ? web->GetNativeBackend() : nullptr;
    return view && TheSignals().isFocus && TheSignals().isFocus(view) != 0;
}

}  // namespace varlo
