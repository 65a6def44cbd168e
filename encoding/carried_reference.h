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

// What the digits of a numeric character reference at the start of a text ("&#" and decimal
// digits, or "&#x" and hexadecimal ones) say. Readers of markup differ in what they accept (a
// missing ";", "X", numbers beyond Unicode); they all take the digits from here.
struct NumericReferenceScan {
    uint32_t value = 0;       // the number; kBeyondUnicode for any number above U+10FFFF
    size_t digits = 0;        // how many digits; 0 when the text begins with no reference
    size_t length = 0;        // bytes from "&" to the last digit, or to the ";" after it
    bool terminated = false;  // a ";" follows the digits
};
inline constexpr uint32_t kBeyondUnicode = 0x110000;

// Scans the numeric reference at the very start of `text`; an "X" begins hexadecimal digits too
// when `upperX`. However long the run of digits, the value does not overflow.
NumericReferenceScan ScanNumericReference(std::string_view text, bool upperX);

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

// A literal "&" that would otherwise read as the start of a carried reference ("&#x1F600;" typed
// or read as text, not as the character) is held in system text as this reference to "&". Text
// that the user sees or types passes through CarryLiteralAmpersands on its way in and
// UncarryLiteralAmpersands on its way out, so that both come back as they were; files (markup)
// are converted without them, as their own references already say what is meant.
inline constexpr std::string_view kCarriedAmpersand = "&#x26;";

// True when "&" followed by `tail` reads as a carried reference ("#x1F600;..."), or as the carried
// ampersand followed by a tail that does so in turn ("#x26;#x1F600;..."): the text an "&" begins
// that the conversions above would change.
bool IsCarriedReferenceTail(std::string_view tail);

// The text (UTF-8 or code page 932) with every "&" that begins a carried reference's look-alike
// (see IsCarriedReferenceTail) written as kCarriedAmpersand; everything else as it is.
std::string CarryLiteralAmpersands(std::string_view text);

// The reverse of CarryLiteralAmpersands: every kCarriedAmpersand followed by the tail of a
// look-alike becomes "&" again. Apply after carried references became characters.
std::string UncarryLiteralAmpersands(std::string_view text);

// System text as the user reads it, in UTF-8: Cp932ToUtf8, then UncarryLiteralAmpersands. For
// plain text (what the window shows, addresses); not for markup.
std::string Cp932TextToUtf8(std::string_view cp932);

// UTF-8 plain text (typed by the user) as system text: CarryLiteralAmpersands, then Utf8ToCp932.
std::string Utf8TextToCp932(std::string_view utf8);

}  // namespace varlo
