#pragma once
// What the user is told when a transfer fails: one wording for the single download and for the
// update of every site.

#include <curl/curl.h>

#include <cstdint>

#include "platform/text.h"

namespace varlo {

// The message for a transfer that ended with `code`, always in Japanese (libcurl's own texts are
// English and never shown); `detail` is libcurl's error text (may be empty) and `inResponseHead`
// whether the response head was being received, looked at only to tell a response head libcurl
// refused from running out of memory (see IsHeaderTooLarge); `maxBytes` is the size cap, named
// when the body passed it.
Text DescribeTransferFailure(CURLcode code, const char* detail, uint64_t maxBytes,
                             bool inResponseHead = false);

// True when libcurl ended the transfer because the response head was larger than it accepts (a
// header line over 100 KB, or a head over 300 KB). Older libcurl reports a header line over its
// limit only as "out of memory", without a word: that code while the head was being received
// counts as one.
bool IsHeaderTooLarge(CURLcode code, const char* detail, bool inResponseHead);

// The message for a failure of the multi interface itself (no transfer's own).
Text DescribeMultiFailure(CURLMcode code);

// The message for a server that answered `status` (300 or more) instead of the body:
// "サーバーがエラー 500 を返しました".
Text HttpStatusMessage(long status);

// The message for a body beyond the size cap of `maxBytes`.
Text TooLargeMessage(uint64_t maxBytes);

}  // namespace varlo
