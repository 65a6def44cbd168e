#pragma once
// What the user is told when a transfer fails: one wording for the single download and for the
// update of every site.

#include <curl/curl.h>

#include <cstdint>

#include "platform/text.h"

namespace varlo {

// The message for a transfer that ended with `code`; `detail` is libcurl's own text (may be empty)
// and `maxBytes` the size cap, named when the body passed it.
Text DescribeTransferFailure(CURLcode code, const char* detail, uint64_t maxBytes);

// The message for a body beyond the size cap of `maxBytes`.
Text TooLargeMessage(uint64_t maxBytes);

}  // namespace varlo
