#include "fetch/site_request.h"

#include <sys/socket.h>

#include "fetch/address_kind.h"
#include "fetch/proxy.h"

namespace varlo {
namespace {

curl_socket_t OpenPublicSocket(void* refused, curlsocktype, curl_sockaddr* address) {
    if (IsNonPublicAddress(&address->addr)) {
        *static_cast<bool*>(refused) = true;
        return CURL_SOCKET_BAD;
    }
    return socket(address->family, address->socktype, address->protocol);
}

// Through a proxy the socket leads to the proxy, which looks up the page's host itself: the host
// is looked up here instead, before each request of a redirection chain is sent.
int CheckHostBeforeRequest(void* data, char*, char*, int, int) {
    const auto* site = static_cast<const SiteRequest*>(data);
    char* url = nullptr;
    if (curl_easy_getinfo(site->easy, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || url == nullptr ||
        LeadsToNonPublicHost(url)) {
        site->refusedAddress = true;
        return CURL_PREREQFUNC_ABORT;
    }
    return CURL_PREREQFUNC_OK;
}

}  // namespace

void ApplySiteRequest(CURL* e, const SiteRequest& site) {
    if (!site.userAgent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, site.userAgent.c_str());
    if (site.HasCredentials()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, site.user.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, site.password.c_str());
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
        // A redirection to another scheme, host or port never takes the credentials along.
        curl_easy_setopt(e, CURLOPT_UNRESTRICTED_AUTH, 0L);
    }
    ApplyProxy(e, site.direct);
    if (!site.publicOnly) return;
    if (ProxyInUse(site.direct)) {
        site.easy = e;
        curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, CheckHostBeforeRequest);
        curl_easy_setopt(e, CURLOPT_PREREQDATA, &site);
    } else {
        curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, OpenPublicSocket);
        curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &site.refusedAddress);
    }
}

}  // namespace varlo
