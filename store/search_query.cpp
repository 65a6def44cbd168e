#include "store/search_query.h"

#include <utf8proc.h>

#include <memory>
#include <set>

#include "encoding/carried_reference.h"
#include "store/search_tokens.h"
#include "store/text_fold.h"

namespace varlo {
namespace {

// The most of the typed words that are read, and the most tokens asked of the index: a query of
// more tokens finds no fewer texts for it, and a long chain of them costs FTS5 deep recursion.
constexpr size_t kMaxWordsBytes = 4096;
constexpr size_t kMaxIndexTokens = 32;

// Without a prefix index, FTS5 gathers the whole list of texts of every word a prefix begins
// before giving the first hit (a quarter of a second for three letters in a million articles).
// The index table is made with prefix='3 4' (kSearchPrefixIndex), so that a prefix of 3 or 4
// characters is one lookup. A longer one is gathered; the words it begins are fewer and rarer, as
// the lists gathered for them are short. A table without the prefix index gives the same hits,
// only slower.
constexpr size_t kMinPrefixChars = 3;
constexpr size_t kMaxIndexedPrefixChars = 4;

size_t CharacterCount(std::string_view utf8) {
    size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

bool IsSpace(char32_t c) {
    if (c == ' ' || (c >= '\t' && c <= '\r')) return true;
    if (c < 0x80) return false;
    const utf8proc_category_t category = utf8proc_category(static_cast<utf8proc_int32_t>(c));
    return category == UTF8PROC_CATEGORY_ZS || category == UTF8PROC_CATEGORY_ZL ||
           category == UTF8PROC_CATEGORY_ZP;
}

// The double quote and its full-width and typographic forms (which an input method may give).
bool IsQuote(char32_t c) {
    return c == '"' || c == 0xFF02 || c == 0x201C || c == 0x201D;
}

bool IsMark(char32_t c) {
    const utf8proc_category_t category = utf8proc_category(static_cast<utf8proc_int32_t>(c));
    return category == UTF8PROC_CATEGORY_MN || category == UTF8PROC_CATEGORY_MC ||
           category == UTF8PROC_CATEGORY_ME;
}

// The code point whose UTF-8 ends just before `at` (folded text is valid UTF-8).
char32_t CodePointBefore(std::string_view text, size_t& at) {
    size_t start = at - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    SourceChar c;
    TextSource(text.substr(start, at - start), TextForm::kPlain).Next(c);
    at = start;
    return c.codepoint;
}

// True when the text before `at` ends inside a word (a letter or digit, or the marks it carries).
bool WordBefore(std::string_view text, size_t at) {
    while (at > 0) {
        const char32_t c = CodePointBefore(text, at);
        if (!IsMark(c)) return ClassOf(c) == CharClass::kWord;
    }
    return false;
}

// True when the text from `at` goes on with a word or with marks of the character before it.
bool WordAfter(std::string_view text, size_t at) {
    SourceChar c;
    if (!TextSource(text.substr(at), TextForm::kPlain).Next(c)) return false;
    return IsMark(c.codepoint) || ClassOf(c.codepoint) == CharClass::kWord;
}

bool HoldsTerm(std::string_view haystack, const SearchTerm& term) {
    for (size_t at = haystack.find(term.folded); at != std::string_view::npos;
         at = haystack.find(term.folded, at + 1)) {
        if (term.wordStart && WordBefore(haystack, at)) continue;
        if (term.wordEnd && WordAfter(haystack, at + term.folded.size())) continue;
        return true;
    }
    return false;
}

struct RawTerm {
    std::string text;
    bool quoted = false;
};

// The terms of the words: split at spaces, except inside double quotes (a quote left open runs to
// the end).
std::vector<RawTerm> SplitTerms(std::string_view words) {
    std::vector<RawTerm> terms;
    RawTerm current;
    TextSource source(words, TextForm::kPlain);
    SourceChar c;
    const auto endTerm = [&] {
        if (!current.text.empty()) terms.push_back(current);
        current = RawTerm{};
    };
    while (source.Next(c)) {
        if (IsQuote(c.codepoint)) {
            const bool opening = !current.quoted;
            endTerm();
            current.quoted = opening;
        } else if (!current.quoted && IsSpace(c.codepoint)) {
            endTerm();
        } else {
            current.text.append(words.substr(c.begin, c.end - c.begin));
        }
    }
    endTerm();
    return terms;
}

// An FTS5 string: in double quotes, a quote inside doubled. Operators and column names inside a
// string are text to FTS5.
std::string QuoteFts(std::string_view token) {
    std::string quoted = "\"";
    for (const char c : token) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

}  // namespace

std::string FoldForMatching(std::string_view text, TextForm form) {
    std::string out;
    out.reserve(text.size());
    bool space = false;
    TextFolder folder(text, form);
    FoldedChar c;
    while (folder.Next(c)) {
        if (c.kind == CharClass::kSeparator) {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out.append(c.text);
    }
    return out;
}

bool SearchQuery::Matches(std::string_view title, std::string_view text, TextForm form) const {
    if (m_terms.empty()) return false;
    // A line break, which no term holds, keeps a term from running from the title into the text.
    std::string haystack = FoldForMatching(title, form);
    haystack += '\n';
    haystack += FoldForMatching(text, form);
    for (const SearchTerm& term : m_terms) {
        if (!HoldsTerm(haystack, term)) return false;
    }
    return true;
}

bool SearchQuery::MatchesFolded(std::string_view folded) const {
    if (m_terms.empty()) return false;
    for (const SearchTerm& term : m_terms) {
        if (!HoldsTerm(folded, term)) return false;
    }
    return true;
}

SearchQuery BuildSearchQuery(std::string_view words) {
    SearchQuery query;
    // Pasted pages are cut to what a search box holds, at a character's start.
    if (words.size() > kMaxWordsBytes) {
        size_t cut = kMaxWordsBytes;
        while (cut > 0 && (static_cast<unsigned char>(words[cut]) & 0xC0) == 0x80) --cut;
        words = words.substr(0, cut);
    }
    std::set<std::string> seen;
    size_t indexed = 0;
    for (const RawTerm& raw : SplitTerms(words)) {
        const std::vector<SearchToken> tokens =
            TokenizeForSearch(raw.text, TextForm::kPlain, TokenMode::kQuery);
        if (tokens.empty()) continue;  // punctuation alone: nothing the index could find
        SearchTerm term;
        term.folded = FoldForMatching(raw.text, TextForm::kPlain);
        term.wordStart = tokens.front().kind == CharClass::kWord;
        term.wordEnd =
            raw.quoted && tokens.back().kind == CharClass::kWord && !tokens.back().truncated;
        bool check = tokens.size() > 1;
        for (const SearchToken& token : tokens) {
            check = check || token.truncated;
            // Words typed bare find the words they begin; quoted ones find themselves.
            const bool prefix = token.kind == CharClass::kWord && (!raw.quoted || token.truncated);
            // One or two letters begin too many words to be worth it: they find the word itself.
            std::string expression = QuoteFts(token.text);
            if (prefix && CharacterCount(token.text) >= kMinPrefixChars) {
                expression += '*';
                query.m_gathers =
                    query.m_gathers || CharacterCount(token.text) > kMaxIndexedPrefixChars;
            }
            if (!seen.insert(expression).second) continue;
            if (indexed == kMaxIndexTokens) {
                // The index is asked for the first tokens only; the check sees to the rest.
                check = true;
                continue;
            }
            ++indexed;
            if (!query.m_match.empty()) query.m_match += " AND ";
            query.m_match += expression;
        }
        query.m_needsCheck = query.m_needsCheck || check;
        query.m_terms.push_back(std::move(term));
    }
    return query;
}

SearchQuery BuildSearchQueryFromSystemText(std::string_view words) {
    return BuildSearchQuery(Cp932TextToUtf8(words));
}

namespace {

std::string_view ValueText(sqlite3_value* value) {
    // Text may have been stored as a blob of UTF-8 (the store binds its text so).
    const void* bytes = sqlite3_value_type(value) == SQLITE_BLOB ? sqlite3_value_blob(value)
                                                                 : sqlite3_value_text(value);
    if (bytes == nullptr) return {};
    return {static_cast<const char*>(bytes), static_cast<size_t>(sqlite3_value_bytes(value))};
}

void DeleteQuery(void* query) {
    delete static_cast<SearchQuery*>(query);
}

void SearchCheck(sqlite3_context* context, int argCount, sqlite3_value** args) {
    if (argCount != 3 && argCount != 4) {
        sqlite3_result_error(context, "varlo_search_check(words, title, text[, 'html'])", -1);
        return;
    }
    const TextForm form =
        argCount == 4 && ValueText(args[3]) == "html" ? TextForm::kHtml : TextForm::kPlain;
    try {
        // The words are the same for every row of a statement: they are read once.
        if (const auto* cached = static_cast<const SearchQuery*>(sqlite3_get_auxdata(context, 0))) {
            sqlite3_result_int(context,
                               cached->Matches(ValueText(args[1]), ValueText(args[2]), form));
            return;
        }
        auto query = std::make_unique<SearchQuery>(BuildSearchQuery(ValueText(args[0])));
        sqlite3_result_int(context, query->Matches(ValueText(args[1]), ValueText(args[2]), form));
        sqlite3_set_auxdata(context, 0, query.release(), DeleteQuery);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    }
}

}  // namespace

bool RegisterSearchCheck(sqlite3* db) {
    return sqlite3_create_function_v2(db, "varlo_search_check", -1,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, SearchCheck,
                                      nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace varlo
