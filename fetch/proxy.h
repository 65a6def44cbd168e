#pragma once
// The proxy every transfer of libcurl goes through, as the user set it (the browser pane keeps
// the system's): the system's (the usual environment variables), none, or an address of its own.
// Process-wide: the window sets it at start and when the user changes it; transfers on any
// thread read it.

#include <curl/curl.h>

#include <string>
#include <string_view>

#include "platform/text.h"

namespace varlo {

struct ProxySetting {
    enum class Mode { kSystem = 0, kNone = 1, kAddress = 2 };
    Mode mode = Mode::kSystem;
    std::string address;  // kAddress: "http://HOST:PORT" or "socks5h://HOST:PORT"
    std::string user;     // UTF-8; empty for none
    std::string password;
};

// Whether `address` names a proxy Varlo can use: http:// or socks5h:// with a host.
bool IsValidProxyAddress(std::string_view address);

// The account under which the proxy's password is kept in the secret store.
inline constexpr const char* kProxyPasswordAccount = "proxy";

void SetProxySetting(const ProxySetting& setting);
ProxySetting CurrentProxySetting();

// Sets the proxy on `easy`: the one set, or none at all when `direct`.
void ApplyProxy(CURL* easy, bool direct = false);

// Whether a transfer (going `direct` or not) goes through a proxy: one set, or the system's
// when its environment names one.
bool ProxyInUse(bool direct = false);

// "プロキシに接続できませんでした"
Text ProxyFailureMessage();

// The failure of the transfer on `easy` that ended with `code` and was described as `described`,
// told as the proxy's when a proxy was in use and it could not be reached or refused the tunnel.
Text ProxiedFailure(CURL* easy, CURLcode code, const Text& described, bool direct = false);

}  // namespace varlo
