#include "store/text_source.h"

#include <algorithm>
#include <array>
#include <string>

#include "encoding/carried_reference.h"
#include "feeds/html_entities.h"
#include "platform/text.h"

namespace varlo {
namespace {

constexpr char32_t kSpace = U' ';

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Elements that mark up a part of a line: a word they cut through stays one word.
bool IsInlineElement(std::string_view name) {
    static constexpr std::array<std::string_view, 27> kInline = {
        "a",    "abbr",  "b",    "bdi",    "bdo", "cite", "code", "data", "del",
        "dfn",  "em",    "font", "i",      "ins", "kbd",  "mark", "q",    "s",
        "samp", "small", "span", "strong", "sub", "sup",  "time", "u",    "var"};
    return std::find(kInline.begin(), kInline.end(), name) != kInline.end();
}

// The position just past the first case-insensitive `needle` (lower case) in `text` at or after
// `from`; npos when absent.
size_t FindLowerCase(std::string_view text, size_t from, std::string_view needle) {
    for (size_t i = from; i + needle.size() <= text.size(); ++i) {
        size_t j = 0;
        while (j < needle.size() && AsciiLower(text[i + j]) == needle[j]) ++j;
        if (j == needle.size()) return i + j;
    }
    return std::string_view::npos;
}

}  // namespace

bool TextSource::Next(SourceChar& out) {
    if (m_at >= m_text.size()) return false;
    if (m_html) return NextHtml(out);
    ReadUtf8(out);
    return true;
}

void TextSource::ReadUtf8(SourceChar& out) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_text.data());
    const size_t size = m_text.size();
    const size_t start = m_at;
    const unsigned char lead = bytes[start];
    out.begin = start;
    if (lead < 0x80) {
        out.codepoint = lead;
        out.end = m_at = start + 1;
        return;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    }
    bool valid = length != 0 && start + length <= size;
    for (size_t i = 1; valid && i < length; ++i) {
        const unsigned char trail = bytes[start + i];
        valid = (trail & 0xC0) == 0x80;
        value = (value << 6) | (trail & 0x3F);
    }
    valid = valid && value >= least && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
    if (!valid) {
        // One byte at a time, so that the next character is still found.
        out.codepoint = kSpace;
        out.end = m_at = start + 1;
        return;
    }
    out.codepoint = value;
    out.end = m_at = start + length;
}

bool TextSource::NextHtml(SourceChar& out) {
    while (m_at < m_text.size()) {
        const size_t start = m_at;
        const char c = m_text[start];
        if (c == '<') {
            bool separates = false;
            if (SkipMarkup(separates)) {
                if (!separates) continue;
                out = SourceChar{kSpace, start, m_at};
                return true;
            }
            out = SourceChar{U'<', start, ++m_at};
            return true;
        }
        if (c == '&' && ReadReference(out)) return true;
        ReadUtf8(out);
        return true;
    }
    return false;
}

bool TextSource::ReadReference(SourceChar& out) {
    const size_t start = m_at;
    size_t i = start + 1;
    char32_t value = 0;
    if (i < m_text.size() && m_text[i] == '#') {
        const NumericReferenceScan scan = ScanNumericReference(m_text.substr(start), true);
        if (!scan.terminated) return false;
        i = start + scan.length - 1;
        value = scan.value;
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            value = kSpace;
        }
    } else {
        const size_t nameStart = i;
        while (i < m_text.size() && i - nameStart < 32 &&
               (IsAsciiLetter(m_text[i]) || (m_text[i] >= '0' && m_text[i] <= '9'))) {
            ++i;
        }
        if (i == nameStart || i >= m_text.size() || m_text[i] != ';') return false;
        value = LookupHtmlEntity(m_text.substr(nameStart, i - nameStart));
        if (value == 0) return false;
    }
    m_at = i + 1;
    out = SourceChar{value, start, m_at};
    return true;
}

bool TextSource::SkipMarkup(bool& separates) {
    const size_t start = m_at;
    if (m_unclosed || start + 1 >= m_text.size()) return false;
    const char next = m_text[start + 1];
    if (m_text.substr(start, 4) == "<!--") {
        const size_t close = m_text.find("-->", start + 4);
        m_at = close == std::string_view::npos ? m_text.size() : close + 3;
        separates = false;
        return true;
    }
    if (next == '!' || next == '?') {
        const size_t close = m_text.find('>', start + 2);
        m_at = close == std::string_view::npos ? m_text.size() : close + 1;
        separates = true;
        return true;
    }
    const bool endTag = next == '/';
    size_t i = start + (endTag ? 2 : 1);
    if (i >= m_text.size() || !IsAsciiLetter(m_text[i])) return false;
    std::string name;
    while (i < m_text.size() && (IsAsciiLetter(m_text[i]) ||
                                 (m_text[i] >= '0' && m_text[i] <= '9') || m_text[i] == '-')) {
        if (name.size() < 16) name += AsciiLower(m_text[i]);
        ++i;
    }
    // Attribute values may hold ">" inside quotes.
    char quote = 0;
    for (; i < m_text.size(); ++i) {
        const char c = m_text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            break;
        }
    }
    if (i >= m_text.size()) {
        // No tag closes before the end, from here or from any later "<": the rest is text, read
        // without scanning it again for every "<" it holds.
        m_unclosed = true;
        return false;
    }
    m_at = i + 1;
    separates = !IsInlineElement(name);
    if (!endTag && (name == "script" || name == "style") && m_text[i - 1] != '/') {
        const size_t close = FindLowerCase(m_text, m_at, name == "script" ? "</script" : "</style");
        // The end tag itself is read as markup next.
        m_at = close == std::string_view::npos ? m_text.size() : close - (name.size() + 2);
    }
    return true;
}

}  // namespace varlo
