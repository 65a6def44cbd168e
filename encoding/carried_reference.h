#pragma once
// A character that code page 932 cannot hold travels inside the system as a numeric character
// reference in upper-case hexadecimal ("&#x1F600;"): system text stays code page 932 and nothing is
// lost. Wherever text leaves as UTF-8, such a reference becomes the character again.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varlo {

// True for a Unicode scalar value (no surrogate, at most U+10FFFF) that code page 932 has no code
// for: the characters that are carried as references.
bool IsCarriedCodePoint(uint32_t codepoint);

// Appends the carried form of `codepoint` to `out`: "&#x", upper-case hex digits, ";".
void AppendCarriedReference(uint32_t codepoint, std::string& out);

// A numeric character reference read from the start of a text.
struct NumericReference {
    uint32_t codepoint = 0;  // the value it names, at most 0x10FFFF
    size_t length = 0;       // bytes from "&" to ";" inclusive
};

// The numeric reference ("&#x1F600;", "&#xe9;", "&#128512;") at the very start of `text`; nullopt
// when the text does not begin with one or it names a value above U+10FFFF.
std::optional<NumericReference> ReadNumericReference(std::string_view text);

// Appends the UTF-8 bytes of a code point (at most U+10FFFF) to `out`.
void AppendUtf8(uint32_t codepoint, std::string& out);

// The text with every carried reference (a numeric reference to a character that code page 932
// lacks) turned into that character, in UTF-8 bytes; every other byte and reference is kept as it
// is. For code page 932 text use Cp932ToUtf8, which does this while converting.
std::string ExpandCarriedReferences(std::string_view utf8);

}  // namespace varlo
