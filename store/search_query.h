#pragma once
// The user's search words as a query of the full-text index (tokenizer "varlo"). Terms are split
// at spaces (ASCII or ideographic) and must all be found; text in double quotes is one term, its
// words whole and in that order. A Latin word finds the words it begins ("cafe" finds "cafeteria"),
// a run of Japanese or Chinese characters finds that substring. Nothing the user types is FTS5
// syntax: quotes, "*", "-", ":", parentheses, NEAR, OR and NOT are text.
//
// The index holds single characters and pairs, not where they stand, so it finds a superset of
// the hits of a longer run or of a phrase; Matches() then checks a text for each term. The check
// is needed only when NeedsCheck() says so.

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "store/text_source.h"

namespace varlo {

// One term: what a hit must hold.
struct SearchTerm {
    std::string folded;      // folded, with each run of spaces and punctuation as one space
    bool wordStart = false;  // it begins with a word, which must begin a word of the text
    bool wordEnd = false;    // (quoted) it ends with a word, which must end a word of the text
};

class SearchQuery {
  public:
    // True when the words hold nothing to search for (empty, spaces, punctuation only): show no
    // results, and tell no error.
    bool Empty() const { return m_match.empty(); }
    // The expression for "WHERE table MATCH ?"; empty when Empty().
    const std::string& Match() const { return m_match; }
    // True when a text the index finds may lack a term, so that each hit needs Matches().
    bool NeedsCheck() const { return m_needsCheck; }
    const std::vector<SearchTerm>& Terms() const { return m_terms; }
    // True when the index gathers the lists of every word a prefix begins (a prefix longer than
    // its index of word beginnings): the whole list costs the same as any part of it.
    bool GathersPrefixes() const { return m_gathers; }

    // True when the title and text of an article hold every term. `form` is how both are written,
    // as the index table's tokenizer reads them ('varlo html' reads HTML).
    bool Matches(std::string_view title, std::string_view text,
                 TextForm form = TextForm::kPlain) const;
    // True when `folded`, a text as FoldForMatching gives it, holds every term.
    bool MatchesFolded(std::string_view folded) const;

  private:
    friend SearchQuery BuildSearchQuery(std::string_view words);
    std::string m_match;
    bool m_needsCheck = false;
    bool m_gathers = false;
    std::vector<SearchTerm> m_terms;
};

// The query for words typed by the user, in UTF-8.
SearchQuery BuildSearchQuery(std::string_view words);

// The same for system text (code page 932, carried characters as "&#x1F600;").
SearchQuery BuildSearchQueryFromSystemText(std::string_view words);

// The text as the check reads it: folded, each run of separators as one space, none at the ends.
std::string FoldForMatching(std::string_view text, TextForm form);

// Registers the SQL function varlo_search_check(words, title, text[, 'html']) on `db`: 1 when the
// article holds every term of the words (SearchQuery::Matches), else 0. With it, a count or a
// page of hits is one statement:
//   ... WHERE t MATCH ?1 AND varlo_search_check(?2, title, text)
bool RegisterSearchCheck(sqlite3* db);

}  // namespace varlo
