#include "gui/platform/page_script.h"

#include <dlfcn.h>
#include <gio/gio.h>
#include <wx/weakref.h>

#include <cstdint>
#include <cstdio>
#include <memory>

namespace varlo {

namespace {

// The engine's own calls, looked up in the engine the toolkit already loaded.
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

int g_pendingScripts = 0;

// What waits for the engine's answer; the pane's window may be gone by then.
struct PendingScript {
    wxWeakRef<wxWebView> web;
    std::function<void(std::optional<int>)> done;
};

void OnAnswer(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<PendingScript> pending(static_cast<PendingScript*>(data));
    --g_pendingScripts;
    const WebKitCalls& calls = Calls();
    GError* error = nullptr;
    void* answer = calls.finish(source, result, &error);
    std::optional<int> number;
    if (answer) {
        number = calls.toInt(calls.value(answer));
        calls.unref(answer);
    }
    if (error) g_error_free(error);
    if (pending->web && pending->done) pending->done(number);
}

}  // namespace

void RunPageScript(wxWebView* web, const std::string& script,
                   std::function<void(std::optional<int>)> done) {
    const WebKitCalls& calls = Calls();
    void* native = web ? web->GetNativeBackend() : nullptr;
    if (!native || !calls.Usable()) {
        if (done) done(std::nullopt);
        return;
    }
    auto* pending = new PendingScript{web, std::move(done)};
    ++g_pendingScripts;
    calls.run(native, script.c_str(), nullptr, &OnAnswer, pending);
}

int PendingPageScripts() {
    return g_pendingScripts;
}

std::string ScriptString(std::string_view text) {
    std::string literal;
    literal.reserve(text.size() + text.size() / 16 + 2);
    literal += '"';
    size_t run = 0;  // the start of the bytes copied as they are
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const char* escape = nullptr;
        char coded[8];
        if (c == '"') {
            escape = "\\\"";
        } else if (c == '\\') {
            escape = "\\\\";
        } else if (c == '\n') {
            escape = "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(coded, sizeof coded, "\\u%04x", c);
            escape = coded;
        } else if (c == 0xE2 && i + 2 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xA8) {
            // U+2028 and U+2029 end a line in older script engines.
            std::snprintf(coded, sizeof coded, "\\u%04x",
                          0x2028 + (static_cast<unsigned char>(text[i + 2]) - 0xA8));
            literal.append(text.data() + run, i - run);
            literal += coded;
            i += 2;
            run = i + 1;
            continue;
        }
        if (!escape) continue;
        literal.append(text.data() + run, i - run);
        literal += escape;
        run = i + 1;
    }
    literal.append(text.data() + run, text.size() - run);
    literal += '"';
    return literal;
}

}  // namespace varlo
