#pragma once
// The text comparison used to sort the site list: code page 932 characters compared by code.

#include <cstdint>
#include <string_view>

namespace varlo {

// Flag of CompareText: compare upper-cased characters, so that letter case plays no part.
inline constexpr int kCompareIgnoreCase = 2;

// Code page 932 code of the upper-case form of a character given by its code (a byte, or
// lead * 256 + trail); the code itself when the character has no upper-case form.
uint16_t UpperCp932Code(uint16_t code);

// Walks both texts one character at a time (a double-byte character is one code, lead * 256 +
// trail) and returns the difference of the first pair of codes that differ, first minus second;
// the end of a text counts as code 0, so equal texts give 0 and a prefix sorts first. With
// kCompareIgnoreCase the codes are upper-cased first (full-width, Greek and Cyrillic letters too).
int CompareText(std::string_view x, std::string_view y, int flags);

}  // namespace varlo
