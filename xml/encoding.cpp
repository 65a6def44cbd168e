#include "xml/encoding.h"

#include <cstring>

#include "encoding/codepage.h"

namespace varlo {

bool IsUTF8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    // A character at a time: ASCII runs eight bytes at a time, then whole sequences.
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            while (end - p >= 8) {
                uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ULL) break;
                p += 8;
            }
            while (p < end && *p < 0x80) ++p;
            continue;
        }
        if (c >= 0xE0 && c <= 0xEF) {
            if (end - p < 3 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80) return false;
            p += 3;
        } else if (c >= 0xC0 && c <= 0xDF) {
            if (end - p < 2 || (p[1] & 0xC0) != 0x80) return false;
            p += 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            if (end - p < 4 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80 ||
                (p[3] & 0xC0) != 0x80)
                return false;
            p += 4;
        } else {
            return false;  // a stray continuation byte, or no lead byte of UTF-8
        }
    }
    return true;
}

Text UTF8ToText(std::string_view text) {
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
        static_cast<unsigned char>(text[1]) == 0xBB &&
        static_cast<unsigned char>(text[2]) == 0xBF) {
        text.remove_prefix(3);
    }
    return Utf8ToCp932(text);
}

std::string TextToUTF8(std::string_view text) {
    return Cp932ToUtf8(text);
}

bool IsUtf8WithStrayBytes(std::string_view text) {
    size_t good = 0;
    size_t bad = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        const size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                              : c >= 0xE0 && c <= 0xEF ? 3
                              : c >= 0xF0 && c <= 0xF4 ? 4
                                                       : 0;
        bool wellFormed = length != 0 && static_cast<size_t>(end - p) >= length;
        for (size_t k = 1; wellFormed && k < length; ++k) wellFormed = (p[k] & 0xC0) == 0x80;
        if (wellFormed) {
            ++good;
            p += length;
        } else {
            ++bad;
            ++p;
        }
    }
    return good >= 16 && bad * 50 <= good;
}

bool IsAscii(std::string_view text) {
    return IsAsciiText(text);
}

}  // namespace varlo
