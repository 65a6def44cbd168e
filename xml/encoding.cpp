#include "xml/encoding.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "encoding/codepage.h"

namespace varlo {

namespace {

// The check a character at a time: ASCII runs eight bytes at a time, then whole sequences.
bool IsUtf8Bytewise(const unsigned char* p, const unsigned char* end) {
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

#if defined(__x86_64__) && defined(__GNUC__)
#define VARLO_UTF8_VECTOR 1
// Thirty-two bytes at `q` (the three before them readable too) checked at once. A byte must be a
// continuation byte exactly when a lead byte before it asks for one: a two-byte lead for the next
// byte, a three-byte lead for the next two, a four-byte lead for the next three. That is the same
// test as reading whole sequences, without a branch per character. Answers the bytes that break
// it, or that no UTF-8 holds, as a bit mask. The wide instructions also keep clear of the penalty
// that the older 16-byte ones pay after the C library's own wide routines.
__attribute__((target("avx2"))) inline unsigned BadLanes(const unsigned char* q) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
    const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q - 1));
    const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q - 2));
    const __m256i v3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q - 3));
    // Non-zero where the byte before is a lead (C0 and up), two before a lead of three or four
    // bytes (E0 and up), three before a lead of four (F0 and up).
    const __m256i asks = _mm256_or_si256(
        _mm256_subs_epu8(v1, _mm256_set1_epi8(static_cast<char>(0xBF))),
        _mm256_or_si256(_mm256_subs_epu8(v2, _mm256_set1_epi8(static_cast<char>(0xDF))),
                        _mm256_subs_epu8(v3, _mm256_set1_epi8(static_cast<char>(0xEF)))));
    const __m256i notAsked = _mm256_cmpeq_epi8(asks, zero);
    // 80 to BF, as signed bytes below -64.
    const __m256i continuation = _mm256_cmpgt_epi8(_mm256_set1_epi8(-64), v);
    // All ones where the byte is what the bytes before it ask for.
    const __m256i fits = _mm256_xor_si256(continuation, notAsked);
    // F5 to FF begin no character.
    const __m256i noLead =
        _mm256_cmpeq_epi8(_mm256_subs_epu8(v, _mm256_set1_epi8(static_cast<char>(0xF4))), zero);
    return ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(fits, noLead)));
}

__attribute__((target("avx2"))) bool IsUtf8Vector(const unsigned char* p, size_t n) {
    // The first block is read from a copy with three ASCII bytes before it, and the last from a
    // copy with ASCII after it: a sequence cut off at the end asks for a continuation byte where
    // that ASCII stands.
    unsigned char head[64] = {};
    std::memcpy(head + 32, p, 32);
    unsigned bad = BadLanes(head + 32);
    size_t i = 32;
    for (; i + 128 <= n; i += 128) {
        bad |= BadLanes(p + i) | BadLanes(p + i + 32) | BadLanes(p + i + 64) | BadLanes(p + i + 96);
        if (bad) return false;
    }
    for (; i + 32 <= n; i += 32) bad |= BadLanes(p + i);
    unsigned char tail[64] = {};
    std::memcpy(tail, p + i - 3, n - i + 3);
    return (bad | BadLanes(tail + 3)) == 0;
}
#endif

}  // namespace

bool IsUTF8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
#ifdef VARLO_UTF8_VECTOR
    static const bool wide = __builtin_cpu_supports("avx2");
    if (n >= 64 && wide) return IsUtf8Vector(p, n);
#endif
    return IsUtf8Bytewise(p, p + n);
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
