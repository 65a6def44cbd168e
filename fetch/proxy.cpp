#include "fetch/proxy.h"

#include <cstdlib>
#include <mutex>

#include "encoding/codepage.h"
#include "fetch/curl_url.h"

namespace varlo {
namespace {

std::mutex& ProxyMutex() {
    static std::mutex mutex;
    return mutex;
}

ProxySetting& Current() {
    static ProxySetting setting;
    return setting;
}

bool EnvironmentNamesProxy() {
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace

bool IsValidProxyAddress(std::string_view address) {
    if (!address.starts_with("http://") && !address.starts_with("socks5h://")) return false;
    CurlUrl url(curl_url());
    const std::string text(address);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
                    CURLUE_OK) {
        return false;
    }
    return !UrlPart(url.get(), CURLUPART_HOST).empty();
}

void SetProxySetting(const ProxySetting& setting) {
    std::lock_guard<std::mutex> lock(ProxyMutex());
    Current() = setting;
}

ProxySetting CurrentProxySetting() {
    std::lock_guard<std::mutex> lock(ProxyMutex());
    return Current();
}

void ApplyProxy(CURL* e, bool direct) {
    const ProxySetting setting = CurrentProxySetting();
    using Mode = ProxySetting::Mode;
    // An empty proxy is none at all, whatever the environment says.
    if (direct || setting.mode == Mode::kNone) {
        curl_easy_setopt(e, CURLOPT_PROXY, "");
        return;
    }
    if (setting.mode != Mode::kAddress) return;  // libcurl reads the environment itself
    curl_easy_setopt(e, CURLOPT_PROXY, setting.address.c_str());
    // The address set is used for every host; the environment's exceptions are the system's.
    curl_easy_setopt(e, CURLOPT_NOPROXY, "");
    if (!setting.user.empty()) {
        curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, setting.user.c_str());
        curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, setting.password.c_str());
        curl_easy_setopt(e, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }
}

bool ProxyInUse(bool direct) {
    if (direct) return false;
    const ProxySetting setting = CurrentProxySetting();
    switch (setting.mode) {
        case ProxySetting::Mode::kNone:
            return false;
        case ProxySetting::Mode::kAddress:
            return true;
        case ProxySetting::Mode::kSystem:
            break;
    }
    return EnvironmentNamesProxy();
}

Text ProxyFailureMessage() {
    return Jp("プロキシに接続できませんでした");
}

Text ProxiedFailure(CURL* easy, CURLcode code, const Text& described, bool direct) {
    if (!ProxyInUse(direct)) return described;
    long tunnel = 0;
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &tunnel);
    if (code == CURLE_COULDNT_CONNECT || tunnel >= 300) return ProxyFailureMessage();
    return described;
}

}  // namespace varlo
