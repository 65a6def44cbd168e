#pragma once
// The request every download sends, for the single download and the update of every site alike.

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/text.h"

namespace varlo {

// The request headers: "Accept: text/*", then If-None-Match and If-Modified-Since for the
// validators that are not empty (one holding a line break, which would smuggle in a header of its
// own, is dropped). Null when out of memory.
curl_slist* RequestHeaders(const Text& etag, const Text& lastModified);

// Sets on `easy` the GET over HTTP/1.0 with Varlo's User-Agent and `headers` (which the caller
// keeps alive), asking for any encoding libcurl can decode, http and https only also on
// redirections (at most 10), with the connect time-out and the cap on the decoded body.
void SetDownloadRequest(CURL* easy, const std::string& url, curl_slist* headers,
                        std::chrono::milliseconds connectTimeout, uint64_t maxBytes);

}  // namespace varlo
