#include "gui/platform/navigation_gesture.h"

#include <dlfcn.h>

#include <cstddef>

namespace varlo {
namespace {

// The few functions of GLib and the browser engine used here, looked up in the running process
// (the toolkit's browser control has loaded them): the build needs no development files of
// either, and a system without them simply tells nothing.
using HookFunction = int (*)(void* hint, unsigned count, const void* values, void* data);
using AddHookFunction = unsigned long (*)(unsigned signal, unsigned detail, HookFunction hook,
                                          void* data, void (*destroy)(void* data));
using RemoveHookFunction = void (*)(unsigned signal, unsigned long hook);
using LookupFunction = unsigned (*)(const char* name, size_t type);
using TypeFunction = size_t (*)();
using ValueObjectFunction = void* (*)(const void* value);
using ValueEnumFunction = int (*)(const void* value);
using GetActionFunction = void* (*)(void* decision);
using IsUserGestureFunction = int (*)(void* action);
using GetRequestFunction = void* (*)(void* action);
using GetUriFunction = const char* (*)(void* request);

struct Engine {
    AddHookFunction addHook = nullptr;
    RemoveHookFunction removeHook = nullptr;
    unsigned signal = 0;  // the web view's "decide-policy"
    ValueObjectFunction valueObject = nullptr;
    ValueEnumFunction valueEnum = nullptr;
    GetActionFunction getAction = nullptr;
    IsUserGestureFunction isUserGesture = nullptr;
    GetRequestFunction getRequest = nullptr;
    GetUriFunction getUri = nullptr;
    bool Usable() const {
        return addHook && removeHook && signal != 0 && valueObject && valueEnum && getAction &&
               isUserGesture && getRequest && getUri;
    }
};

template <typename Function>
Function Find(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

const Engine& TheEngine() {
    static const Engine engine = [] {
        Engine e;
        e.addHook = Find<AddHookFunction>("g_signal_add_emission_hook");
        e.removeHook = Find<RemoveHookFunction>("g_signal_remove_emission_hook");
        const auto lookup = Find<LookupFunction>("g_signal_lookup");
        const auto viewType = Find<TypeFunction>("webkit_web_view_get_type");
        if (lookup && viewType) e.signal = lookup("decide-policy", viewType());
        e.valueObject = Find<ValueObjectFunction>("g_value_get_object");
        e.valueEnum = Find<ValueEnumFunction>("g_value_get_enum");
        e.getAction =
            Find<GetActionFunction>("webkit_navigation_policy_decision_get_navigation_action");
        e.isUserGesture = Find<IsUserGestureFunction>("webkit_navigation_action_is_user_gesture");
        e.getRequest = Find<GetRequestFunction>("webkit_navigation_action_get_request");
        e.getUri = Find<GetUriFunction>("webkit_uri_request_get_uri");
        return e;
    }();
    return engine;
}

// A GValue: its type, then two words of data (GLib's layout on every platform it supports).
constexpr size_t kValueSize = sizeof(size_t) + 2 * 8;

// The engine's policy decision types that stand for a navigation (in the pane, or for a new
// window); the others are about responses.
constexpr int kNavigationAction = 0;
constexpr int kNewWindowAction = 1;

struct Watched {
    void* view;
    std::shared_ptr<NavigationGestures::Latest> latest;
};

// Runs as the signal is emitted, before any of its handlers: the toolkit's own handler, which
// asks the pane, may end the emission when the pane refuses.
int OnDecidePolicy(void* /*hint*/, unsigned count, const void* values, void* data) {
    const auto& watched = *static_cast<Watched*>(data);
    const auto* value = static_cast<const char*>(values);
    const Engine& engine = TheEngine();
    if (count < 3 || engine.valueObject(value) != watched.view) return 1;
    const int type = engine.valueEnum(value + 2 * kValueSize);
    if (type != kNavigationAction && type != kNewWindowAction) return 1;
    void* action = engine.getAction(engine.valueObject(value + kValueSize));
    const char* uri = action ? engine.getUri(engine.getRequest(action)) : nullptr;
    watched.latest->url = uri ? uri : "";
    watched.latest->user = action && engine.isUserGesture(action) != 0;
    return 1;  // stays in place; the decision is the toolkit's
}

void ReleaseWatched(void* data) {
    delete static_cast<Watched*>(data);
}

}  // namespace

NavigationGestures::~NavigationGestures() {
    if (m_hook != 0) TheEngine().removeHook(TheEngine().signal, m_hook);
}

void NavigationGestures::Watch(wxWebView* web) {
    m_latest = std::make_shared<Latest>();
    const Engine& engine = TheEngine();
    void* view = web ? web->GetNativeBackend() : nullptr;
    if (!view || !engine.Usable() || m_hook != 0) return;
    m_hook = engine.addHook(engine.signal, 0, &OnDecidePolicy, new Watched{view, m_latest},
                            &ReleaseWatched);
}

bool NavigationGestures::FromUser(const std::string& url) const {
    return m_latest && m_latest->user && m_latest->url == url;
}

}  // namespace varlo
