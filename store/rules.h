#pragma once
// Rules: what an article says decides whether it is hidden, marked read, starred or notified.
// A rule holds when every one of its conditions does. "Contains" finds what the search box finds,
// in the same folded form (case, accents and compatibility widths ignored; Latin words by their
// beginnings, Japanese by any substring); "matches" is a PCRE2 regular expression, run with a
// match limit so that an expression that backtracks without end counts as no match.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace varlo {

enum class RuleField { kTitle, kText, kTitleOrText, kLink, kAuthor, kCategory };
enum class RuleTest { kContains, kNotContains, kMatches };
enum class RuleAction { kHide, kMarkRead, kStar, kNotify };
// Where a rule applies: every site, the sites of a category of the open subscription file, or
// one site.
enum class RuleScope { kAll, kCategory, kSite };

struct RuleCondition {
    RuleField field = RuleField::kTitleOrText;
    RuleTest test = RuleTest::kContains;
    std::string value;  // UTF-8: the words, or the expression
};

struct Rule {
    int64_t id = 0;  // 0 until stored
    std::string name;
    bool enabled = true;
    RuleScope scope = RuleScope::kAll;
    Text scopeValue;  // the category's name or the site's feed address, as the file holds it
    std::vector<RuleCondition> conditions;
    RuleAction action = RuleAction::kHide;
};

// The English words of the choices (as varlo-cli writes and reads them), and back; none for a
// word that names nothing.
std::string_view FieldName(RuleField field);
std::string_view TestName(RuleTest test);
std::string_view ActionName(RuleAction action);
std::string_view ScopeName(RuleScope scope);
std::optional<RuleField> FieldNamed(std::string_view name);
std::optional<RuleTest> TestNamed(std::string_view name);
std::optional<RuleAction> ActionNamed(std::string_view name);
std::optional<RuleScope> ScopeNamed(std::string_view name);

// Why an expression does not compile, as the user reads it ("正規表現が正しくありません: ..."),
// or empty when it compiles.
std::string RegexError(std::string_view pattern);
// Why a rule cannot be saved (no condition, an empty value, a bad expression, no site), or empty.
std::string RuleError(const Rule& rule);

// What a rule reads of an article: UTF-8, the text as sanitized HTML.
struct RuleArticle {
    std::string_view title;
    std::string_view html;
    std::string_view link;
    std::string_view author;
    std::string_view category;
};

// What the rules that hold for an article do to it.
struct RuleActions {
    bool hide = false;
    bool read = false;
    bool star = false;
    bool notify = false;
    int64_t notifyRule = 0;  // the first rule that asked to tell of it
    bool Any() const { return hide || read || star || notify; }
};

// Where an article comes from, for the rules' scopes.
struct RuleSite {
    Text url;                      // its feed address
    std::vector<Text> categories;  // the categories of the open file that hold it
};

// The enabled rules compiled once, to be run on many articles by one thread at a time.
class RuleSet {
  public:
    // The most steps an expression may take on one text before it counts as no match.
    static constexpr uint32_t kMatchLimit = 1000000;

    // Compiles the enabled rules among `rules`, in their order; one that cannot be saved (see
    // RuleError) is left out.
    explicit RuleSet(const std::vector<Rule>& rules);
    ~RuleSet();
    RuleSet(const RuleSet&) = delete;
    RuleSet& operator=(const RuleSet&) = delete;

    bool Empty() const { return m_rules.empty(); }
    size_t Size() const { return m_rules.size(); }
    // True when a rule applies to a category: the caller then names the site's categories.
    bool NeedsCategories() const { return m_needsCategories; }

    // What the rules do to `article` of `site`.
    RuleActions Evaluate(const RuleArticle& article, const RuleSite& site);
    // Whether rule `index` (of those compiled) holds for `article`, whatever its scope.
    bool Holds(size_t index, const RuleArticle& article);
    // Whether rule `index` applies to articles of `site`.
    bool Covers(size_t index, const RuleSite& site) const;
    RuleAction ActionOf(size_t index) const;

    // The messages since the last call, one per rule whose expression hit its limit.
    std::vector<std::string> TakeMessages();

  private:
    struct Compiled;
    struct Texts;
    bool Holds(Compiled& rule, Texts& texts);

    std::vector<std::unique_ptr<Compiled>> m_rules;
    bool m_needsCategories = false;
    void* m_matchData = nullptr;  // pcre2_match_data*, owned, shared by every expression
    void* m_context = nullptr;    // pcre2_match_context*, owned: the limits
    std::vector<std::string> m_messages;
};

}  // namespace varlo
