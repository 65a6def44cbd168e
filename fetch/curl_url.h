#pragma once
// Ownership of libcurl's address handles and of the strings libcurl hands out, for every place
// that splits an address with libcurl's own parser (the one that will fetch it).

#include <curl/curl.h>

#include <memory>
#include <string>

namespace varlo {

struct CurlUrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;

struct CurlStringDeleter {
    void operator()(char* text) const { curl_free(text); }
};
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

// One part of a parsed address, or "" when the address has none or libcurl refuses it.
std::string UrlPart(CURLU* url, CURLUPart which, unsigned flags = 0);

}  // namespace varlo
