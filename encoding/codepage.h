#pragma once
// Conversions between code page 932 and Unicode. A character that code page 932 cannot hold is
// carried as a numeric character reference ("&#x1F600;", see carried_reference.h); malformed input
// bytes become "?" (0x3F), the code page's default character.

#include <cstdint>
#include <string>
#include <string_view>

namespace varlo {

// UTF-8 bytes to code page 932, characters it lacks as carried references. A leading byte order
// mark is kept as a character (callers strip it).
std::string Utf8ToCp932(std::string_view utf8);

// Converts well-formed UTF-8 (sequences of one to four bytes) to code page 932 into `out`; false
// (with `out` unspecified) at the first byte that is not part of such a sequence.
bool StrictUtf8ToCp932(std::string_view utf8, std::string& out);

// Converts UTF-8 to code page 932 as Utf8ToCp932 does, within the text's own buffer as far as the
// result fits there (a carried reference is longer than its character; the rest then goes to a new
// buffer).
void Utf8ToCp932InPlace(std::string& text);

// Code page 932 bytes to UTF-8, without a byte order mark. A numeric reference ("&#x1F600;" or
// "&#128512;") to a character that code page 932 lacks becomes that character; every other
// reference is kept as written.
std::string Cp932ToUtf8(std::string_view cp932);

// True when every byte is below 0x80 (the text reads the same in both encodings).
bool IsAsciiText(std::string_view text);

// Code page 932 code (a byte, or lead * 256 + trail) of a Unicode code point; 0 when it has none.
uint16_t UnicodeToCp932Code(uint32_t codepoint);

// Unicode code point of a code page 932 code (a byte, or lead * 256 + trail); 0 when undefined
// (except for code 0 itself).
uint32_t Cp932CodeToUnicode(uint16_t code);

// The character a byte of windows-1252 stands for (bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which
// it leaves unassigned, stand for the control characters of the same number).
uint32_t Windows1252ToUnicode(unsigned char byte);

// The character a numeric character reference to `codepoint` shows in a browser: numbers 128 to
// 159 name control characters that no text means, and pages written in windows-1252 put its
// characters there ("&#146;" for "’"); every other number is itself.
uint32_t ReferencedCodePoint(uint32_t codepoint);

// A UTF-8 literal of the source (a message, a menu text) as system text.
inline std::string Jp(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}

}  // namespace varlo
