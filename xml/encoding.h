#pragma once
// The UTF-8 test and conversions that the XML file layer uses.

#include <string>
#include <string_view>

#include "platform/text.h"

namespace varlo {

// True when the bytes are well-formed UTF-8 of one to four bytes a character (an empty or ASCII
// text passes).
bool IsUTF8(std::string_view text);
// UTF-8 (with or without a byte order mark) to code page 932, characters it lacks carried as
// references.
Text UTF8ToText(std::string_view text);
// Code page 932 to UTF-8, without a byte order mark; carried references become their characters.
std::string TextToUTF8(std::string_view text);

// True for text that is UTF-8 but for a few stray bytes (a character cut in half where a
// publishing tool shortened a text): at least 16 well-formed characters beyond ASCII and at most
// one bad byte for every 50 of them. Text in the Japanese legacy encodings is never this.
bool IsUtf8WithStrayBytes(std::string_view text);

// True when every byte is below 0x80.
bool IsAscii(std::string_view text);

}  // namespace varlo
