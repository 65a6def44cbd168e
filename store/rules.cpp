#include "store/rules.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <utility>

#include "encoding/carried_reference.h"
#include "store/search_query.h"
#include "store/text_source.h"

namespace varlo {
namespace {

constexpr std::array<std::string_view, 6> kFieldNames = {"title", "text",   "title_or_text",
                                                         "link",  "author", "category"};
constexpr std::array<std::string_view, 3> kTestNames = {"contains", "not_contains", "matches"};
constexpr std::array<std::string_view, 4> kActionNames = {"hide", "mark_read", "star", "notify"};
constexpr std::array<std::string_view, 3> kScopeNames = {"all", "category", "site"};

template <typename Enum, size_t N>
std::optional<Enum> Named(const std::array<std::string_view, N>& names, std::string_view name) {
    for (size_t i = 0; i < N; ++i) {
        if (names[i] == name) return static_cast<Enum>(i);
    }
    return std::nullopt;
}

// Case is folded as "contains" folds it: an expression written in lower case finds a title in
// capitals. Text that is not UTF-8 is read rather than refused.
constexpr uint32_t kRegexOptions = PCRE2_UTF | PCRE2_CASELESS | PCRE2_MATCH_INVALID_UTF;

struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using RegexCode = std::unique_ptr<pcre2_code, CodeFree>;

RegexCode CompileRegex(std::string_view pattern, std::string* error) {
    int code = 0;
    PCRE2_SIZE offset = 0;
    RegexCode compiled(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     kRegexOptions, &code, &offset, nullptr));
    if (!compiled) {
        if (error) {
            PCRE2_UCHAR message[256];
            pcre2_get_error_message(code, message, sizeof message);
            *error = std::string("正規表現が正しくありません: ") +
                     reinterpret_cast<const char*>(message) + "（" + std::to_string(offset + 1) +
                     " バイト目）";
        }
        return nullptr;
    }
    // The JIT is an optimisation only: without it the interpreter runs the same expression.
    pcre2_jit_compile(compiled.get(), PCRE2_JIT_COMPLETE);
    return compiled;
}

// The text of HTML as a reader sees it, in UTF-8: what an expression on the text runs on.
std::string PlainText(std::string_view html) {
    std::string out;
    out.reserve(html.size());
    TextSource source(html, TextForm::kHtml);
    SourceChar c;
    while (source.Next(c)) AppendUtf8(c.codepoint, out);
    return out;
}

}  // namespace

std::string_view FieldName(RuleField field) {
    return kFieldNames[static_cast<size_t>(field)];
}
std::string_view TestName(RuleTest test) {
    return kTestNames[static_cast<size_t>(test)];
}
std::string_view ActionName(RuleAction action) {
    return kActionNames[static_cast<size_t>(action)];
}
std::string_view ScopeName(RuleScope scope) {
    return kScopeNames[static_cast<size_t>(scope)];
}
std::optional<RuleField> FieldNamed(std::string_view name) {
    return Named<RuleField>(kFieldNames, name);
}
std::optional<RuleTest> TestNamed(std::string_view name) {
    return Named<RuleTest>(kTestNames, name);
}
std::optional<RuleAction> ActionNamed(std::string_view name) {
    return Named<RuleAction>(kActionNames, name);
}
std::optional<RuleScope> ScopeNamed(std::string_view name) {
    return Named<RuleScope>(kScopeNames, name);
}

std::string RegexError(std::string_view pattern) {
    std::string error;
    CompileRegex(pattern, &error);
    return error;
}

std::string RuleError(const Rule& rule) {
    if (rule.conditions.empty()) return "条件がありません";
    if (rule.scope != RuleScope::kAll && rule.scopeValue.empty()) {
        return rule.scope == RuleScope::kSite ? "サイトが選ばれていません"
                                              : "カテゴリが選ばれていません";
    }
    for (const RuleCondition& condition : rule.conditions) {
        if (condition.test == RuleTest::kMatches) {
            if (condition.value.empty()) return "正規表現が空です";
            if (std::string error = RegexError(condition.value); !error.empty()) return error;
        } else if (BuildSearchQuery(condition.value).Empty()) {
            // Punctuation alone is nothing the search would find either.
            return "探す言葉が空です";
        }
    }
    return {};
}

// --- the compiled set ----------------------------------------------------------------------------

struct RuleSet::Compiled {
    struct Condition {
        RuleField field;
        RuleTest test;
        SearchQuery words;  // contains, does not contain
        RegexCode regex;    // matches
    };
    int64_t id = 0;
    std::string name;
    RuleScope scope;
    Text scopeValue;
    RuleAction action;
    std::vector<Condition> conditions;
    bool reported = false;  // its expression hit the limit and the user was told
};

// The forms of an article's fields the conditions read, each made once per article when first
// needed: many rules read the same folded title.
struct RuleSet::Texts {
    explicit Texts(const RuleArticle& a) : article(a) {}
    const RuleArticle& article;
    std::optional<std::string> folded[6];
    std::optional<std::string> plainText;
    std::optional<std::string> plainBoth;  // the title, a line break and the text

    std::string_view Raw(RuleField field) {
        switch (field) {
            case RuleField::kTitle:
                return article.title;
            case RuleField::kText:
                if (!plainText) plainText = PlainText(article.html);
                return *plainText;
            case RuleField::kTitleOrText:
                if (!plainBoth) {
                    plainBoth =
                        std::string(article.title) + '\n' + std::string(Raw(RuleField::kText));
                }
                return *plainBoth;
            case RuleField::kLink:
                return article.link;
            case RuleField::kAuthor:
                return article.author;
            case RuleField::kCategory:
                return article.category;
        }
        return {};
    }

    const std::string& Folded(RuleField field) {
        std::optional<std::string>& slot = folded[static_cast<size_t>(field)];
        if (slot) return *slot;
        switch (field) {
            case RuleField::kText:
                slot = FoldForMatching(article.html, TextForm::kHtml);
                break;
            case RuleField::kTitleOrText:
                // A line break, which no term holds, keeps a term from running from the title
                // into the text, as in the search.
                slot = Folded(RuleField::kTitle) + '\n' + Folded(RuleField::kText);
                break;
            default:
                slot = FoldForMatching(Raw(field), TextForm::kPlain);
                break;
        }
        return *slot;
    }
};

RuleSet::RuleSet(const std::vector<Rule>& rules) {
    for (const Rule& rule : rules) {
        if (!rule.enabled || !RuleError(rule).empty()) continue;
        auto compiled = std::make_unique<Compiled>();
        compiled->id = rule.id;
        compiled->name = rule.name;
        compiled->scope = rule.scope;
        compiled->scopeValue = rule.scopeValue;
        compiled->action = rule.action;
        for (const RuleCondition& condition : rule.conditions) {
            Compiled::Condition c{condition.field, condition.test, {}, nullptr};
            if (condition.test == RuleTest::kMatches) {
                c.regex = CompileRegex(condition.value, nullptr);
            } else {
                c.words = BuildSearchQuery(condition.value);
            }
            compiled->conditions.push_back(std::move(c));
        }
        m_needsCategories = m_needsCategories || rule.scope == RuleScope::kCategory;
        m_rules.push_back(std::move(compiled));
    }
    auto* context = pcre2_match_context_create(nullptr);
    // The limits make a catastrophic expression end quickly as "no match" instead of holding a
    // worker for minutes; the depth limit bounds the memory a deep backtrack takes.
    pcre2_set_match_limit(context, kMatchLimit);
    pcre2_set_depth_limit(context, kMatchLimit / 10);
    m_context = context;
    m_matchData = pcre2_match_data_create(1, nullptr);
}

RuleSet::~RuleSet() {
    pcre2_match_data_free(static_cast<pcre2_match_data*>(m_matchData));
    pcre2_match_context_free(static_cast<pcre2_match_context*>(m_context));
}

bool RuleSet::Holds(Compiled& rule, Texts& texts) {
    for (Compiled::Condition& condition : rule.conditions) {
        bool holds = false;
        if (condition.test == RuleTest::kMatches) {
            const std::string_view subject = texts.Raw(condition.field);
            const int found =
                pcre2_match(condition.regex.get(), reinterpret_cast<PCRE2_SPTR>(subject.data()),
                            subject.size(), 0, 0, static_cast<pcre2_match_data*>(m_matchData),
                            static_cast<pcre2_match_context*>(m_context));
            holds = found >= 0;
            if (found < 0 && found != PCRE2_ERROR_NOMATCH && !rule.reported) {
                rule.reported = true;
                m_messages.push_back("ルール「" + rule.name +
                                     "」の正規表現は照合が限度を超えたため、一致しないものとしま"
                                     "した");
            }
        } else {
            holds = condition.words.MatchesFolded(texts.Folded(condition.field));
            if (condition.test == RuleTest::kNotContains) holds = !holds;
        }
        if (!holds) return false;
    }
    return true;
}

bool RuleSet::Holds(size_t index, const RuleArticle& article) {
    Texts texts(article);
    return Holds(*m_rules[index], texts);
}

bool RuleSet::Covers(size_t index, const RuleSite& site) const {
    const Compiled& rule = *m_rules[index];
    switch (rule.scope) {
        case RuleScope::kAll:
            return true;
        case RuleScope::kSite:
            return rule.scopeValue == site.url;
        case RuleScope::kCategory:
            return std::find(site.categories.begin(), site.categories.end(), rule.scopeValue) !=
                   site.categories.end();
    }
    return false;
}

RuleAction RuleSet::ActionOf(size_t index) const {
    return m_rules[index]->action;
}

RuleActions RuleSet::Evaluate(const RuleArticle& article, const RuleSite& site) {
    RuleActions actions;
    Texts texts(article);
    for (size_t i = 0; i < m_rules.size(); ++i) {
        Compiled& rule = *m_rules[i];
        bool* mark = nullptr;
        switch (rule.action) {
            case RuleAction::kHide:
                mark = &actions.hide;
                break;
            case RuleAction::kMarkRead:
                mark = &actions.read;
                break;
            case RuleAction::kStar:
                mark = &actions.star;
                break;
            case RuleAction::kNotify:
                mark = &actions.notify;
                break;
        }
        // A rule whose action is taken already would change nothing.
        if (*mark || !Covers(i, site)) continue;
        *mark = Holds(rule, texts);
        if (*mark && rule.action == RuleAction::kNotify) actions.notifyRule = rule.id;
    }
    return actions;
}

std::vector<std::string> RuleSet::TakeMessages() {
    return std::exchange(m_messages, {});
}

}  // namespace varlo
