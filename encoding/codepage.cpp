#include "encoding/codepage.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <memory>

#include "platform/text.h"

namespace varlo {
namespace {

// Both directions as flat tables, built once from the C library's CP932 converter. A table beats
// calling iconv on real text: iconv restarts after every unmappable character and has no ASCII
// fast path.
struct Cp932Tables {
    std::array<uint16_t, 65536> toUnicode{};    // code page 932 code -> BMP code point
    std::array<uint16_t, 65536> fromUnicode{};  // BMP code point -> code page 932 code

    Cp932Tables() {
        struct IconvCloser {
            void operator()(iconv_t cd) const { iconv_close(cd); }
        };
        iconv_t raw = iconv_open("UTF-32LE", "CP932");
        if (raw == reinterpret_cast<iconv_t>(-1)) {
            for (uint16_t c = 0; c < 0x80; ++c) toUnicode[c] = fromUnicode[c] = c;
            return;
        }
        std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser> cd(raw);
        auto decode = [&](const char* bytes, size_t length) -> uint32_t {
            char in[2];
            std::memcpy(in, bytes, length);
            char* inPtr = in;
            size_t inLeft = length;
            uint32_t out = 0;
            char* outPtr = reinterpret_cast<char*>(&out);
            size_t outLeft = sizeof out;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
                inLeft != 0 || outLeft != 0) {
                return 0;
            }
            return out;
        };
        for (int b = 1; b < 256; ++b) {
            if (IsLeadByte(static_cast<unsigned char>(b))) continue;
            const char byte = static_cast<char>(b);
            const uint32_t cp = decode(&byte, 1);
            if (cp != 0 && cp <= 0xFFFF) toUnicode[b] = static_cast<uint16_t>(cp);
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const uint32_t cp = decode(pair, 2);
                if (cp != 0 && cp <= 0xFFFF)
                    toUnicode[lead * 256 + trail] = static_cast<uint16_t>(cp);
            }
        }
        // The other direction is asked of the converter character by character: it knows which of
        // several codes of one character to use, and accepts characters that decode differently
        // (the wave dash, the double vertical line, the minus sign of other Japanese encodings).
        raw = iconv_open("CP932", "UTF-32LE");
        if (raw == reinterpret_cast<iconv_t>(-1)) return;
        std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser> encoder(raw);
        for (uint32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF) continue;
            uint32_t in = cp;
            char* inPtr = reinterpret_cast<char*>(&in);
            size_t inLeft = sizeof in;
            unsigned char out[4];
            char* outPtr = reinterpret_cast<char*>(out);
            size_t outLeft = sizeof out;
            if (iconv(encoder.get(), &inPtr, &inLeft, &outPtr, &outLeft) ==
                static_cast<size_t>(-1)) {
                iconv(encoder.get(), nullptr, nullptr, nullptr, nullptr);
                continue;
            }
            const size_t length = sizeof out - outLeft;
            if (length == 1) fromUnicode[cp] = out[0];
            if (length == 2) fromUnicode[cp] = static_cast<uint16_t>(out[0] * 256 + out[1]);
        }
    }
};

const Cp932Tables& Tables() {
    static const Cp932Tables tables;
    return tables;
}

// Length of the run of ASCII bytes at the start of [p, end).
size_t AsciiRun(const unsigned char* p, const unsigned char* end) {
    const unsigned char* start = p;
    while (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL) break;
        p += 8;
    }
    while (p < end && *p < 0x80) ++p;
    return static_cast<size_t>(p - start);
}

}  // namespace

bool IsAsciiText(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    return AsciiRun(p, p + text.size()) == text.size();
}

uint16_t UnicodeToCp932Code(uint32_t codepoint) {
    if (codepoint < 0x80) return static_cast<uint16_t>(codepoint);
    if (codepoint > 0xFFFF) return 0;
    return Tables().fromUnicode[codepoint];
}

uint32_t Cp932CodeToUnicode(uint16_t code) {
    if (code < 0x80) return code;
    return Tables().toUnicode[code];
}

namespace {

inline unsigned char* PutCode(unsigned char* o, uint16_t code) {
    if (code == 0) {
        *o++ = '?';
    } else if (code < 0x100) {
        *o++ = static_cast<unsigned char>(code);
    } else {
        *o++ = static_cast<unsigned char>(code >> 8);
        *o++ = static_cast<unsigned char>(code & 0xFF);
    }
    return o;
}

// Converts UTF-8 to code page 932 in one pass. With `strict` it stops and answers false at the
// first byte sequence that is not of one to three bytes (the loader's test of whether a text is
// UTF-8 at all); without it such bytes become "?" and the result is always true.
bool ConvertUtf8(std::string_view utf8, std::string& out, bool strict) {
    const auto& table = Tables().fromUnicode;
    // Every character gets at most as many bytes in code page 932 as in UTF-8.
    out.resize(utf8.size());
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            const size_t run = AsciiRun(p, end);
            std::memcpy(o, p, run);
            o += run;
            p += run;
            continue;
        }
        if (c >= 0xE0 && c <= 0xEF && end - p >= 3 && (p[1] & 0xC0) == 0x80 &&
            (p[2] & 0xC0) == 0x80) {
            const uint32_t cp = ((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
            o = PutCode(o, table[cp]);
            p += 3;
            continue;
        }
        if (c >= 0xC0 && c <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
            const uint32_t cp = ((c & 0x1Fu) << 6) | (p[1] & 0x3Fu);
            o = PutCode(o, cp < 0x80 ? 0 : table[cp]);  // an overlong form is no character
            p += 2;
            continue;
        }
        if (strict) return false;
        if (c >= 0xF0 && c <= 0xF4 && end - p >= 4 && (p[1] & 0xC0) == 0x80 &&
            (p[2] & 0xC0) == 0x80 && (p[3] & 0xC0) == 0x80) {
            p += 4;  // outside the range the code page can hold
        } else {
            // A malformed sequence: one "?" for its lead byte and the continuation bytes after it.
            ++p;
            while (p < end && (*p & 0xC0) == 0x80 && c >= 0xC0) ++p;
        }
        *o++ = '?';
    }
    out.resize(static_cast<size_t>(o - reinterpret_cast<unsigned char*>(out.data())));
    return true;
}

}  // namespace

size_t Utf8ToCp932InPlace(char* data, size_t size) {
    const auto& table = Tables().fromUnicode;
    auto* o = reinterpret_cast<unsigned char*>(data);
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* end = p + size;
    // The output never overtakes the input: each character shrinks or keeps its length.
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            const size_t run = AsciiRun(p, end);
            if (o != p) std::memmove(o, p, run);
            o += run;
            p += run;
            continue;
        }
        if (c >= 0xE0 && c <= 0xEF && end - p >= 3) {
            const uint32_t cp = ((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
            p += 3;
            o = PutCode(o, table[cp]);
        } else if (c >= 0xC0 && c <= 0xDF && end - p >= 2) {
            const uint32_t cp = ((c & 0x1Fu) << 6) | (p[1] & 0x3Fu);
            p += 2;
            o = PutCode(o, cp < 0x80 ? 0 : table[cp]);
        } else {
            ++p;
            *o++ = '?';
        }
    }
    return static_cast<size_t>(o - reinterpret_cast<unsigned char*>(data));
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::string out;
    ConvertUtf8(utf8, out, false);
    return out;
}

bool StrictUtf8ToCp932(std::string_view utf8, std::string& out) {
    return ConvertUtf8(utf8, out, true);
}

std::string Cp932ToUtf8(std::string_view cp932) {
    const auto& table = Tables().toUnicode;
    std::string out;
    out.reserve(cp932.size() + cp932.size() / 2);
    const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
    const auto* end = p + cp932.size();
    auto put = [&out](uint32_t cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    };
    while (p < end) {
        const size_t run = AsciiRun(p, end);
        if (run) {
            out.append(reinterpret_cast<const char*>(p), run);
            p += run;
            if (p == end) break;
        }
        const unsigned char c = *p;
        uint32_t cp = 0;
        if (IsLeadByte(c) && p + 1 < end) {
            cp = table[c * 256 + p[1]];
            // An undefined pair is one unknown character; a lead byte without a trail byte is one
            // unknown byte, and what follows is read afresh.
            const bool trailByte = p[1] >= 0x40 && p[1] <= 0xFC && p[1] != 0x7F;
            p += cp || trailByte ? 2 : 1;
        } else {
            cp = table[c];
            ++p;
        }
        put(cp ? cp : '?');
    }
    return out;
}

}  // namespace varlo
