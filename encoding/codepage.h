#pragma once
// Conversions between code page 932 and Unicode. Characters that the target cannot hold become
// "?" (0x3F), the code page's default character; malformed input bytes become "?" as well.

#include <cstdint>
#include <string>
#include <string_view>

namespace varlo {

// UTF-8 bytes to code page 932. A leading byte order mark is kept as a character (callers strip
// it).
std::string Utf8ToCp932(std::string_view utf8);

// Converts UTF-8 of one- to three-byte sequences to code page 932 into `out`; false (with `out`
// unspecified) at the first byte that is not part of such a sequence.
bool StrictUtf8ToCp932(std::string_view utf8, std::string& out);

// Converts text that passed the loader's UTF-8 test (sequences of one to three bytes) to code page
// 932 within its own buffer; returns the new length.
size_t Utf8ToCp932InPlace(char* data, size_t size);

// Code page 932 bytes to UTF-8, without a byte order mark.
std::string Cp932ToUtf8(std::string_view cp932);

// True when every byte is below 0x80 (the text reads the same in both encodings).
bool IsAsciiText(std::string_view text);

// Code page 932 code (a byte, or lead * 256 + trail) of a Unicode code point; 0 when it has none.
uint16_t UnicodeToCp932Code(uint32_t codepoint);

// Unicode code point of a code page 932 code (a byte, or lead * 256 + trail); 0 when undefined
// (except for code 0 itself).
uint32_t Cp932CodeToUnicode(uint16_t code);

// A UTF-8 literal of the source (a message, a menu text) as system text.
inline std::string Jp(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}

}  // namespace varlo
