#pragma once
// Scanning markup for the ends of tags, without reading it into nodes: the parser finds each
// element's extent this way, and so do the readers that only look for a few tags.

#include <cstddef>
#include <string_view>

namespace varlo {

// A few bytes looked for in every tag. The library's find_first_of looks each byte of the text up
// in the set with a call of its own, which made it the largest cost of a parse.
class ByteSet {
  public:
    constexpr explicit ByteSet(std::string_view bytes) {
        for (const char c : bytes) m_has[static_cast<unsigned char>(c)] = true;
    }
    // Position of the first byte of the set at or after `from`; npos when none.
    size_t FindIn(std::string_view text, size_t from = 0) const {
        for (size_t i = from; i < text.size(); ++i) {
            if (m_has[static_cast<unsigned char>(text[i])]) return i;
        }
        return std::string_view::npos;
    }

  private:
    bool m_has[256] = {};
};

// Position in `text` where the end tag closing an element called `name` begins ("</name>", white
// space allowed before its ">"), or -1. `endTagLength`, when given, receives the end tag's length;
// `firstTag`, whether the end tag is the first "<" of the text (the content is then plain text).
std::ptrdiff_t FindEndTag(std::string_view text, std::string_view name,
                          size_t* endTagLength = nullptr, bool* firstTag = nullptr);

// Position of the ">" that ends the tag beginning at or after `from`: the first one outside a
// quoted attribute value; npos when there is none.
size_t FindTagEnd(std::string_view text, size_t from);

}  // namespace varlo
