#pragma once
// The tokens of the search index. Words of scripts that write spaces between words (Latin, Greek,
// Cyrillic, digits...) are one token each, folded. Japanese, Chinese and Korean write none, so a
// run of their characters gives every character and every overlapping pair of characters: a
// substring of one character is its single token, of two its pair, of more the pairs it holds.
// Emoji and other pictographs are a token each; punctuation and other symbols are none.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/text_fold.h"
#include "store/text_source.h"

namespace varlo {

// A text to be indexed gives every character of a run and its pairs; a text searched for gives
// only what a substring needs: its pairs, or its single character when it has one.
enum class TokenMode { kDocument, kQuery };

struct SearchToken {
    std::string text;                   // folded UTF-8
    CharClass kind = CharClass::kWord;  // kWord, kCjk (a character or a pair) or kSymbol
    size_t begin = 0;                   // the source bytes it stands for
    size_t end = 0;
    bool colocated = false;  // a pair, at the place of its first character's own token
    bool truncated = false;  // a word longer than kMaxWordBytes, cut there
};

class SearchTokenizer {
  public:
    // Words are cut to their first bytes: a long run of letters (a key, an encoded blob) costs the
    // index no more than a word, and a search for it still finds it by these bytes.
    static constexpr size_t kMaxWordBytes = 64;

    SearchTokenizer(std::string_view text, TextForm form, TokenMode mode)
        : m_folder(text, form), m_query(mode == TokenMode::kQuery) {}

    // The next token; false after the last.
    bool Next(SearchToken& out);

  private:
    bool Fill();
    void EndRun();
    void Push(CharClass kind, std::string_view text, size_t begin, size_t end, bool colocated);

    TextFolder m_folder;
    bool m_query;
    bool m_done = false;
    std::vector<SearchToken> m_queue;  // tokens made and not yet handed out
    size_t m_queueAt = 0;
    // The run being read: a word, or the last character of a run of CJK characters.
    CharClass m_run = CharClass::kSeparator;
    std::string m_runText;
    size_t m_runBegin = 0;
    size_t m_runEnd = 0;
    size_t m_runLength = 0;  // characters in the run so far
    bool m_runTruncated = false;
};

// The tokens of `text`, in order (for the query side and for tests).
std::vector<SearchToken> TokenizeForSearch(std::string_view text, TextForm form, TokenMode mode);

}  // namespace varlo
