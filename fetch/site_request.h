#pragma once
// What a download sends for one site beyond the designed request: the User-Agent it asked for,
// its credentials, and whether it goes around the proxy.

#include <curl/curl.h>

#include <string>

namespace varlo {

// The User-Agent of a current Firefox on Linux, for sites that refuse every reader that is not a
// browser.
inline constexpr const char* kBrowserUserAgent =
    "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0";

struct SiteRequest {
    std::string userAgent;  // empty: Varlo's own
    // HTTP Basic or Digest credentials (UTF-8); none while `user` is empty. Only the feed's own
    // scheme, host and port ever receive them.
    std::string user;
    std::string password;
    bool direct = false;  // never through a proxy
    // Connects only to public addresses, after every redirect too (a fetch nobody clicked: a
    // page must not lead it into the user's own network). Through a proxy, which connects in its
    // place, each request's host is looked up here before the request is sent.
    bool publicOnly = false;
    // Set when publicOnly refused an address; written by the transfer, read after it.
    mutable bool refusedAddress = false;
    // The transfer this request was applied to, for the check through a proxy.
    mutable CURL* easy = nullptr;

    bool HasCredentials() const { return !user.empty(); }
};

// Applies `site` to `easy`, whose request for `url` is set already: the User-Agent, the
// credentials and the proxy (CurrentProxy, or none when the site goes direct). The strings are
// copied by libcurl.
void ApplySiteRequest(CURL* easy, const SiteRequest& site);

}  // namespace varlo
