#pragma once
// The system's text: code page 932 (Shift_JIS) bytes in a std::string.

#include <string>
#include <string_view>

namespace varlo {

using Text = std::string;

// True for a byte that starts a double-byte character of code page 932.
constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// ASCII character classes, the same in every code page the system reads (a byte of 0x80 or above
// is never one of them).
constexpr bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool IsAsciiHexDigit(char c) {
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
// The value of a hexadecimal digit, -1 for any other character.
constexpr int HexValue(char c) {
    return IsAsciiDigit(c)          ? c - '0'
           : (c >= 'a' && c <= 'f') ? c - 'a' + 10
           : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                    : -1;
}
constexpr bool IsAsciiAlnum(char c) {
    return IsAsciiAlpha(c) || IsAsciiDigit(c);
}
// White space as XML knows it: space, tab, carriage return and line feed.
constexpr bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
// White space as HTML knows it (XML's lacks the form feed), and the same as a set for Trim.
inline constexpr std::string_view kHtmlSpaces = " \t\n\f\r";
constexpr bool IsHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// ASCII letters in another case; every other byte as it is.
constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
// Comparisons that ignore the case of ASCII letters (names of headers, tags, encodings, schemes).
constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}
constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}
// A copy with its ASCII letters in lower case.
std::string AsciiLowerCopy(std::string_view text);

// Position of the last `ch` (an ASCII byte) in `text`, stepping over double-byte characters so that
// a trail byte is never taken for it; npos when absent.
size_t FindLastAsciiStepping(std::string_view text, char ch);

// Upper-cases ASCII letters in place (trail bytes of double-byte characters included, as the
// code page's byte-wise upper-casing does).
void AsciiUpperInPlace(std::string& text);

// Removes the characters of `set` from both ends.
std::string_view Trim(std::string_view text, std::string_view set = " \t\r\n");

}  // namespace varlo
