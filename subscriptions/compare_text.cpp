#include "subscriptions/compare_text.h"

#include <array>
#include <memory>

#include "encoding/codepage.h"
#include "platform/text.h"

namespace varlo {
namespace {

// Upper-case form of the lower-case letters that code page 932 can hold, as the system's own
// case mapping gives them; every other code point maps to itself.
uint32_t UpperCodePoint(uint32_t cp) {
    if (cp >= 'a' && cp <= 'z') return cp - 0x20;
    if (cp >= 0xFF41 && cp <= 0xFF5A) return cp - 0x20;  // full-width Latin
    if (cp == 0x03C2) return 0x03A3;                     // final sigma
    if (cp >= 0x03B1 && cp <= 0x03C9) return cp - 0x20;  // Greek
    if (cp >= 0x0430 && cp <= 0x044F) return cp - 0x20;  // Cyrillic
    if (cp >= 0x0450 && cp <= 0x045F) return cp - 0x50;  // Cyrillic with marks (yo)
    if (cp >= 0x2170 && cp <= 0x217F) return cp - 0x10;  // small Roman numerals
    return cp;
}

// Every code's upper-case code, built once: sorting compares many characters, and two table
// lookups per character would be repeated for each comparison.
struct UpperTable {
    std::array<uint16_t, 0x10000> codes{};
    UpperTable() {
        for (uint32_t code = 0; code < 0x10000; ++code) {
            codes[code] = static_cast<uint16_t>(code);
            const uint32_t cp = Cp932CodeToUnicode(static_cast<uint16_t>(code));
            if (cp == 0) continue;
            const uint32_t upper = UpperCodePoint(cp);
            if (upper == cp) continue;
            // A character whose upper-case form the code page cannot hold keeps its own code.
            const uint16_t upperCode = UnicodeToCp932Code(upper);
            if (upperCode != 0) codes[code] = upperCode;
        }
    }
};

const UpperTable& Table() {
    static const auto table = std::make_unique<UpperTable>();
    return *table;
}

// The code of the character at `pos` and the number of bytes it takes (0 at the end: code 0).
struct CharAt {
    uint16_t code;
    size_t length;
};

CharAt ReadChar(std::string_view text, size_t pos) {
    if (pos >= text.size()) return {0, 0};
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (IsLeadByte(lead) && pos + 1 < text.size()) {
        const auto trail = static_cast<unsigned char>(text[pos + 1]);
        return {static_cast<uint16_t>(lead * 256 + trail), 2};
    }
    return {lead, 1};
}

}  // namespace

uint16_t UpperCp932Code(uint16_t code) {
    if (code < 0x80) return static_cast<uint16_t>(code >= 'a' && code <= 'z' ? code - 0x20 : code);
    return Table().codes[code];
}

int CompareText(std::string_view x, std::string_view y, int flags) {
    const bool ignoreCase = (flags & kCompareIgnoreCase) != 0;
    size_t i = 0;
    size_t j = 0;
    while (i < x.size() || j < y.size()) {
        CharAt a = ReadChar(x, i);
        CharAt b = ReadChar(y, j);
        if (ignoreCase) {
            a.code = UpperCp932Code(a.code);
            b.code = UpperCp932Code(b.code);
        }
        if (a.code != b.code) return static_cast<int>(a.code) - static_cast<int>(b.code);
        i += a.length;
        j += b.length;
    }
    return 0;
}

}  // namespace varlo
