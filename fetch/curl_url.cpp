#include "fetch/curl_url.h"

namespace varlo {

std::string UrlPart(CURLU* url, CURLUPart which, unsigned flags) {
    char* part = nullptr;
    if (curl_url_get(url, which, &part, flags) != CURLUE_OK || part == nullptr) return {};
    const CurlString owner(part);
    return part;
}

}  // namespace varlo
