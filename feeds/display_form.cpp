#include "feeds/display_form.h"

#include <algorithm>
#include <cstdint>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "feeds/address.h"
#include "feeds/html_elements.h"
#include "feeds/html_entities.h"
#include "feeds/html_form.h"
#include "feeds/rss_file.h"
#include "feeds/rss_item.h"
#include "platform/text.h"

namespace varlo {
namespace {

// Appends a decoded character to code page 932 text: its code page bytes, or its carried form
// when the code page lacks it. NUL, surrogates and values beyond Unicode give U+FFFD, so that a
// hostile reference never yields a control byte.
void AppendCodePointCp932(Text& out, uint32_t codepoint) {
    if (codepoint == 0 || codepoint > 0x10FFFF || (codepoint >= 0xD800 && codepoint <= 0xDFFF)) {
        codepoint = 0xFFFD;
    }
    if (codepoint < 0x80) {
        out.push_back(static_cast<char>(codepoint));
    } else if (IsCarriedCodePoint(codepoint)) {
        AppendCarriedReference(codepoint, out);
    } else {
        const uint16_t code = UnicodeToCp932Code(codepoint);
        if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
        out.push_back(static_cast<char>(code & 0xFF));
    }
}

// The code point of the well-formed reference at `text[at]` (an "&") and its length; length 0 when
// there is none. Numbers beyond Unicode still count as references (they decode to U+FFFD).
struct Reference {
    uint32_t codepoint = 0;
    size_t length = 0;
};

Reference ReadReference(std::string_view text, size_t at) {
    size_t p = at + 1;
    if (p < text.size() && text[p] == '#') {
        const NumericReferenceScan scan = ScanNumericReference(text.substr(at), true);
        if (!scan.terminated) return {};
        return {ReferencedCodePoint(scan.value), scan.length};
    }
    const size_t name = p;
    while (p < text.size() && p - name <= 32 && (IsAsciiAlpha(text[p]) || IsAsciiDigit(text[p])))
        ++p;
    if (p == name || p >= text.size() || text[p] != ';') return {};
    const uint32_t cp = LookupHtmlEntity(text.substr(name, p - name));
    if (cp == 0) return {};
    return {cp, p + 1 - at};
}

// Finds the markup in a text: a tag, a comment, a declaration or a processing instruction, from
// its "<" through its closing ">". The last closing delimiters are found once, so that a text of
// many "<" without any ">" after them costs one pass, not one search per "<".
class MarkupFinder {
  public:
    explicit MarkupFinder(std::string_view text)
        : m_text(text), m_lastGt(text.rfind('>')), m_lastCommentEnd(text.rfind("-->")) {}

    // Length of the markup at `m_text[at]` (a "<"); 0 when "<" starts none (as in "a < b") or
    // never closes.
    size_t LengthAt(size_t at) const {
        const size_t next = at + 1;
        if (next >= m_text.size()) return 0;
        const char c = m_text[next];
        if (m_text.substr(next).starts_with("!--") && m_lastCommentEnd != std::string_view::npos &&
            m_lastCommentEnd >= next + 3) {
            return m_text.find("-->", next + 3) + 3 - at;
        }
        if (!IsAsciiAlpha(c) && c != '/' && c != '!' && c != '?') return 0;
        if (m_lastGt == std::string_view::npos || m_lastGt < next) return 0;
        if ((IsAsciiAlpha(c) || c == '/') && !IsTagName(next + (c == '/' ? 1 : 0))) return 0;
        return m_text.find('>', next) + 1 - at;
    }

  private:
    // Whether the name at `m_text[from]` makes a tag: an HTML element, or a name with a prefix
    // or a hyphen (Word's "o:p", custom elements). Angle brackets around other words are text a
    // title means ("Option<T>", "Map<K, V>").
    bool IsTagName(size_t from) const {
        size_t end = from;
        bool qualified = false;
        while (end < m_text.size() && (IsAsciiAlnum(m_text[end]) || m_text[end] == '-' ||
                                       m_text[end] == ':' || m_text[end] == '_')) {
            qualified = qualified || m_text[end] == '-' || m_text[end] == ':';
            ++end;
        }
        if (end == from || !IsAsciiAlpha(m_text[from]) || end >= m_text.size()) return false;
        if (m_text[end - 1] == ':' || m_text[end - 1] == '-') return false;  // "<T: Clone>"
        const char after = m_text[end];
        if (!IsHtmlSpace(after) && after != '/' && after != '>') return false;
        return qualified || IsHtmlElementName(m_text.substr(from, end - from));
    }

    std::string_view m_text;
    size_t m_lastGt;
    size_t m_lastCommentEnd;
};

// Some publishing tools encode UTF-8 twice: every character then arrives as two or three Latin-1
// characters ("FÃ³rmula"). A text made only of characters up to U+00FF whose Latin-1 bytes are
// themselves well-formed UTF-8 with at least one multi-byte character is such a text, and reads
// as that UTF-8. Japanese text never qualifies: its characters lie far above U+00FF.
void RepairDoubleEncoding(Text& text) {
    // Characters beyond ASCII are code page bytes or carried references.
    if (IsAsciiText(text) && text.find("&#") == Text::npos) return;
    const std::string utf8 = Cp932ToUtf8(text);
    std::string latin1;
    latin1.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1.push_back(static_cast<char>(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            latin1.push_back(static_cast<char>(((c & 0x1F) << 6) | (next & 0x3F)));
        } else {
            return;  // a character above U+00FF
        }
    }
    Text repaired;
    if (StrictUtf8ToCp932(latin1, repaired)) text = std::move(repaired);
}

}  // namespace

Text DecodeReferences(std::string_view text) {
    Text out;
    out.reserve(text.size());
    size_t done = 0;
    for (size_t amp = text.find('&'); amp != std::string_view::npos;
         amp = text.find('&', amp + 1)) {
        const Reference ref = ReadReference(text, amp);
        if (ref.length == 0) continue;
        out.append(text.substr(done, amp - done));
        AppendCodePointCp932(out, ref.codepoint);
        done = amp + ref.length;
        amp = done - 1;
    }
    out.append(text.substr(done));
    return out;
}

Text DecodeToHtmlText(std::string_view text) {
    Text out;
    out.reserve(text.size());
    const auto escape = [&out](char c) { AppendHtmlEscaped(out, std::string_view(&c, 1)); };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            // The run up to the next reference is escaped whole.
            const size_t next = std::min(text.find('&', i), text.size());
            AppendHtmlEscaped(out, text.substr(i, next - i));
            i = next - 1;
            continue;
        }
        const Reference ref = ReadReference(text, i);
        if (ref.length == 0) {
            escape('&');
            continue;
        }
        // One character: its bytes (escaped when it is markup), or a reference that HTML reads.
        Text character;
        AppendCodePointCp932(character, ref.codepoint);
        if (character.size() > 2) {
            out += character;
        } else {
            for (const char c : character) escape(c);
        }
        i += ref.length - 1;
    }
    return out;
}

namespace {

// `text` on one line: runs of white space made one space, both ends trimmed and, when
// `removeMarkup`, markup ("<b>", "</a>", comments) left out.
Text OneLine(std::string_view text, bool removeMarkup) {
    const MarkupFinder markup(text);
    Text out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '<' && removeMarkup) {
            if (const size_t length = markup.LengthAt(i)) {
                i += length - 1;
                continue;
            }
        }
        if (IsHtmlSpace(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out.push_back(' ');
        pendingSpace = false;
        out.push_back(c);
    }
    return out;
}

}  // namespace

Text DisplayText(std::string_view raw) {
    Text out = OneLine(DecodeReferences(raw), true);
    RepairDoubleEncoding(out);
    return out;
}

Text DisplayTitle(std::string_view raw, int kind) {
    Text out;
    if (kind == kKindText) {
        out = OneLine(DecodeReferences(raw), false);
    } else {
        // HTML as a browser shows it: the XML references give the markup, which is left out,
        // and what remains is HTML text with references of its own. The text of XHTML has no
        // markup left, only those references.
        const Text markup = DecodeReferences(raw);
        out = OneLine(DecodeReferences(kind == kKindHtml ? OneLine(markup, true) : markup), false);
    }
    RepairDoubleEncoding(out);
    return out;
}

Text DisplayLink(std::string_view raw, std::string_view base) {
    Text decoded = DecodeReferences(raw);
    // Some publishing tools escape an address for HTML and then again for XML
    // ("?a=1&amp;amp;b=2"). An address never means a literal "&amp;": it is the "&" between
    // query fields, and the page would not open with it.
    for (size_t at = decoded.find("&amp;"); at != Text::npos; at = decoded.find("&amp;", at + 1)) {
        decoded.erase(at + 1, 4);
    }
    const std::string_view link = Trim(decoded, " \t\r\n\f");
    // An article without a link has none: it must not open the feed's own address.
    if (link.empty() || base.empty()) return Text(link);
    return ResolveAddress(link, base);
}

namespace {

// A base of the feed in display form, resolved against the feed's own address.
Text EffectiveBase(const CRssFile& feed, const Text& base) {
    const Text address(Trim(feed.m_strAddress, " \t\r\n\f"));
    if (base.empty()) return address;
    return address.empty() ? base : ResolveAddress(base, address);
}

}  // namespace

Text DisplayLinkOf(const CRssFile& feed) {
    return DisplayLink(feed.m_strLink, EffectiveBase(feed, feed.m_strBase));
}

Text DisplayLinkOf(const CRssFile& feed, const CRssItem& item) {
    return DisplayLink(item.m_strLink, EffectiveBase(feed, item.Base()));
}

Text DisplayLinkOf(const CRssFile& feed, const MediaLink& media) {
    return DisplayLink(media.url, EffectiveBase(feed, media.base));
}

Text ContentBaseOf(const CRssFile& feed, const CRssItem& item) {
    if (!item.Base().empty()) return EffectiveBase(feed, item.Base());
    Text link = DisplayLinkOf(feed, item);
    if (IsWebAddress(link)) return link;
    const Text address(Trim(feed.m_strAddress, " \t\r\n\f"));
    if (!address.empty()) return address;
    return DisplayLinkOf(feed);
}

}  // namespace varlo
