#include "fetch/request.h"

#include <algorithm>
#include <climits>

#include "fetch/proxy.h"
#include "platform/product.h"

namespace varlo {

bool IsUsableValidator(std::string_view value) {
    if (value.empty() || value.size() > kMaxValidatorSize) return false;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) return false;
    }
    return true;
}

curl_slist* RequestHeaders(const Text& etag, const Text& lastModified) {
    curl_slist* list = curl_slist_append(nullptr, "Accept: text/*");
    auto add = [&](const char* name, const Text& value) {
        if (!list || !IsUsableValidator(value)) return;
        curl_slist* longer = curl_slist_append(list, (std::string(name) + value).c_str());
        if (!longer) {
            curl_slist_free_all(list);
            list = nullptr;
            return;
        }
        list = longer;
    };
    add("If-None-Match: ", etag);
    add("If-Modified-Since: ", lastModified);
    return list;
}

void SetDownloadRequest(CURL* e, const std::string& url, curl_slist* headers,
                        std::chrono::milliseconds connectTimeout, uint64_t maxBytes) {
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(e, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
    // Every encoding libcurl can decode; the size cap counts decoded bytes.
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeout.count()));
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(std::min<uint64_t>(maxBytes, INT64_MAX)));
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    ApplyProxy(e);
}

}  // namespace varlo
