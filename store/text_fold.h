#pragma once
// Folding of text for search: two texts that a reader takes for the same words fold alike.
// Compatibility forms become their plain form (NFKC: "ＡＢＣ" -> "abc", half-width "ｶﾒﾗ" ->
// "カメラ", "ｶﾞ" -> "ガ"), case is folded ("Straße" -> "strasse"), the accents of Latin, Greek and
// Cyrillic letters go ("café" -> "cafe"), and characters that show nothing (soft hyphens, joiners,
// variation selectors) are dropped. Hiragana and katakana stay apart, and so do the voiced marks
// of kana: "ガ" never folds to "カ".

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/text_source.h"

namespace varlo {

// What a folded character is to search.
enum class CharClass : uint8_t {
    kSeparator,  // space, punctuation and the symbols search ignores: it splits words
    kWord,       // a letter or digit of a script that writes spaces between words
    kCjk,        // a Han character, hiragana, katakana or Hangul: found by any substring
    kSymbol,     // an emoji or another pictograph: found as itself
};

// One folded character: a base character with the marks it keeps, as UTF-8.
struct FoldedChar {
    std::string_view text;  // valid until the next call to Next
    CharClass kind = CharClass::kSeparator;
    size_t begin = 0;  // the source bytes it came from
    size_t end = 0;
};

// Reads a text as folded characters. A source character may fold to several ("ﬁ" -> "f", "i";
// "㍻" -> "平", "成"), each then standing for the same source bytes.
class TextFolder {
  public:
    TextFolder(std::string_view text, TextForm form) : m_source(text, form) {}

    bool Next(FoldedChar& out);

  private:
    struct Piece {
        char32_t codepoint;
        size_t begin;
        size_t end;
    };
    bool Attaches(char32_t codepoint) const;
    void Finish(FoldedChar& out);

    TextSource m_source;
    std::vector<Piece> m_cluster;  // the character being gathered: a base and its marks
    char32_t m_ready[32] = {};     // the decomposition of the last source character
    size_t m_readySize = 0;
    size_t m_readyAt = 0;
    SourceChar m_readyFrom;
    std::string m_text;  // the folded character handed out last
};

// The class of a character that folding gives.
CharClass ClassOf(char32_t folded);

// The folded text of plain UTF-8 text.
std::string FoldForSearch(std::string_view utf8);

// The folded text of system text (code page 932, characters it lacks carried as references such
// as "&#x1F600;"): the carried characters count as themselves.
std::string FoldSystemTextForSearch(std::string_view systemText);

}  // namespace varlo
