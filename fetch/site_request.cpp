#include "fetch/site_request.h"

#include "fetch/proxy.h"

namespace varlo {

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
}

}  // namespace varlo
