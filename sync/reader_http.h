#pragma once
// One request to a Google Reader API server: a GET or a form POST over libcurl, with the limits
// that keep a server that hangs, trickles or answers without end from holding up a sync, and the
// headers that ask later requests to wait.

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"
#include "update/server_answer.h"

namespace varlo {

// The limits of every request of a sync.
struct ReaderLimits {
    std::chrono::milliseconds connectTimeout{15000};
    // No byte received for this long ends the request.
    std::chrono::milliseconds stallTimeout{30000};
    // The longest one request may take.
    std::chrono::milliseconds totalTimeout{300000};
    // The largest answer read (decoded); past it the request fails.
    uint64_t maxBytes = uint64_t{64} << 20;
    // The longest a 429 or 503 may make a sync wait before it asks again; a longer wait ends the
    // sync and the next one starts after it.
    std::chrono::seconds longestWait{60};
};

// What one request got.
struct HttpAnswer {
    int status = 0;         // the HTTP status; 0 when no answer came
    std::string body;       // the answer's body as sent (decoded from gzip and the like)
    ServerAnswer server;    // the headers that speak of later requests
    bool badToken = false;  // the server said the write token expired
    bool tooLarge = false;  // the body passed ReaderLimits::maxBytes
    // Why no answer came, in Japanese, with the server's "scheme://host:port"; empty when one
    // came.
    Text error;
};

class CReaderHttp {
  public:
    explicit CReaderHttp(const ReaderLimits& limits);
    ~CReaderHttp();
    CReaderHttp(const CReaderHttp&) = delete;
    CReaderHttp& operator=(const CReaderHttp&) = delete;

    // GET `url` with the extra header lines; an answer past `maxBytes` (when smaller than the
    // limits' own) fails as too large.
    HttpAnswer Get(const std::string& url, const std::vector<std::string>& headers,
                   uint64_t maxBytes = UINT64_MAX);
    // POST `form` (application/x-www-form-urlencoded) to `url` with the extra header lines. The
    // form is sent from the caller's memory, never copied (it may hold a password).
    HttpAnswer Post(const std::string& url, std::string_view form,
                    const std::vector<std::string>& headers, uint64_t maxBytes = UINT64_MAX);
    // `text` percent-encoded for a query or a form.
    static std::string Escape(std::string_view text);
    // The same, one character at a time into `out` (up to 3 bytes); the number written.
    static size_t EscapeChar(char c, char out[3]);

    const ReaderLimits& Limits() const { return m_limits; }

  private:
    HttpAnswer Run(const std::string& url, const std::string_view* form,
                   const std::vector<std::string>& headers, uint64_t maxBytes);

    ReaderLimits m_limits;
    // One handle for the whole sync, so that its connection is kept alive between requests.
    CURL* m_easy = nullptr;
};

}  // namespace varlo
