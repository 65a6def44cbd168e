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
    if (site.publicOnly && !ProxyInUse(site.direct)) {
        curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, OpenPublicSocket);
        curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &site.refusedAddress);
    }
}

}  // namespace varlo
