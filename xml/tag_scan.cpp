#include "xml/tag_scan.h"

#include <cstring>
#include <string>

#include "platform/text.h"

namespace varlo {
namespace {

constexpr ByteSet kQuoteOrTagEnd("\"'>");

unsigned char LowerAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

}  // namespace

size_t FindTagEnd(std::string_view text, size_t from) {
    size_t pos = from;
    while (true) {
        const size_t at = kQuoteOrTagEnd.FindIn(text, pos);
        if (at == std::string_view::npos || text[at] == '>') return at;
        // A quote opens a value only right after "=": an apostrophe in a stray word opens none.
        size_t before = at;
        while (before > from && IsXmlSpace(text[before - 1])) --before;
        if (before == from || text[before - 1] != '=') {
            pos = at + 1;
            continue;
        }
        // A value never holds "<": a quote that is not closed before the next tag is taken for a
        // typing error, and the tag ends at its next ">" as if it were not there.
        const char quote = text[at];
        size_t close = at + 1;
        while (close < text.size() && text[close] != quote && text[close] != '<') ++close;
        if (close == text.size()) close = std::string_view::npos;
        if (close == std::string_view::npos || text[close] == '<') return text.find('>', at + 1);
        pos = close + 1;
    }
}

std::ptrdiff_t FindEndTag(std::string_view text, std::string_view name, size_t* endTagLength,
                          bool* firstTag) {
    std::string open = "<";
    open += name;
    // The end tag is "</name", white space, ">": the last part is checked when the rest matched.
    std::string close = "</";
    close += name;
    for (char& c : open) c = static_cast<char>(LowerAscii(static_cast<unsigned char>(c)));
    for (char& c : close) c = static_cast<char>(LowerAscii(static_cast<unsigned char>(c)));

    const size_t n = text.size();
    size_t o = 0;
    size_t c = 0;
    long long depth = 0;
    // The '>' that ends the tag of the latest opening seen, reused while it lies ahead.
    size_t knownGt = 0;
    bool knownGtValid = false;
    size_t firstLt = std::string_view::npos;
    for (size_t i = 0; i < n; ++i) {
        if (o == 0 && c == 0) {
            // Both patterns begin with "<": nothing can start before the next one.
            const void* lt = std::memchr(text.data() + i, '<', n - i);
            if (lt == nullptr) return -1;
            i = static_cast<size_t>(static_cast<const char*>(lt) - text.data());
            if (firstLt == std::string_view::npos) firstLt = i;
        }
        const unsigned char b = LowerAscii(static_cast<unsigned char>(text[i]));
        if (b == static_cast<unsigned char>(open[o])) {
            if (++o == open.size()) {
                if (!knownGtValid || knownGt < i) {
                    const size_t gt = FindTagEnd(text, i);
                    knownGt = gt == std::string_view::npos ? n : gt;
                    knownGtValid = true;
                }
                const size_t before = knownGt - 1;
                if (before >= n || text[before] != '/') {
                    ++depth;
                    c = 0;
                }
                o = 0;
            }
        } else {
            o = 0;
        }
        if (b == static_cast<unsigned char>(close[c])) {
            if (++c == close.size()) {
                size_t gt = i + 1;
                while (gt < n && IsXmlSpace(text[gt])) ++gt;
                if (gt < n && text[gt] == '>') {
                    const size_t start = i + 1 - close.size();
                    if (depth == 0) {
                        if (endTagLength) *endTagLength = gt + 1 - start;
                        if (firstTag) *firstTag = start == firstLt;
                        return static_cast<std::ptrdiff_t>(start);
                    }
                    --depth;
                    o = 0;
                    i = gt;
                }
                c = 0;
            }
        } else {
            c = 0;
        }
    }
    return -1;
}

}  // namespace varlo
