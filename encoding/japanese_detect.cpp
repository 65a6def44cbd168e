#include "encoding/japanese_detect.h"

#include <cstdint>
#include <cstring>

namespace varlo {
namespace {

// Reads the bytes one at a time; -1 past the end, like getc.
class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : m_bytes(bytes) {}
    int Next() {
        if (m_pos >= m_bytes.size()) return -1;
        return static_cast<unsigned char>(m_bytes[m_pos++]);
    }
    bool AtEnd() const { return m_pos >= m_bytes.size(); }
    // Skips the bytes that never decide anything (ASCII other than ESC) in one go.
    void SkipUndecidingAscii() {
        // Eight bytes at a time while none has its top bit set and none is ESC.
        constexpr uint64_t kOnes = 0x0101010101010101ULL;
        constexpr uint64_t kHighs = 0x8080808080808080ULL;
        while (m_bytes.size() - m_pos >= 8) {
            uint64_t word;
            std::memcpy(&word, m_bytes.data() + m_pos, 8);
            const uint64_t escapes = word ^ (kOnes * 0x1B);
            if ((word & kHighs) || ((escapes - kOnes) & ~escapes & kHighs)) break;
            m_pos += 8;
        }
        while (m_pos < m_bytes.size()) {
            const auto c = static_cast<unsigned char>(m_bytes[m_pos]);
            if (c >= 0x80 || c == 0x1B) return;
            ++m_pos;
        }
    }

  private:
    std::string_view m_bytes;
    size_t m_pos = 0;
};

bool InRange(int c, int low, int high) {
    return c >= low && c <= high;
}

bool IsShiftJisOnlyLead(int c) {
    return InRange(c, 0x81, 0x8D) || InRange(c, 0x8F, 0x9F);
}

}  // namespace

int DetectJapaneseCode(std::string_view bytes) {
    ByteReader in(bytes);
    int code = kCodeAscii;
    while (code == kCodeAscii || code == kCodeEucOrSjis) {
        in.SkipUndecidingAscii();
        int c = in.Next();
        if (c < 0) break;
        if (c == 0x1B) {
            c = in.Next();
            if (c == '$') {
                c = in.Next();
                if (c == 'B' || c == '@') code = kCodeJis;
            }
        } else if (IsShiftJisOnlyLead(c)) {
            code = kCodeShiftJis;
        } else if (c == 0x8E) {
            c = in.Next();
            if (InRange(c, 0x40, 0x7E) || InRange(c, 0x80, 0xA0) || InRange(c, 0xE0, 0xFC)) {
                code = kCodeShiftJis;
            } else if (InRange(c, 0xA1, 0xDF)) {
                code = kCodeEucOrSjis;
            }
        } else if (InRange(c, 0xA1, 0xDF)) {
            c = in.Next();
            if (InRange(c, 0xF0, 0xFE)) {
                code = kCodeEucJp;
            } else if (InRange(c, 0xA1, 0xDF)) {
                code = kCodeEucOrSjis;
            } else if (InRange(c, 0xE0, 0xEF)) {
                // Undecided so far: look on through the following run of non-ASCII bytes for
                // one that only one of the two encodings uses.
                while (c >= 0x40 && code == kCodeEucOrSjis) {
                    if (IsShiftJisOnlyLead(c)) {
                        code = kCodeShiftJis;
                    } else if (InRange(c, 0xFD, 0xFE)) {
                        code = kCodeEucJp;
                    }
                    if (code == kCodeEucOrSjis) c = in.Next();
                }
            } else if (c <= 0x9F) {  // the end of the bytes included
                code = kCodeShiftJis;
            }
        } else if (InRange(c, 0xF0, 0xFE)) {
            code = kCodeEucJp;
        } else if (InRange(c, 0xE0, 0xEF)) {
            c = in.Next();
            if (InRange(c, 0x40, 0x7E) || InRange(c, 0x80, 0xA0)) {
                code = kCodeShiftJis;
            } else if (InRange(c, 0xFD, 0xFE)) {
                code = kCodeEucJp;
            } else if (InRange(c, 0xA1, 0xFC)) {
                code = kCodeEucOrSjis;
            }
        }
    }
    return code;
}

bool IsUtf8(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return true;
    int pending = 0;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (pending > 0) {
            if (c < 0x80 || c > 0xBF) return false;
            --pending;
        } else if (c < 0x80) {
            continue;
        } else if (c >= 0xC0 && c <= 0xDF) {
            pending = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            pending = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            pending = 3;  // outside the basic plane: an emoji is UTF-8 like any other character
        } else {
            return false;
        }
    }
    return pending == 0;
}

bool IsEightBitUtf8(std::string_view bytes) {
    bool eightBit = false;
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        size_t length;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        }
        eightBit = true;
        i += length;
    }
    return eightBit;
}

int DetectLineBreak(std::string_view bytes) {
    const size_t at = bytes.find_first_of("\r\n");
    if (at == std::string_view::npos) return kLineBreakNone;
    if (bytes[at] == '\n') return kLineBreakLf;
    return at + 1 < bytes.size() && bytes[at + 1] == '\n' ? kLineBreakCrLf : kLineBreakCr;
}

}  // namespace varlo
