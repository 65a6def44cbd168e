#include "encoding/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "encoding/carried_reference.h"
#include "platform/allocator.h"
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
            uint16_t code = 0;
            if (length == 1) code = out[0];
            if (length == 2) code = static_cast<uint16_t>(out[0] * 256 + out[1]);
            // A character that shares its code with another one (the em dash with the horizontal
            // bar, the wave dash with the full-width tilde) would come back as the other one: it
            // is carried as a reference instead, so that no text changes on its way through.
            const uint32_t back = code < 0x80 ? code : toUnicode[code];
            if (back == cp) fromUnicode[cp] = code;
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

constexpr uint32_t kMalformed = 0xFFFFFFFF;

// Decodes the UTF-8 character at p: its code point, or kMalformed for bytes that are not a
// character (a stray continuation byte, a truncated or overlong sequence, a surrogate, a value
// beyond U+10FFFF). Returns the bytes consumed: a malformed lead byte takes the continuation bytes
// after it, so one bad character gives one "?". Sequences of two and three bytes are read
// leniently, as they always were: a three-byte overlong form still gives its character.
size_t DecodeUtf8(const unsigned char* p, const unsigned char* end, uint32_t& cp) {
    const unsigned char c = *p;
    const ptrdiff_t left = end - p;
    if (c >= 0xE0 && c <= 0xEF && left >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
        cp = ((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = kMalformed;
        return 3;
    }
    if (c >= 0xC0 && c <= 0xDF && left >= 2 && (p[1] & 0xC0) == 0x80) {
        cp = ((c & 0x1Fu) << 6) | (p[1] & 0x3Fu);
        if (cp < 0x80) cp = kMalformed;  // an overlong form is no character
        return 2;
    }
    if (c >= 0xF0 && c <= 0xF4 && left >= 4 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80 &&
        (p[3] & 0xC0) == 0x80) {
        cp = ((c & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
        if (cp < 0x10000 || cp > 0x10FFFF) cp = kMalformed;
        return 4;
    }
    cp = kMalformed;
    size_t length = 1;
    if (c >= 0xC0) {
        while (p + length < end && (p[length] & 0xC0) == 0x80) ++length;
    }
    return length;
}

// The code page 932 form of one decoded character into `o` (at least 10 bytes of room): its code,
// the carried reference when the code page lacks it, or "?" for malformed bytes.
inline unsigned char* PutCharacter(unsigned char* o, uint32_t cp) {
    if (cp == kMalformed) {
        *o++ = '?';
        return o;
    }
    const uint16_t code = cp <= 0xFFFF ? Tables().fromUnicode[cp] : 0;
    if (code == 0) {
        std::string reference;
        AppendCarriedReference(cp, reference);
        std::memcpy(o, reference.data(), reference.size());
        return o + reference.size();
    }
    if (code < 0x100) {
        *o++ = static_cast<unsigned char>(code);
    } else {
        *o++ = static_cast<unsigned char>(code >> 8);
        *o++ = static_cast<unsigned char>(code & 0xFF);
    }
    return o;
}

// Bytes the code page 932 form of a character may take: a carried reference of a 21-bit value.
constexpr size_t kMaxCharacterBytes = 10;

// Converts UTF-8 to code page 932 in one pass. With `strict` it stops and answers false at the
// first byte sequence that is not a well-formed character (the loader's test of whether a text is
// UTF-8 at all); without it such bytes become "?" and the result is always true.
bool ConvertUtf8(std::string_view utf8, std::string& out, bool strict) {
    // Kept true throughout: the room left in `out` is at least the input left, so runs of ASCII and
    // the characters that shrink need no check; only a carried reference may grow the buffer.
    out.resize(utf8.size());
    auto* base = reinterpret_cast<unsigned char*>(out.data());
    unsigned char* o = base;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            const size_t run = AsciiRun(p, end);
            std::memcpy(o, p, run);
            o += run;
            p += run;
            continue;
        }
        uint32_t cp;
        const size_t consumed = DecodeUtf8(p, end, cp);
        if (strict && cp == kMalformed) return false;
        p += consumed;
        const size_t used = static_cast<size_t>(o - base);
        const size_t needed = used + kMaxCharacterBytes + static_cast<size_t>(end - p);
        if (needed > out.size()) {
            out.resize(std::max(needed, out.size() + out.size() / 2));
            base = reinterpret_cast<unsigned char*>(out.data());
            o = base + used;
        }
        o = PutCharacter(o, cp);
    }
    out.resize(static_cast<size_t>(o - base));
    return true;
}

// Walks `utf8` as runs of ASCII (`ascii(start, length)`) and single characters (`character(cp)`,
// malformed bytes as kMalformed).
template <typename Ascii, typename Character>
void WalkUtf8(std::string_view utf8, Ascii ascii, Character character) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            const size_t run = AsciiRun(p, end);
            ascii(p, run);
            p += run;
            continue;
        }
        uint32_t cp;
        p += DecodeUtf8(p, end, cp);
        character(cp);
    }
}

// Bytes the code page 932 form of `utf8` takes, malformed bytes as "?".
size_t Cp932Size(std::string_view utf8) {
    size_t size = 0;
    unsigned char scratch[kMaxCharacterBytes];
    WalkUtf8(
        utf8, [&](const unsigned char*, size_t run) { size += run; },
        [&](uint32_t cp) { size += static_cast<size_t>(PutCharacter(scratch, cp) - scratch); });
    return size;
}

// Writes the code page 932 form of `utf8` at `o`, which has room for all of it (Cp932Size).
void PutCp932(std::string_view utf8, unsigned char* o) {
    WalkUtf8(
        utf8,
        [&](const unsigned char* ascii, size_t run) {
            std::memcpy(o, ascii, run);
            o += run;
        },
        [&](uint32_t cp) { o = PutCharacter(o, cp); });
}

// Input converted in one step: a large text's pages go back to the system step by step.
constexpr size_t kConversionStep = size_t{4} << 20;

// `done` (already code page 932) followed by `rest` converted, for a text that is not needed
// afterwards: `done` lies at its start and `rest` at its end. The result is measured first, so
// that it is made once at its final size rather than copied as it grows; and it is written in
// steps, each step's input given back once it is converted, so that a large text is not held
// whole twice over. A step ends before a byte that begins something, so that no character spans
// two steps.
std::string JoinConvertingAndReleasing(std::string_view done, std::string_view rest) {
    std::vector<std::pair<size_t, size_t>> steps;  // input and output bytes
    size_t total = done.size();
    for (std::string_view left = rest; !left.empty();) {
        size_t cut = std::min(kConversionStep, left.size());
        while (cut < left.size() && (static_cast<unsigned char>(left[cut]) & 0xC0) == 0x80) ++cut;
        steps.emplace_back(cut, Cp932Size(left.substr(0, cut)));
        total += steps.back().second;
        left.remove_prefix(cut);
    }
    std::string out;
    out.reserve(total);
    out.append(done);
    const bool release = steps.size() > 1;
    const char* released = done.data();
    for (const auto& [input, output] : steps) {
        const size_t at = out.size();
        // Grown a step at a time: a page of the result is first touched when it is written.
        out.resize(at + output);
        PutCp932(rest.substr(0, input), reinterpret_cast<unsigned char*>(out.data()) + at);
        rest.remove_prefix(input);
        if (release) {
            released = ReleasePagesWithin(released, static_cast<size_t>(rest.data() - released));
        }
    }
    return out;
}

}  // namespace

void Utf8ToCp932InPlace(std::string& text) {
    auto* base = reinterpret_cast<unsigned char*>(text.data());
    unsigned char* o = base;
    const unsigned char* p = base;
    const unsigned char* end = p + text.size();
    // Code page 932 takes no more bytes than UTF-8 for any character it holds, so the output never
    // overtakes the input, except for a carried reference: an "é" of two bytes becomes six. When
    // one does not fit behind the input, the rest is converted into a new buffer.
    const auto& fromUnicode = Tables().fromUnicode;
    while (p < end) {
        if (*p < 0x80) {
            // Text before the first character that shrinks stays where it is.
            if (o == p) {
                const size_t run = AsciiRun(p, end);
                o += run;
                p += run;
                continue;
            }
            // A word at a time once the output lags the input by a word, so that a store never
            // reaches bytes not yet read; the first byte beyond ASCII ends the run.
            while (end - p >= 8 && p - o >= 8) {
                uint64_t word;
                std::memcpy(&word, p, 8);
                const uint64_t high = word & 0x8080808080808080ULL;
                std::memcpy(o, &word, 8);
                if (high != 0) {
                    const auto ascii = static_cast<size_t>(__builtin_ctzll(high) / 8);
                    o += ascii;
                    p += ascii;
                    goto character;
                }
                o += 8;
                p += 8;
            }
            while (p < end && *p < 0x80) *o++ = *p++;
            continue;
        }
    character:
        // Most of a Japanese text: three bytes that the code page holds in one or two, which
        // always fit where they were read. Read as one little-endian word: a lead byte 1110xxxx,
        // then two of 10xxxxxx.
        uint32_t word;
        while (end - p >= 4 && (std::memcpy(&word, p, 4), (word & 0xC0C0F0u) == 0x8080E0u)) {
            const uint32_t bmp =
                ((word & 0x0Fu) << 12) | ((word & 0x3F00u) >> 2) | ((word >> 16) & 0x3Fu);
            const uint16_t code = fromUnicode[bmp];
            if (code >= 0x100) {
                o[0] = static_cast<unsigned char>(code >> 8);
                o[1] = static_cast<unsigned char>(code & 0xFF);
                o += 2;
            } else if (code != 0) {
                *o++ = static_cast<unsigned char>(code);
            } else {
                break;
            }
            p += 3;
        }
        if (p >= end || *p < 0x80) continue;
        uint32_t cp;
        const size_t consumed = DecodeUtf8(p, end, cp);
        unsigned char scratch[kMaxCharacterBytes];
        const size_t length = static_cast<size_t>(PutCharacter(scratch, cp) - scratch);
        if (o + length > p + consumed) {
            const std::string_view rest(reinterpret_cast<const char*>(p),
                                        static_cast<size_t>(end - p));
            std::string converted =
                JoinConvertingAndReleasing({text.data(), static_cast<size_t>(o - base)}, rest);
            text.swap(converted);
            return;
        }
        std::memcpy(o, scratch, length);
        o += length;
        p += consumed;
    }
    text.resize(static_cast<size_t>(o - base));
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
    while (p < end) {
        const size_t run = AsciiRun(p, end);
        if (run) {
            // "&" is never a trail byte, so a reference can only begin in an ASCII run.
            const auto* runEnd = p + run;
            while (p < runEnd) {
                const auto* amp = static_cast<const unsigned char*>(
                    std::memchr(p, '&', static_cast<size_t>(runEnd - p)));
                if (amp == nullptr) {
                    out.append(reinterpret_cast<const char*>(p), static_cast<size_t>(runEnd - p));
                    p = runEnd;
                    break;
                }
                out.append(reinterpret_cast<const char*>(p), static_cast<size_t>(amp - p));
                const auto reference = ReadNumericReference(std::string_view(
                    reinterpret_cast<const char*>(amp), static_cast<size_t>(end - amp)));
                if (reference && IsCarriedCodePoint(reference->codepoint)) {
                    // No text means a C1 control character: such a reference is one to
                    // windows-1252, as browsers read it.
                    AppendUtf8(ReferencedCodePoint(reference->codepoint), out);
                    p = amp + reference->length;
                } else {
                    out += '&';
                    p = amp + 1;
                }
            }
            // A reference may run past the ASCII run only by ASCII bytes, which it consumed.
            if (p >= end) break;
            if (*p < 0x80) continue;
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
        AppendUtf8(cp ? cp : '?', out);
    }
    return out;
}

uint32_t Windows1252ToUnicode(unsigned char byte) {
    static constexpr uint16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : byte;
}

uint32_t ReferencedCodePoint(uint32_t codepoint) {
    return codepoint >= 0x80 && codepoint <= 0x9F
               ? Windows1252ToUnicode(static_cast<unsigned char>(codepoint))
               : codepoint;
}

}  // namespace varlo
