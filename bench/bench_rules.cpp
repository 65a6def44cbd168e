// Rules at scale, on the generated library of bench_library (1,000,000 articles by default): each
// goal beside the naive baseline of the same run, every rule as LIKE '%...%' over the table.
//   - 20 rules of "contains" and 5 regular expressions on 10,000 new articles as they are recorded;
//   - 1,000 rules on the same 10,000 articles (no goal: that it ends, and how soon);
//   - one "contains" rule applied to the whole library ("すべての記事に適用");
//   - the rules dialog's live count of one "contains" rule on titles and texts.
//
// usage: bench_rules [FOLDER]   (FOLDER holds the store bench_library made there, as with
//   `bench_library 1000000 FOLDER`; the default is bench_library's own default folder, and the
//   store is made there by running bench_library beside this program when it is missing)

#include <time.h>
#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "store/feed_store.h"
#include "store/library.h"
#include "store/rule_pass.h"
#include "store/rule_store.h"
#include "store/rules.h"
#include "store/sqlite.h"

namespace varlo {
namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The processor time of this process in milliseconds: on a machine busy with other work the
// time on the clock is several times what the work took.
double CpuNow() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A measure: the time on the clock and the processor time.
struct Took {
    double wall = 0;
    double cpu = 0;
};

template <typename Work>
Took Time(Work work) {
    const auto start = Clock::now();
    const double cpu = CpuNow();
    work();
    return {Ms(start), CpuNow() - cpu};
}

void Row(const char* goal, Took value, double target, Took baseline) {
    char goalText[32] = "";
    if (target > 0) std::snprintf(goalText, sizeof goalText, "(goal <= %5.0f)", target);
    std::printf("%-52s %8.1f ms (cpu %8.1f) %-16s LIKE: %8.1f ms (cpu %8.1f)\n", goal, value.wall,
                value.cpu, goalText, baseline.wall, baseline.cpu);
}

// Words of the generated library: its syllables make its Latin words, its Japanese words are a
// fixed list (see bench_library).
const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "to", "vi", "ze", "pa",
                                  "qu", "ti", "mo", "li", "da", "en", "or", "an", "is", "ex",
                                  "ur", "be", "co", "fi", "go", "ha", "ju", "ny"};
const char* const kJapanese[] = {"東京", "大阪", "京都", "経済", "政治", "技術",
                                 "開発", "研究", "大学", "会社", "です", "という"};

std::string Text(std::mt19937& random, size_t bytes, bool japanese) {
    std::uniform_int_distribution<size_t> syllable(0, std::size(kSyllables) - 1);
    std::uniform_int_distribution<size_t> word(0, std::size(kJapanese) - 1);
    std::uniform_int_distribution<int> length(2, 3);
    std::string text;
    while (text.size() < bytes) {
        if (japanese) {
            text += kJapanese[word(random)];
            continue;
        }
        if (!text.empty()) text += ' ';
        for (int i = length(random); i > 0; --i) text += kSyllables[syllable(random)];
    }
    return text;
}

// Ten thousand articles new to the library, as bench_library makes them, spread over 100 sites.
std::vector<std::vector<LibraryArticle>> NewArticles(int64_t t0) {
    std::mt19937 random(20261209);
    std::vector<std::vector<LibraryArticle>> sites(100);
    for (int i = 0; i < 10000; ++i) {
        LibraryArticle article;
        article.key = "https://new.example.com/" + std::to_string(i);
        article.link = article.key;
        const bool japanese = i % 4 == 0;
        article.title = Text(random, 40, japanese);
        article.html =
            "<p>" + Text(random, 500, japanese) + "</p><p>" + Text(random, 480, japanese) + "</p>";
        article.date = t0 + i;
        sites[i % 100].push_back(std::move(article));
    }
    return sites;
}

Rule Contains(const std::string& words, RuleField field = RuleField::kTitleOrText) {
    Rule rule;
    rule.name = words;
    rule.conditions.push_back({field, RuleTest::kContains, words});
    rule.action = RuleAction::kHide;
    return rule;
}

Rule Matches(const std::string& expression, const std::string& likeText) {
    Rule rule = Contains(likeText);
    rule.conditions[0] = {RuleField::kTitleOrText, RuleTest::kMatches, expression};
    return rule;
}

// The LIKE text of a rule: its words, or for an expression the literal the benchmark names it by.
std::string LikeOf(const Rule& rule) {
    return rule.conditions[0].test == RuleTest::kMatches ? rule.name : rule.conditions[0].value;
}

// The naive rule: LIKE over the titles and texts of the articles with ids above `fromId`; the
// number matched.
int64_t LikeCount(sqlite3* db, const std::string& text, int64_t fromId) {
    SqliteStatement query(db,
                          "SELECT count(*) FROM articles a JOIN article_texts t ON t.id = a.id "
                          "WHERE a.id > ?2 AND a.stored = 1 AND (CAST(a.title AS TEXT) LIKE "
                          "CAST(?1 AS TEXT) OR CAST(t.html AS TEXT) LIKE CAST(?1 AS TEXT))");
    // The store keeps texts as blobs, which LIKE never matches: they are read as text.
    query.Bind(1, "%" + text + "%").Bind(2, fromId);
    return query.Step() == SQLITE_ROW ? query.Int(0) : -1;
}

int64_t MaxId(sqlite3* db) {
    SqliteStatement query(db, "SELECT coalesce(max(id), 0) FROM articles");
    return query.Step() == SQLITE_ROW ? query.Int(0) : 0;
}

// The sites of the new articles in one phase of the benchmark: each phase records them anew.
std::string NewSite(int phase, size_t site) {
    return "https://new" + std::to_string(phase) + "-" + std::to_string(site) +
           ".example.com/feed.xml";
}

// Records the new articles as sites of `phase` with `rules` in the store; how long it took and
// the articles the rules hid. The rules are removed after.
Took RecordWith(CFeedStore& store, int phase, const std::vector<Rule>& rules,
                const std::vector<std::vector<LibraryArticle>>& sites, int64_t now,
                int64_t* hidden) {
    sqlite3* db = store.Connection();
    CRuleStore ruleStore(store);
    for (const Rule& rule : rules) ruleStore.Add(rule);
    const int64_t before = MaxId(db);
    CLibrary library(store);
    const Took took = Time([&] {
        for (size_t i = 0; i < sites.size(); ++i) {
            library.RecordFeed(NewSite(phase, i), {}, sites[i], now, true);
        }
    });
    SqliteStatement count(db, "SELECT count(*) FROM articles WHERE id > ? AND hidden = 1");
    count.Bind(1, before);
    *hidden = count.Step() == SQLITE_ROW ? count.Int(0) : -1;
    SqliteExec(db, "DELETE FROM rules");
    return took;
}

// The articles of the benchmark's own sites, and any whose site is gone (a run stopped half-way).
void RemoveNewArticles(sqlite3* db) {
    // Addresses are kept as blobs, which LIKE never matches: they are read as text.
    SqliteExec(db,
               "DELETE FROM articles WHERE feed_id IN (SELECT id FROM feeds WHERE CAST(url AS "
               "TEXT) LIKE 'https://new%') OR feed_id NOT IN (SELECT id FROM feeds);"
               "DELETE FROM feeds WHERE CAST(url AS TEXT) LIKE 'https://new%'");
}

Took Minus(Took a, Took b) {
    return {a.wall - b.wall, a.cpu - b.cpu};
}

}  // namespace
}  // namespace varlo

int main(int argc, char** argv) {
    using namespace varlo;
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1])
                 : std::filesystem::temp_directory_path() / "varlo-bench-library";
    const std::string path = (folder / "varlo.db").string();
    if (!std::filesystem::exists(path)) {
        const std::filesystem::path maker =
            std::filesystem::path(argv[0]).parent_path() / "bench_library";
        const std::string command = "'" + maker.string() + "' 1000000 '" + folder.string() + "'";
        std::fprintf(stderr, "making the library: %s\n", command.c_str());
        if (std::system(command.c_str()) != 0) return 1;
    }
    CFeedStore store;
    if (!store.Open(path)) return 1;
    sqlite3* db = store.Connection();
    SqliteExec(db, "DELETE FROM rules");
    SqliteExec(db, "UPDATE articles SET hidden = 0 WHERE hidden = 1");
    RemoveNewArticles(db);
    {
        SqliteStatement count(db, "SELECT count(*) FROM articles WHERE stored = 1");
        count.Step();
        std::printf("library of %lld articles\n\n", static_cast<long long>(count.Int(0)));
    }
    const auto sites = NewArticles(1800000000);
    const int64_t now = 1800000000;

    // 20 rules of "contains" and 5 expressions, as the articles are recorded.
    std::vector<Rule> rules;
    const char* const words[] = {"kalo", "mine",     "saru",     "tovi", "zepa",
                                 "quti", "moli",     "daen",     "oran", "isex",
                                 "urbe", "cofi",     "goha",     "juny", "東京経済",
                                 "大阪", "研究開発", "会社です", "技術", "京都大学"};
    for (const char* w : words) rules.push_back(Contains(w));
    rules.push_back(Matches("\\bka(lo|mi)ne\\b", "kalone"));
    rules.push_back(Matches("^zepa", "zepa"));
    rules.push_back(Matches("(東京|大阪)の?研究", "東京研究"));
    rules.push_back(Matches("ruru+sa", "rurusa"));
    rules.push_back(Matches("\\d{4}", "2024"));
    int64_t hidden = 0;
    int64_t none = 0;
    // Recording is mostly writing, whose time varies from one run to the next: a first run warms
    // the store, and the recording without rules is the faster of two, before and after.
    RecordWith(store, 0, {}, sites, now, &none);
    Took plain = RecordWith(store, 1, {}, sites, now, &none);
    const Took ruled = RecordWith(store, 2, rules, sites, now, &hidden);
    const Took plainAfter = RecordWith(store, 3, {}, sites, now, &none);
    if (plainAfter.cpu < plain.cpu) plain = plainAfter;
    // What the rules themselves cost, apart from recording: each article read by the set; and
    // the share of the words and of the expressions.
    auto evaluate = [&](const std::vector<Rule>& some) {
        RuleSet set(some);
        return Time([&] {
            for (const auto& site : sites) {
                for (const LibraryArticle& a : site) {
                    set.Evaluate(RuleArticle{a.title, a.html, a.link, a.author, a.category},
                                 RuleSite{"u", {}});
                }
            }
        });
    };
    const Took alone = evaluate(rules);
    const Took wordsAlone = evaluate(std::vector<Rule>(rules.begin(), rules.begin() + 20));
    const Took expressionsAlone = evaluate(std::vector<Rule>(rules.begin() + 20, rules.end()));
    // The baseline: every rule as LIKE over the table for the articles recorded without rules.
    SqliteStatement first(db,
                          "SELECT min(id) - 1 FROM articles WHERE feed_id = (SELECT id "
                          "FROM feeds WHERE url = ?)");
    first.Bind(1, NewSite(1, 0));
    const int64_t before = first.Step() == SQLITE_ROW ? first.Int(0) : 0;
    const Took like = Time([&] {
        for (const Rule& rule : rules) LikeCount(db, LikeOf(rule), before);
    });
    std::printf(
        "10,000 new articles: recorded without rules %.1f ms (cpu %.1f), with 25 rules "
        "%.1f ms (cpu %.1f), %lld of them hidden\n",
        plain.wall, plain.cpu, ruled.wall, ruled.cpu, static_cast<long long>(hidden));
    Row("25 rules on 10,000 new articles (recording's extra)", Minus(ruled, plain), 200, like);
    Row("25 rules on 10,000 new articles (the rules alone)", alone, 200, like);
    std::printf(
        "  of which the 20 rules of words alone %.1f ms (cpu %.1f), the 5 expressions "
        "alone %.1f ms (cpu %.1f)\n",
        wordsAlone.wall, wordsAlone.cpu, expressionsAlone.wall, expressionsAlone.cpu);

    // A thousand rules: every word of two syllables, and more.
    std::vector<Rule> many;
    for (size_t a = 0; a < std::size(kSyllables) && many.size() < 1000; ++a) {
        for (size_t b = 0; b < std::size(kSyllables) && many.size() < 1000; ++b) {
            many.push_back(Contains(std::string(kSyllables[a]) + kSyllables[b] + "q"));
        }
    }
    while (many.size() < 1000) many.push_back(Contains("zzz" + std::to_string(many.size())));
    const int64_t beforeMany = MaxId(db);
    const Took manyRecorded = RecordWith(store, 4, many, sites, now, &hidden);
    const Took manyAlone = evaluate(many);
    // The baseline over the same 10,000 articles: a tenth of the rules, scaled.
    Took manyLike = Time([&] {
        for (size_t i = 0; i < many.size(); i += 10) LikeCount(db, LikeOf(many[i]), beforeMany);
    });
    manyLike = {manyLike.wall * 10, manyLike.cpu * 10};
    Row("1,000 rules on 10,000 new articles (recording's extra)", Minus(manyRecorded, plain), 0,
        manyLike);
    Row("1,000 rules on 10,000 new articles (the rules alone)", manyAlone, 0, manyLike);

    // The live count of the dialog, and applying one rule to the whole library.
    const Rule one = Contains("kalo");
    RulePassResult counted;
    const Took count = Time([&] { counted = CountRuleMatches(store, one, 20); });
    int64_t likeCounted = 0;
    const Took likeCount = Time([&] { likeCounted = LikeCount(db, "kalo", 0); });
    std::printf(
        "\nthe rule \"kalo\" matches %lld articles (LIKE: %lld, which finds parts of "
        "words too)\n",
        static_cast<long long>(counted.matched), static_cast<long long>(likeCounted));
    Row("the dialog's count of one rule", count, 300, likeCount);

    RulePassResult applied;
    const Took apply = Time([&] { applied = ApplyRulesToLibrary(store, {one}); });
    SqliteExec(db, "UPDATE articles SET hidden = 0 WHERE hidden = 1");
    const Took likeApply = Time([&] {
        SqliteStatement update(db,
                               "UPDATE articles SET hidden = 1 WHERE id IN (SELECT a.id FROM "
                               "articles a JOIN article_texts t ON t.id = a.id WHERE a.stored = 1 "
                               "AND (CAST(a.title AS TEXT) LIKE CAST(?1 AS TEXT) OR "
                               "CAST(t.html AS TEXT) LIKE CAST(?1 AS TEXT)))");
        update.Bind(1, "%kalo%");
        update.Step();
    });
    SqliteExec(db, "UPDATE articles SET hidden = 0 WHERE hidden = 1");
    // The library as bench_library left it.
    RemoveNewArticles(db);
    std::printf("applied: %lld examined, %lld hidden\n", static_cast<long long>(applied.examined),
                static_cast<long long>(applied.changed));
    Row("すべての記事に適用, one rule over the library", apply, 5000, likeApply);
    return 0;
}
