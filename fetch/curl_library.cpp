// The transfer library, opened the first time a transfer is prepared rather than when the program
// starts. It brings some thirty libraries of its own (TLS, Kerberos, LDAP, SSH...), and loading
// them cost every start of the command line about 13 ms, more than reading a feed of a megabyte;
// most commands never transfer anything.
//
// The functions below are the library's own interface, defined here once and passed on to the
// library loaded. Without the library, every call fails as the library fails when it cannot
// start: no handle, or an error code.

#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>

namespace {

struct CurlCalls {
    void* library = nullptr;

    template <typename Function>
    Function Find(const char* name) const {
        return library ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
    }
};

const CurlCalls& Library() {
    static const CurlCalls calls = [] {
        CurlCalls c;
        // Never closed: the library keeps its state (TLS, resolver threads) for the process's
        // life.
        c.library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        return c;
    }();
    return calls;
}

// The library's function `name` of type `Function`, looked up once.
#define VARLO_CURL_CALL(name) static const auto real = Library().Find<decltype(&::name)>(#name)

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    VARLO_CURL_CALL(curl_global_init);
    return real ? real(flags) : CURLE_FAILED_INIT;
}

void curl_global_cleanup(void) {
    VARLO_CURL_CALL(curl_global_cleanup);
    if (real) real();
}

CURL* curl_easy_init(void) {
    VARLO_CURL_CALL(curl_easy_init);
    return real ? real() : nullptr;
}

CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    VARLO_CURL_CALL(curl_easy_setopt);
    if (!real) return CURLE_FAILED_INIT;
    // The option's number says the type of its one value.
    va_list values;
    va_start(values, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        result = real(curl, option, va_arg(values, long));
    } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
        result = real(curl, option, va_arg(values, void*));
    } else if (option < CURLOPTTYPE_OFF_T) {
        using Function = void (*)(void);
        result = real(curl, option, va_arg(values, Function));
    } else if (option < CURLOPTTYPE_BLOB) {
        result = real(curl, option, va_arg(values, curl_off_t));
    } else {
        result = real(curl, option, va_arg(values, void*));
    }
    va_end(values);
    return result;
}

CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    VARLO_CURL_CALL(curl_easy_getinfo);
    if (!real) return CURLE_FAILED_INIT;
    // Every piece of information is written through a pointer.
    va_list values;
    va_start(values, info);
    const CURLcode result = real(curl, info, va_arg(values, void*));
    va_end(values);
    return result;
}

CURLcode curl_easy_perform(CURL* curl) {
    VARLO_CURL_CALL(curl_easy_perform);
    return real ? real(curl) : CURLE_FAILED_INIT;
}

void curl_easy_cleanup(CURL* curl) {
    VARLO_CURL_CALL(curl_easy_cleanup);
    if (real) real(curl);
}

void curl_easy_reset(CURL* curl) {
    VARLO_CURL_CALL(curl_easy_reset);
    if (real) real(curl);
}

CURLcode curl_easy_pause(CURL* handle, int bitmask) {
    VARLO_CURL_CALL(curl_easy_pause);
    return real ? real(handle, bitmask) : CURLE_FAILED_INIT;
}

const char* curl_easy_strerror(CURLcode code) {
    VARLO_CURL_CALL(curl_easy_strerror);
    return real ? real(code) : "";
}

struct curl_slist* curl_slist_append(struct curl_slist* list, const char* data) {
    VARLO_CURL_CALL(curl_slist_append);
    return real ? real(list, data) : nullptr;
}

void curl_slist_free_all(struct curl_slist* list) {
    VARLO_CURL_CALL(curl_slist_free_all);
    if (real) real(list);
}

void curl_free(void* p) {
    VARLO_CURL_CALL(curl_free);
    if (real) real(p);
}

CURLM* curl_multi_init(void) {
    VARLO_CURL_CALL(curl_multi_init);
    return real ? real() : nullptr;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy) {
    VARLO_CURL_CALL(curl_multi_add_handle);
    return real ? real(multi, easy) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy) {
    VARLO_CURL_CALL(curl_multi_remove_handle);
    return real ? real(multi, easy) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    VARLO_CURL_CALL(curl_multi_perform);
    return real ? real(multi, running) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_poll(CURLM* multi, struct curl_waitfd extra[], unsigned int extraCount,
                          int timeoutMs, int* ret) {
    VARLO_CURL_CALL(curl_multi_poll);
    return real ? real(multi, extra, extraCount, timeoutMs, ret) : CURLM_INTERNAL_ERROR;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* queued) {
    VARLO_CURL_CALL(curl_multi_info_read);
    return real ? real(multi, queued) : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    VARLO_CURL_CALL(curl_multi_cleanup);
    return real ? real(multi) : CURLM_INTERNAL_ERROR;
}

const char* curl_multi_strerror(CURLMcode code) {
    VARLO_CURL_CALL(curl_multi_strerror);
    return real ? real(code) : "";
}

CURLU* curl_url(void) {
    VARLO_CURL_CALL(curl_url);
    return real ? real() : nullptr;
}

void curl_url_cleanup(CURLU* handle) {
    VARLO_CURL_CALL(curl_url_cleanup);
    if (real) real(handle);
}

CURLUcode curl_url_get(CURLU* handle, CURLUPart what, char** part, unsigned int flags) {
    VARLO_CURL_CALL(curl_url_get);
    return real ? real(handle, what, part, flags) : CURLUE_OUT_OF_MEMORY;
}

CURLUcode curl_url_set(CURLU* handle, CURLUPart what, const char* part, unsigned int flags) {
    VARLO_CURL_CALL(curl_url_set);
    return real ? real(handle, what, part, flags) : CURLUE_OUT_OF_MEMORY;
}

}  // extern "C"
