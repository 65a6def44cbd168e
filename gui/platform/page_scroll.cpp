#include "gui/platform/page_scroll.h"

#include <dlfcn.h>
#include <gio/gio.h>

#include <cstdint>
#include <cstdio>
#include <memory>

namespace varlo {

namespace {

// The engine's own calls, looked up in the engine the toolkit already loaded. The toolkit runs a
// script through eval(), which the preview page's policy forbids; a script run by the engine's
// interface is the reader's, not the page's, and no policy of the page stops it.
struct WebKitCalls {
    using Run = void (*)(void*, const char*, GCancellable*, GAsyncReadyCallback, gpointer);
    using Finish = void* (*)(void*, GAsyncResult*, GError**);
    using Value = void* (*)(void*);
    using ToInt = int32_t (*)(void*);
    using Unref = void (*)(void*);
    Run run = nullptr;
    Finish finish = nullptr;
    Value value = nullptr;
    ToInt toInt = nullptr;
    Unref unref = nullptr;

    bool Usable() const { return run && finish && value && toInt && unref; }
};

const WebKitCalls& Calls() {
    static const WebKitCalls calls = [] {
        WebKitCalls c;
        c.run = reinterpret_cast<WebKitCalls::Run>(
            dlsym(RTLD_DEFAULT, "webkit_web_view_run_javascript"));
        c.finish = reinterpret_cast<WebKitCalls::Finish>(
            dlsym(RTLD_DEFAULT, "webkit_web_view_run_javascript_finish"));
        c.value = reinterpret_cast<WebKitCalls::Value>(
            dlsym(RTLD_DEFAULT, "webkit_javascript_result_get_js_value"));
        c.toInt = reinterpret_cast<WebKitCalls::ToInt>(dlsym(RTLD_DEFAULT, "jsc_value_to_int32"));
        c.unref = reinterpret_cast<WebKitCalls::Unref>(
            dlsym(RTLD_DEFAULT, "webkit_javascript_result_unref"));
        return c;
    }();
    return calls;
}

int g_pending = 0;

// What waits for the engine's answer; the pane's window may be gone by then.
struct PendingScroll {
    wxWeakRef<wxWebView> web;
    std::function<void(PageScroll)> done;
    bool back = false;
};

// The script's answer: 0 when the page moved by nine tenths of the window (a line of the last
// screen stays in sight), 1 when it already showed its end (its top going back), 2 when the
// document is not `path` or is still loading. `path` goes in as a string literal of JSON, which
// is one of the script.
std::string ScriptFor(const std::string& path, bool back) {
    std::string literal = "\"";
    for (const unsigned char c : path) {
        if (c == '"' || c == '\\') {
            literal += '\\';
            literal += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            literal += escaped;
        } else {
            literal += static_cast<char>(c);
        }
    }
    literal += '"';
    std::string script =
        "(function(){var e=document.scrollingElement||document.documentElement;"
        "if(!e||document.readyState!=='complete'||location.protocol!=='file:'||"
        "decodeURIComponent(location.pathname)!==" +
        literal + ")return 2;var step=Math.max(40,Math.floor(window.innerHeight*0.9));";
    script += back ? "if(e.scrollTop<=0)return 1;step=-step;"
                   : "if(e.scrollTop+window.innerHeight>=e.scrollHeight-2)return 1;";
    script += "window.scrollBy({top:step,behavior:'instant'});return 0;})()";
    return script;
}

void OnAnswer(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<PendingScroll> pending(static_cast<PendingScroll*>(data));
    --g_pending;
    const WebKitCalls& calls = Calls();
    GError* error = nullptr;
    void* answer = calls.finish(source, result, &error);
    PageScroll outcome = PageScroll::kUnavailable;
    if (answer) {
        switch (calls.toInt(calls.value(answer))) {
            case 0:
                outcome = PageScroll::kMoved;
                break;
            case 1:
                outcome = pending->back ? PageScroll::kAtTop : PageScroll::kAtEnd;
                break;
            default:
                outcome = PageScroll::kNotReady;
        }
        calls.unref(answer);
    }
    if (error) g_error_free(error);
    if (pending->web && pending->done) pending->done(outcome);
}

}  // namespace

void ScrollPageByScreen(wxWebView* web, const std::string& path, bool back,
                        std::function<void(PageScroll)> done) {
    const WebKitCalls& calls = Calls();
    void* native = web ? web->GetNativeBackend() : nullptr;
    if (!native || !calls.Usable()) {
        if (done) done(PageScroll::kUnavailable);
        return;
    }
    auto* pending = new PendingScroll{web, std::move(done), back};
    ++g_pending;
    calls.run(native, ScriptFor(path, back).c_str(), nullptr, &OnAnswer, pending);
}

int PendingPageScrolls() {
    return g_pending;
}

}  // namespace varlo
