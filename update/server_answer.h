#pragma once
// What a server's answer asks of the requests after it: to wait before asking again
// (Retry-After), that its feed stays fresh for a while (Cache-Control, Expires), or that it
// refuses readers that are no browser (a bot wall).

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/text.h"

namespace varlo {

// The longest a server may make Varlo wait or keep a feed fresh.
inline constexpr int64_t kLongestServerWait = 24 * 3600;

// The headers of one answer that speak of later requests, as the server sent them.
struct ServerAnswer {
    Text retryAfter;
    Text cacheControl;
    Text expires;
    Text date;
    Text mitigated;  // "cf-mitigated"
};

// Reads the header line "Name: value" into `answer` when it is one of the headers above.
void ReadServerAnswerHeader(std::string_view line, ServerAnswer& answer);

// Until when (seconds since 1970) a 429 or 503 answer at `now` asks every site of its host to
// wait: its Retry-After in seconds or as a date, at most kLongestServerWait from now; nullopt
// when it has none or it cannot be read.
std::optional<int64_t> WaitUntil(const ServerAnswer& answer, int64_t now);

// Until when a feed answered at `now` stays fresh: Cache-Control "max-age" (before Expires,
// which counts from the answer's Date), at most kLongestServerWait from now; 0 when the answer
// does not say so, or says "max-age=0", "no-cache" or "no-store".
int64_t FreshUntil(const ServerAnswer& answer, int64_t now);

// Whether a refusal (403, 429 or 503) comes from a wall against bots rather than from the feed's
// own server: the wall says so in "cf-mitigated", or the body, whose first bytes are `head`, is a
// web page (a challenge to solve in a browser) instead of a feed.
bool IsBotWall(int status, const ServerAnswer& answer, std::string_view head);

// "12/08 18:30 まで待機中": the local time a site waits until, for the failures list.
Text WaitingMessage(int64_t until);

// What a refusal of a feed (a status of 300 or more) means for its site, the same for the update
// of every site and for the one site the user chose.
struct Refusal {
    enum class Kind {
        kFailed,   // this time only
        kWaiting,  // its server asked every site of it to wait until `until`
        kGone,     // the site is gone for good (410)
    };
    Kind kind = Kind::kFailed;
    Text message;       // for the failures list, the store and the user
    int64_t until = 0;  // kWaiting: seconds since 1970
};

// The refusal `status` with `answer`'s headers and a body starting with `head`, answered at `now`
// to a request that sent credentials or not.
Refusal ReadRefusal(long status, const ServerAnswer& answer, std::string_view head, int64_t now,
                    bool sentCredentials = false);

// What a 401 says to the user: where to set credentials, or that those sent were refused.
Text UnauthorizedMessage(bool sentCredentials);

}  // namespace varlo
