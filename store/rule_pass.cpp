#include "store/rule_pass.h"

#include <algorithm>

#include "store/library.h"
#include "store/pending_marks.h"
#include "store/search_query.h"
#include "store/sqlite.h"
#include "store/write_transaction.h"

namespace varlo {
namespace {

// Progress is told after this many articles: often enough for a bar, rarely enough to cost
// nothing.
constexpr int64_t kProgressEvery = 2048;

// How one rule reads the library.
struct Plan {
    std::string match;   // the search index's expression narrowing the articles; empty for none
    bool exact = false;  // the index's hits are the rule's matches: no article needs reading
    bool html = false;   // a condition reads the text
};

bool ReadsTitleOrText(RuleField field) {
    return field == RuleField::kTitle || field == RuleField::kText ||
           field == RuleField::kTitleOrText;
}

Plan PlanOf(const Rule& rule) {
    Plan plan;
    plan.exact = true;
    for (const RuleCondition& condition : rule.conditions) {
        plan.html = plan.html || condition.field == RuleField::kText ||
                    condition.field == RuleField::kTitleOrText;
        const bool indexed =
            condition.test == RuleTest::kContains && ReadsTitleOrText(condition.field);
        if (!indexed) {
            plan.exact = false;
            continue;
        }
        const SearchQuery query = BuildSearchQuery(condition.value);
        if (query.Empty()) {
            plan.exact = false;
            continue;
        }
        // The index keeps no columns: it narrows a condition on the title or the text alone to
        // the articles holding the words in either, which the rule then reads.
        plan.exact =
            plan.exact && !query.NeedsCheck() && condition.field == RuleField::kTitleOrText;
        if (!plan.match.empty()) plan.match += " AND ";
        plan.match += "(" + query.Match() + ")";
    }
    if (plan.match.empty()) plan.exact = false;
    return plan;
}

// The condition on `a` that keeps the articles of the rule's scope (?2 its value).
std::string ScopeClause(const Rule& rule) {
    switch (rule.scope) {
        case RuleScope::kAll:
            break;
        case RuleScope::kSite:
            return " AND a.feed_id = (SELECT id FROM feeds WHERE url = ?2)";
        case RuleScope::kCategory:
            return " AND a.feed_id IN (SELECT f.id FROM feeds f JOIN rule_site_categories c ON "
                   "c.url = f.url WHERE c.category = ?2)";
    }
    return {};
}

void BindPlan(SqliteStatement& statement, const Rule& rule, const Plan& plan) {
    // Only the parameters the statement names: binding one it lacks fails the statement.
    if (!plan.match.empty()) statement.Bind(1, plan.match);
    if (rule.scope != RuleScope::kAll) statement.Bind(2, rule.scopeValue);
}

std::string Where(const Rule& rule, const Plan& plan) {
    std::string where = " WHERE a.stored = 1" + ScopeClause(rule);
    if (!plan.match.empty()) {
        where += " AND a.id IN (SELECT rowid FROM article_search WHERE article_search MATCH ?1)";
    }
    return where;
}

// Reads the articles the rule may match, newest first, and calls `found` with each one it
// matches; false when stopped.
bool Walk(sqlite3* db, const Rule& rule, RulePassResult& result, const RulePassProgress& progress,
          const std::function<bool(int64_t id)>& found) {
    Rule enabled = rule;
    enabled.enabled = true;
    RuleSet set({enabled});
    if (set.Empty()) return true;
    const Plan plan = PlanOf(rule);
    {
        SqliteStatement count(db, "SELECT count(*) FROM articles a" + Where(rule, plan));
        BindPlan(count, rule, plan);
        if (count.Step() == SQLITE_ROW) result.total += count.Int(0);
    }
    // The text read is what the search indexes: the whole article where one was fetched.
    SqliteStatement walk(db, std::string("SELECT a.id, a.title, a.link, a.author, a.category, ") +
                                 (plan.html ? "coalesce(f.html, t.html, x'')" : "x''") +
                                 " FROM articles a" +
                                 (plan.html ? " LEFT JOIN article_texts t ON t.id = a.id "
                                              "LEFT JOIN article_full_texts f ON f.id = a.id"
                                            : "") +
                                 Where(rule, plan) + " ORDER BY a.sort_time DESC, a.id DESC");
    BindPlan(walk, rule, plan);
    int step = SQLITE_ROW;
    while ((step = walk.Step()) == SQLITE_ROW) {
        ++result.examined;
        const std::string title = walk.String(1), link = walk.String(2), author = walk.String(3),
                          category = walk.String(4), html = walk.String(5);
        if (set.Holds(0, RuleArticle{title, html, link, author, category})) {
            ++result.matched;
            if (!found(walk.Int(0))) return false;
        }
        if (result.examined % kProgressEvery == 0) {
            for (std::string& message : set.TakeMessages()) result.messages.push_back(message);
            if (progress && !progress(result)) return false;
        }
    }
    for (std::string& message : set.TakeMessages()) result.messages.push_back(message);
    return step == SQLITE_DONE;
}

// Applies `action` to the articles in temp.rule_matched whose marks it changes, queueing marks
// for the sync server; the number changed, -1 on error.
int64_t ApplyMatched(sqlite3* db, RuleAction action) {
    const char* change = nullptr;
    const char* changing = nullptr;
    MarkKind kind = MarkKind::kRead;
    switch (action) {
        case RuleAction::kHide:
            change =
                "UPDATE articles SET hidden = 1 WHERE hidden = 0 AND id IN "
                "(SELECT id FROM temp.rule_matched)";
            break;
        case RuleAction::kMarkRead:
            changing = "EXISTS (SELECT 1 FROM unread u WHERE u.id = a.id)";
            change = "DELETE FROM unread WHERE id IN (SELECT id FROM temp.rule_matched)";
            break;
        case RuleAction::kStar:
            kind = MarkKind::kStarred;
            changing = "a.starred = 0";
            change =
                "UPDATE articles SET starred = 1 WHERE starred = 0 AND id IN "
                "(SELECT id FROM temp.rule_matched)";
            break;
        case RuleAction::kNotify:
            return 0;  // nothing to do to stored articles
    }
    if (changing && !QueueMarks(db, kind,
                                std::string("FROM articles a WHERE a.id IN (SELECT id FROM "
                                            "temp.rule_matched) AND ") +
                                    changing,
                                [](SqliteStatement&) {})) {
        return -1;
    }
    if (SqliteExec(db, change) != SQLITE_OK) return -1;
    return sqlite3_changes(db);
}

}  // namespace

RulePassResult CountRuleMatches(CFeedStore& store, const Rule& rule, size_t keep,
                                const RulePassProgress& progress) {
    RulePassResult result;
    sqlite3* db = store.Connection();
    if (!db || !RuleError(rule).empty()) {
        result.complete = db != nullptr;
        return result;
    }
    const ReadTransaction snapshot(db);
    const Plan plan = PlanOf(rule);
    if (plan.exact && rule.scope == RuleScope::kAll && rule.conditions.size() == 1) {
        // The words alone, in titles and texts, over every site: the search's own hits. The
        // index counts them without reading an article, and the search finds the newest first
        // among the newest articles.
        SqliteStatement count(db,
                              "SELECT count(*) FROM article_search WHERE article_search "
                              "MATCH ?");
        count.Bind(1, plan.match);
        if (count.Step() == SQLITE_ROW) {
            result.matched = result.total = result.examined = count.Int(0);
        }
        if (keep > 0) {
            result.first =
                CLibrary(store).Search(rule.conditions[0].value, static_cast<int64_t>(keep));
        }
        result.complete = true;
        return result;
    }
    if (plan.exact) {
        // The index's hits are the matches: counted without reading an article's text.
        SqliteStatement count(db, "SELECT count(*) FROM articles a" + Where(rule, plan));
        BindPlan(count, rule, plan);
        if (count.Step() == SQLITE_ROW) {
            result.matched = result.total = result.examined = count.Int(0);
        }
        SqliteStatement first(db, "SELECT a.id FROM articles a" + Where(rule, plan) +
                                      " ORDER BY a.sort_time DESC, a.id DESC LIMIT ?3");
        BindPlan(first, rule, plan);
        first.Bind(3, static_cast<int64_t>(keep));
        while (first.Step() == SQLITE_ROW) result.first.push_back(first.Int(0));
        result.complete = true;
        return result;
    }
    result.complete = Walk(db, rule, result, progress, [&](int64_t id) {
        if (result.first.size() < keep) result.first.push_back(id);
        return true;
    });
    return result;
}

RulePassResult ApplyRulesToLibrary(CFeedStore& store, const std::vector<Rule>& rules,
                                   const RulePassProgress& progress) {
    RulePassResult result;
    sqlite3* db = store.Connection();
    if (!db) return result;
    if (SqliteExec(db, "CREATE TEMP TABLE IF NOT EXISTS rule_matched(id INTEGER PRIMARY KEY)") !=
        SQLITE_OK) {
        return result;
    }
    for (const Rule& rule : rules) {
        if (!rule.enabled || !RuleError(rule).empty() || rule.action == RuleAction::kNotify) {
            continue;
        }
        // The matches are gathered first, then changed in one transaction: a rule's own changes
        // never change what it reads.
        std::vector<int64_t> matched;
        bool walked = false;
        const Plan plan = PlanOf(rule);
        if (plan.exact) {
            // The index's hits are the matches: no article needs reading.
            SqliteStatement hits(db, "SELECT a.id FROM articles a" + Where(rule, plan));
            BindPlan(hits, rule, plan);
            int step = SQLITE_ROW;
            while ((step = hits.Step()) == SQLITE_ROW) matched.push_back(hits.Int(0));
            walked = step == SQLITE_DONE;
            result.total += static_cast<int64_t>(matched.size());
            result.examined += static_cast<int64_t>(matched.size());
            result.matched += static_cast<int64_t>(matched.size());
        } else {
            const ReadTransaction snapshot(db);
            walked = Walk(db, rule, result, progress, [&](int64_t id) {
                matched.push_back(id);
                return true;
            });
        }
        if (!walked || (progress && !progress(result))) return result;
        WriteTransaction transaction(db);
        if (!transaction.Open() || SqliteExec(db, "DELETE FROM temp.rule_matched") != SQLITE_OK) {
            return result;
        }
        SqliteStatement add(db, "INSERT OR IGNORE INTO temp.rule_matched(id) VALUES(?)");
        for (const int64_t id : matched) {
            add.Reset();
            add.Bind(1, id);
            if (add.Step() != SQLITE_DONE) return result;
        }
        const int64_t changed = ApplyMatched(db, rule.action);
        if (changed < 0 || SqliteExec(db, "DELETE FROM temp.rule_matched") != SQLITE_OK ||
            !transaction.Commit()) {
            return result;
        }
        result.changed += changed;
        if (progress && !progress(result)) return result;
    }
    result.complete = true;
    return result;
}

}  // namespace varlo
