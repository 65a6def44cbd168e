// Feeds arbitrary text to the three feed date readers and writes every result back as text.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "feeds/dates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A zone with daylight saving, so that the local conversions take their harder paths.
    static const bool zone = (setenv("TZ", "Europe/Berlin", 1), true);
    (void)zone;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const varlo::TimeValue w3c = varlo::ParseW3cDate(text);
    const varlo::TimeValue rfc = varlo::ParseRfc822Date(text);
    const int offset = varlo::ParseZoneOffset(text);
    // Digits are read by their low four bits, so a numeric zone reaches at most 165:165.
    if (w3c < 0 || rfc < 0 || offset < -603900 || offset > 603900) __builtin_trap();
    varlo::FormatRfc822Date(w3c);
    varlo::FormatDisplayDate(rfc);
    return 0;
}
