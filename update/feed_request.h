#pragma once
// The request every feed download makes: the designed GET over HTTP/1.0 with "Accept: text/*",
// asking for compression, naming Varlo in its User-Agent, conditional on the validators of the
// cached body, and bounded by time-outs and a size cap.

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "fetch/request.h"
#include "fetch/transfer_messages.h"
#include "platform/text.h"

namespace varlo {

// The most a feed body may hold once decoded. A feed is text: a small compressed answer must not
// make Varlo read, parse and keep hundreds of megabytes. Other downloads keep the larger cap.
inline constexpr uint64_t kMaxFeedBytes = uint64_t{32} << 20;

// The failure of a feed body past `maxBytes`.
Text FeedTooLargeMessage(uint64_t maxBytes = kMaxFeedBytes);

// Time-outs and the size cap of one feed transfer.
struct TransferLimits {
    std::chrono::milliseconds connectTimeout{30000};
    // A transfer slower than `lowSpeedBytes` a second for `lowSpeedTime` has stalled.
    long lowSpeedBytes = 64;
    std::chrono::seconds lowSpeedTime{60};
    // No transfer runs longer than this in all.
    std::chrono::milliseconds totalTimeout{600000};
    // The cap on the body once decompressed.
    uint64_t maxBytes = uint64_t{256} << 20;
};

// The limits of the designed download (connect time-out, and its size cap where that is below
// the feed cap), the rest as above.
TransferLimits DefaultTransferLimits();

// `address` (system text) as libcurl should fetch it, percent-encoded where needed, with its
// lower-cased host in `host`. Empty with `failure` set when it cannot be fetched: not splittable
// into scheme, host and path, or not an http or https address.
std::string FetchableAddress(const Text& address, std::string* host, Text* failure);

// The key under which a server's request to wait (429, 503 with Retry-After) is kept:
// "scheme://host:port" of `url` (lower case, the port filled in from the scheme), so that another
// port or scheme of the same host (a feed beside a sync server) does not wait with it. `url`
// itself, lower case, when it cannot be taken apart.
std::string WaitKey(std::string_view url);

// Sets the designed request on `easy`, with `headers` (which the caller keeps alive) holding
// "Accept: text/*" and the validators when given.
void SetFeedRequest(CURL* easy, const std::string& url, curl_slist* headers,
                    const TransferLimits& limits);

// Starts libcurl once for the process (the program does it at start-up too).
void EnsureCurlInitialised();

}  // namespace varlo
