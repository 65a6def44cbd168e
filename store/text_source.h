#pragma once
// The characters of a text that search looks at, each with the bytes it came from: plain UTF-8, or
// the text of HTML (what a reader sees: tags are left out, character references become their
// characters). Search folds and splits what this gives, so that the index and the check of a hit
// read a text alike.

#include <cstddef>
#include <string_view>

namespace varlo {

// How a text given to search is written.
enum class TextForm {
    kPlain,  // UTF-8 as it is read
    kHtml,   // UTF-8 HTML: markup is no text
};

// One character of a text and the bytes [begin, end) it stands for.
struct SourceChar {
    char32_t codepoint = 0;
    size_t begin = 0;
    size_t end = 0;
};

// Reads a text character by character. Bytes that are not UTF-8 read as a space, so that a damaged
// text still has its words found around them. In HTML, a tag reads as a space unless it is one of
// the elements that sit inside a line of text (b, i, a, span...), which would otherwise split a
// word that they mark up; the content of script and style reads as nothing, as comments do.
class TextSource {
  public:
    TextSource(std::string_view text, TextForm form)
        : m_text(text), m_html(form == TextForm::kHtml) {}

    // The next character; false at the end of the text.
    bool Next(SourceChar& out);
    // Whether the text ends here or goes on with an ASCII character that is text as it stands (no
    // reference, no markup): nothing that follows can join the character before it.
    bool EndsOrAsciiTextNext() const {
        if (m_at >= m_text.size()) return true;
        const auto c = static_cast<unsigned char>(m_text[m_at]);
        return c < 0x80 && !(m_html && (c == '<' || c == '&'));
    }
    // The next character when it is ASCII text followed by the end or more ASCII text; false,
    // reading nothing, otherwise. A fast path for the bulk of Latin text.
    bool NextLoneAscii(SourceChar& out) {
        if (m_at >= m_text.size()) return false;
        const auto c = static_cast<unsigned char>(m_text[m_at]);
        if (c >= 0x80 || (m_html && (c == '<' || c == '&'))) return false;
        ++m_at;
        if (!EndsOrAsciiTextNext()) {
            --m_at;
            return false;
        }
        out = SourceChar{c, m_at - 1, m_at};
        return true;
    }

  private:
    bool NextHtml(SourceChar& out);
    bool ReadReference(SourceChar& out);
    // Skips the markup that starts at m_at ("<" followed by a tag, comment or declaration);
    // false when what follows "<" is not markup (the "<" is text then). `separates` tells whether
    // the tag breaks the text it stands in.
    bool SkipMarkup(bool& separates);
    void ReadUtf8(SourceChar& out);

    std::string_view m_text;
    bool m_html;
    size_t m_at = 0;
    bool m_unclosed = false;  // a tag was left open: no "<" after it starts markup
};

}  // namespace varlo
