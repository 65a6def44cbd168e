#include "encoding/carried_reference.h"

#include <cstring>

#include "encoding/codepage.h"

namespace varlo {

bool IsCarriedCodePoint(uint32_t codepoint) {
    if (codepoint < 0x80 || codepoint > 0x10FFFF) return false;
    if (codepoint >= 0xD800 && codepoint <= 0xDFFF) return false;
    return UnicodeToCp932Code(codepoint) == 0;
}

void AppendCarriedReference(uint32_t codepoint, std::string& out) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    char digits[8];
    int count = 0;
    do {
        digits[count++] = kHex[codepoint & 0xF];
        codepoint >>= 4;
    } while (codepoint != 0 && count < 8);
    out += "&#x";
    while (count > 0) out += digits[--count];
    out += ';';
}

std::optional<NumericReference> ReadNumericReference(std::string_view text) {
    if (text.size() < 4 || text[0] != '&' || text[1] != '#') return std::nullopt;
    const bool hex = text[2] == 'x';
    size_t i = hex ? 3 : 2;
    const size_t firstDigit = i;
    uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else {
            break;
        }
        value = value * (hex ? 16 : 10) + digit;
        // Stopping here also keeps the sum from overflowing on a long run of digits.
        if (value > 0x10FFFF) return std::nullopt;
    }
    if (i == firstDigit || i >= text.size() || text[i] != ';') return std::nullopt;
    return NumericReference{value, i + 1};
}

void AppendUtf8(uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string ExpandCarriedReferences(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t start = 0;
    for (size_t at = utf8.find("&#"); at != std::string_view::npos; at = utf8.find("&#", at)) {
        const auto reference = ReadNumericReference(utf8.substr(at));
        if (!reference || !IsCarriedCodePoint(reference->codepoint)) {
            at += 2;
            continue;
        }
        out.append(utf8.substr(start, at - start));
        AppendUtf8(ReferencedCodePoint(reference->codepoint), out);
        at += reference->length;
        start = at;
    }
    out.append(utf8.substr(start));
    return out;
}

}  // namespace varlo
