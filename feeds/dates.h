#pragma once
// Feed dates: reading the RFC 822 and W3C date-time forms into time values, and writing time values
// back as text. Conversions to and from calendar fields follow the local zone of `TZ`.

#include <cstdint>
#include <string_view>

#include "platform/text.h"

namespace varlo {

// Seconds since 1970-01-01 00:00:00 UTC. 64 bits, so that dates after 2038 stay positive; the
// date parsers give 0 for "no date".
using TimeValue = int64_t;

// A W3C date-time ("2004-01-02T03:04:05+09:00") as the instant it names; a date alone
// ("2004-01-02") as local midnight. 0 when the date part is not usable.
TimeValue ParseW3cDate(std::string_view text);

// An RFC 822 date ("Sat, 07 Sep 2002 00:00:01 GMT") as the instant it names, for the years 1970 to
// 2038 (two-digit years count from 1900). 0 when the text is not read.
TimeValue ParseRfc822Date(std::string_view text);

// Seconds to add to UTC to get the time of a zone designator ("+09:00", "-0500", "JST", "Z");
// 0 when the designator is not recognised.
int ParseZoneOffset(std::string_view text);

// "Sat, 07 Sep 2002 09:00:01 +0900": the local time of `t` with the local zone's true offset at
// that instant. Empty when `t` cannot be broken down into local time.
Text FormatRfc822Date(TimeValue t);

// "2002-09-07 09:00": the local time of `t` as the article list shows it. Empty when `t` cannot be
// broken down into local time.
Text FormatDisplayDate(TimeValue t);

}  // namespace varlo
