#include "encoding/latin_text.h"

#include <cstdint>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"

namespace varlo {
namespace {

// Length of the well-formed UTF-8 sequence at `bytes[at]` (a byte from 0x80 up); 0 when none.
size_t Utf8SequenceAt(std::string_view bytes, size_t at) {
    const auto c = static_cast<unsigned char>(bytes[at]);
    const size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                          : c >= 0xE0 && c <= 0xEF ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || bytes.size() - at < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(bytes[at + k]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

bool IsHigh(unsigned char c) {
    return c >= 0x80;
}

bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool IsMostlyUtf8(std::string_view bytes) {
    size_t good = 0;
    size_t bad = 0;
    for (size_t i = 0; i < bytes.size();) {
        if (!IsHigh(static_cast<unsigned char>(bytes[i]))) {
            ++i;
        } else if (const size_t length = Utf8SequenceAt(bytes, i)) {
            ++good;
            i += length;
        } else {
            ++bad;
            ++i;
        }
    }
    return good > 0 && bad * 19 <= good;
}

std::string StrayBytesAsWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (!IsHigh(c)) {
            out.push_back(bytes[i++]);
        } else if (const size_t length = Utf8SequenceAt(bytes, i)) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            AppendUtf8(Windows1252ToUnicode(c), out);
            ++i;
        }
    }
    return out;
}

bool LooksLikeWindows1252(std::string_view bytes) {
    size_t high = 0;
    size_t alone = 0;
    const auto at = [bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = at(i);
        if (!IsHigh(c)) continue;
        // Bytes windows-1252 leaves unassigned, and the Shift_JIS kana and punctuation (0x81 to
        // 0x83 with their second byte), which would pass for lone letters.
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) return false;
        if ((c == 0x82 || c == 0x83) && i + 1 < bytes.size() && at(i + 1) >= 0x40 &&
            at(i + 1) != 0x7F) {
            return false;
        }
        ++high;
        const unsigned char before = i > 0 ? at(i - 1) : ' ';
        const unsigned char after = i + 1 < bytes.size() ? at(i + 1) : ' ';
        if ((IsLetter(before) && !IsHigh(after)) || (IsLetter(after) && !IsHigh(before))) ++alone;
    }
    return high > 0 && alone * 5 >= high * 4;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char ch : bytes)
        AppendUtf8(Windows1252ToUnicode(static_cast<unsigned char>(ch)), out);
    return out;
}

}  // namespace varlo
