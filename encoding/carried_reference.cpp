#include "encoding/carried_reference.h"

#include <algorithm>
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

NumericReferenceScan ScanNumericReference(std::string_view text, bool upperX) {
    NumericReferenceScan scan;
    if (text.size() < 3 || text[0] != '&' || text[1] != '#') return scan;
    const bool hex = text[2] == 'x' || (upperX && text[2] == 'X');
    size_t i = hex ? 3 : 2;
    const size_t firstDigit = i;
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
        // Once past Unicode the value stays there, however many digits follow.
        if (scan.value < kBeyondUnicode) {
            scan.value = std::min(scan.value * (hex ? 16 : 10) + digit, kBeyondUnicode);
        }
    }
    scan.digits = i - firstDigit;
    if (scan.digits == 0) return NumericReferenceScan{};
    scan.terminated = i < text.size() && text[i] == ';';
    scan.length = scan.terminated ? i + 1 : i;
    return scan;
}

std::optional<NumericReference> ReadNumericReference(std::string_view text) {
    const NumericReferenceScan scan = ScanNumericReference(text, false);
    if (!scan.terminated || scan.value >= kBeyondUnicode) return std::nullopt;
    return NumericReference{scan.value, scan.length};
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

bool IsCarriedReferenceTail(std::string_view tail) {
    std::string reference;
    for (;;) {
        // The check never passes the next "&": the checks of one text look at parts of it that
        // do not overlap, and converting it takes time in proportion to its length.
        if (tail.empty() || tail[0] != '#') return false;
        size_t end = 1;
        while (end < tail.size() && tail[end] != ';' && tail[end] != '&') ++end;
        if (end >= tail.size() || tail[end] != ';') return false;
        reference.assign("&").append(tail.substr(0, end + 1));
        const auto read = ReadNumericReference(reference);
        if (!read || read->length != reference.size()) return false;
        if (IsCarriedCodePoint(read->codepoint)) return true;
        if (reference != kCarriedAmpersand) return false;
        tail.remove_prefix(end + 1);
    }
}

std::string CarryLiteralAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    for (size_t amp = text.find('&'); amp != std::string_view::npos;
         amp = text.find('&', amp + 1)) {
        if (!IsCarriedReferenceTail(text.substr(amp + 1))) continue;
        out.append(text.substr(done, amp - done)).append(kCarriedAmpersand);
        done = amp + 1;
    }
    out.append(text.substr(done));
    return out;
}

std::string UncarryLiteralAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    for (size_t at = text.find(kCarriedAmpersand); at != std::string_view::npos;
         at = text.find(kCarriedAmpersand, at + 1)) {
        if (!IsCarriedReferenceTail(text.substr(at + kCarriedAmpersand.size()))) continue;
        out.append(text.substr(done, at - done)).append(1, '&');
        done = at + kCarriedAmpersand.size();
    }
    out.append(text.substr(done));
    return out;
}

std::string Cp932TextToUtf8(std::string_view cp932) {
    std::string utf8 = Cp932ToUtf8(cp932);
    if (utf8.find(kCarriedAmpersand) == std::string::npos) return utf8;
    return UncarryLiteralAmpersands(utf8);
}

std::string Utf8TextToCp932(std::string_view utf8) {
    if (utf8.find('&') == std::string_view::npos) return Utf8ToCp932(utf8);
    return Utf8ToCp932(CarryLiteralAmpersands(utf8));
}

}  // namespace varlo
