#pragma once
// The request every download sends, for the single download and the update of every site alike.

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace varlo {

// The longest validator (ETag, Last-Modified) kept and sent back.
constexpr size_t kMaxValidatorSize = 1024;

// Whether a validator a server sent is one to keep and send back: not empty, at most
// kMaxValidatorSize bytes and free of control characters. A longer one would make every later
// request too large for the server (it answers 431 from then on); a line break would smuggle in a
// header of its own.
bool IsUsableValidator(std::string_view value);

// The request headers: "Accept: text/*", then If-None-Match and If-Modified-Since for the
// validators that are usable (IsUsableValidator; others are left out). Null when out of memory.
curl_slist* RequestHeaders(const Text& etag, const Text& lastModified);

// Sets on `easy` the GET over HTTP/1.0 with Varlo's User-Agent and `headers` (which the caller
// keeps alive), asking for any encoding libcurl can decode, http and https only also on
// redirections (at most 10), with the connect time-out and the cap on the decoded body, through
// the proxy set (ApplyProxy).
void SetDownloadRequest(CURL* easy, const std::string& url, curl_slist* headers,
                        std::chrono::milliseconds connectTimeout, uint64_t maxBytes);

}  // namespace varlo
