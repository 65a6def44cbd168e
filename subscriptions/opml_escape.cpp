#include "subscriptions/opml_escape.h"

#include <cstdint>
#include <string>
#include <vector>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"

namespace varlo {
namespace {

// The longest numeric reference worth reading: "&#x10FFFF;" and "&#1114111;" fit, and leading
// zeros beyond this are not something a writer produces.
constexpr size_t kMaxReferenceLength = 12;

void AppendNumericReference(Text& out, unsigned char c) {
    out += "&#";
    out += std::to_string(static_cast<unsigned>(c));
    out += ';';
}

// Appends the character of `reference` (from "&" to ";"). False, with nothing appended, when it
// is not a reference this reader decodes.
bool DecodeOne(std::string_view reference, Text& out) {
    const std::string_view name = reference.substr(1, reference.size() - 2);
    if (name == "amp") {
        out += '&';
    } else if (name == "lt") {
        out += '<';
    } else if (name == "gt") {
        out += '>';
    } else if (name == "quot") {
        out += '"';
    } else if (name == "apos") {
        out += '\'';
    } else if (name.starts_with('#')) {
        const auto read = ReadNumericReference(reference);
        if (!read || read->length != reference.size()) return false;
        const uint32_t cp = read->codepoint;
        // A character the code page cannot hold keeps its reference: nothing is lost, and the
        // user sees what the file says.
        const uint16_t code = cp == 0 ? 0 : UnicodeToCp932Code(cp);
        if (code == 0) return false;
        if (code > 0xFF) out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    } else {
        return false;
    }
    return true;
}

// Characters XML 1.0 allows nowhere, not even as references: U+FFFE and U+FFFF (the C0 controls
// other than tab, line feed and carriage return are handled byte by byte).
bool IsNonCharacter(uint32_t codepoint) {
    return codepoint == 0xFFFE || codepoint == 0xFFFF;
}

template <bool kAttribute>
Text Escape(std::string_view text, int* leftOut) {
    Text out;
    out.reserve(text.size() + text.size() / 8);
    int dropped = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '&':
                if (const auto reference = ReadNumericReference(text.substr(i));
                    reference && IsCarriedCodePoint(reference->codepoint)) {
                    if (IsNonCharacter(reference->codepoint)) {
                        ++dropped;
                    } else {
                        // A carried character stays a reference here: the writer turns it into
                        // the character itself.
                        out.append(text.substr(i, reference->length));
                    }
                    i += reference->length - 1;
                } else if (text.substr(i).starts_with(kCarriedAmpersand) &&
                           IsCarriedReferenceTail(text.substr(i + kCarriedAmpersand.size()))) {
                    // A literal "&" before what would read as a carried character: written as
                    // "&amp;", the rest follows as the text it is.
                    out += "&amp;";
                    i += kCarriedAmpersand.size() - 1;
                } else {
                    out += "&amp;";
                }
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                if (kAttribute) {
                    out += "&quot;";
                } else {
                    out += ch;
                }
                break;
            default:
                if (c >= 0x20) {
                    out += ch;
                } else if (c != '\t' && c != '\n' && c != '\r') {
                    // No XML 1.0 file may hold another control character, not even as a
                    // reference: strict readers would refuse the whole file.
                    ++dropped;
                } else if (kAttribute || c == '\r') {
                    AppendNumericReference(out, c);
                } else {
                    out += ch;
                }
        }
    }
    if (leftOut) *leftOut += dropped;
    return out;
}

}  // namespace

Text EscapeOpmlAttribute(std::string_view text, int* leftOut) {
    return Escape<true>(text, leftOut);
}

Text EscapeOpmlContent(std::string_view text, int* leftOut) {
    return Escape<false>(text, leftOut);
}

Text DecodeOpmlReferences(std::string_view text) {
    size_t amp = text.find('&');
    if (amp == std::string_view::npos) return Text(text);
    Text out;
    out.reserve(text.size());
    std::vector<size_t> ampersands;  // where a reference gave a literal "&" in `out`
    size_t done = 0;
    while (amp != std::string_view::npos) {
        out.append(text, done, amp - done);
        const size_t semi = text.substr(amp, kMaxReferenceLength).find(';');
        const size_t before = out.size();
        if (semi != std::string_view::npos && DecodeOne(text.substr(amp, semi + 1), out)) {
            if (out.size() == before + 1 && out.back() == '&') ampersands.push_back(before);
            done = amp + semi + 1;
        } else {
            out += '&';
            done = amp + 1;
        }
        amp = text.find('&', done);
    }
    out.append(text, done);
    if (ampersands.empty()) return out;
    // A literal "&" that would read as the start of a carried character ("&amp;#x1F600;" in the
    // file) is held apart from one, so that it stays text.
    Text held;
    held.reserve(out.size() + 8);
    size_t copied = 0;
    for (const size_t at : ampersands) {
        if (!IsCarriedReferenceTail(std::string_view(out).substr(at + 1))) continue;
        held.append(out, copied, at - copied).append(kCarriedAmpersand);
        copied = at + 1;
    }
    held.append(out, copied);
    return held;
}

}  // namespace varlo
