#include "store/search_query.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "encoding/carried_reference.h"
#include "store/fts_tokenizer.h"
#include "store/sqlite.h"

namespace varlo {
namespace {

TEST(SearchQuery, TermsBecomeQuotedTokensJoinedByAnd) {
    EXPECT_EQ(BuildSearchQuery("Café").Match(), "\"cafe\"*");
    EXPECT_EQ(BuildSearchQuery("東京　天気").Match(),
              "\"東京\" AND \"天気\"");  // ideographic space
    EXPECT_EQ(BuildSearchQuery("東京都").Match(), "\"東京\" AND \"京都\"");
    EXPECT_EQ(BuildSearchQuery("東 東").Match(), "\"東\"");
    EXPECT_EQ(BuildSearchQuery("\"New York\" 2024").Match(), "\"new\" AND \"york\" AND \"2024\"*");
    EXPECT_EQ(BuildSearchQuery("“New York”").Match(), "\"new\" AND \"york\"");
}

TEST(SearchQuery, WordsOfThreeCharactersOrMoreFindTheWordsTheyBegin) {
    EXPECT_EQ(BuildSearchQuery("a re").Match(), "\"a\" AND \"re\"");
    EXPECT_EQ(BuildSearchQuery("caf").Match(), "\"caf\"*");
    EXPECT_EQ(BuildSearchQuery("ｅｎｃｙｃｌｏｐéｄｉｅ").Match(), "\"encyclopedie\"*");
    EXPECT_FALSE(BuildSearchQuery("encyclopedie").NeedsCheck());
}

TEST(SearchQuery, OnlyWhatTheIndexCannotTellIsChecked) {
    EXPECT_FALSE(BuildSearchQuery("cafe 東 東京 😀 \"exact\"").NeedsCheck());
    EXPECT_TRUE(BuildSearchQuery("東京都").NeedsCheck());
    EXPECT_TRUE(BuildSearchQuery("\"new york\"").NeedsCheck());
    EXPECT_TRUE(BuildSearchQuery("iPhone用").NeedsCheck());
    EXPECT_TRUE(BuildSearchQuery(std::string(100, 'x')).NeedsCheck());

    const SearchQuery phrase = BuildSearchQuery("\"new york\" 東京都");
    EXPECT_TRUE(phrase.Matches("New-York!", "東京都庁"));
    EXPECT_FALSE(phrase.Matches("New York", "東京 都"));
    EXPECT_FALSE(phrase.Matches("renew york", "東京都"));  // a word begins where a word begins
    EXPECT_FALSE(phrase.Matches("new yorker", "東京都"));  // and a quoted one ends where it ends
    EXPECT_FALSE(phrase.Matches("new", "york 東京都"));    // nor runs from the title into the text
    EXPECT_TRUE(BuildSearchQuery("york").Matches("New Yorker", ""));
    EXPECT_TRUE(BuildSearchQuery("京都").Matches("", "<b>京</b>都", TextForm::kHtml));
    EXPECT_FALSE(BuildSearchQuery("京都").Matches("", "<p>京</p>都", TextForm::kHtml));
}

TEST(SearchQuery, EmptyOrPunctuationOnlyWordsAreNoSearch) {
    for (const char* words : {"", "   ", "\xE3\x80\x80", "\"\"", "!?", "-", "*", "()", "、。",
                              "+-*/^", "\"  \"", ":"}) {
        const SearchQuery query = BuildSearchQuery(words);
        EXPECT_TRUE(query.Empty()) << words;
        EXPECT_EQ(query.Match(), "") << words;
        EXPECT_FALSE(query.Matches(words, words)) << words;
    }
    // A term of punctuation among others is left out.
    EXPECT_EQ(BuildSearchQuery("cafe !!").Match(), "\"cafe\"*");
}

TEST(SearchQuery, APastedPageAsksTheIndexForAFewTokensAndChecksTheRest) {
    std::string words;
    for (int i = 0; i < 20000; ++i) words += "w" + std::to_string(i) + " ";
    const SearchQuery query = BuildSearchQuery(words);
    EXPECT_EQ(std::count(query.Match().begin(), query.Match().end(), '"'), 64);
    EXPECT_TRUE(query.NeedsCheck());
    EXPECT_LT(query.Terms().size(), 1000u);
    const std::string text = words.substr(0, 4096);
    EXPECT_TRUE(query.Matches("", text));
    EXPECT_FALSE(query.Matches("", text.substr(0, 4000)));
    // A long run of kanji: its pairs past the first 32 are checked.
    std::string kanji;
    for (char32_t c = 0x4E00; c < 0x4E00 + 100; ++c) AppendUtf8(c, kanji);
    const SearchQuery run = BuildSearchQuery(kanji);
    EXPECT_EQ(std::count(run.Match().begin(), run.Match().end(), '"'), 64);
    EXPECT_TRUE(run.Matches(kanji, ""));
    EXPECT_FALSE(run.Matches(kanji.substr(0, kanji.size() - 3), ""));
}

TEST(SearchQuery, NothingTypedIsSyntaxOfTheIndex) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    SqliteDb db(raw);
    ASSERT_TRUE(RegisterVarloTokenizer(raw));
    ASSERT_EQ(SqliteExec(raw,
                         "CREATE VIRTUAL TABLE t USING fts5(title, body, tokenize='varlo', "
                         "detail=none)"),
              SQLITE_OK);
    ASSERT_EQ(SqliteExec(raw,
                         "INSERT INTO t(rowid, title, body) VALUES "
                         "(1, 'near or not', 'title body x'), (2, 'a', 'b')"),
              SQLITE_OK);
    const struct {
        const char* words;
        std::vector<int64_t> ids;
    } cases[] = {
        {"NEAR(a b)", {}},
        {"near OR", {1}},
        {"a OR b", {}},
        {"NOT b", {}},
        {"title:body", {1}},
        {"body : x", {1}},
        {"-b", {2}},
        {"a*", {2}},
        {"^a", {2}},
        {"\"unterminated x", {}},
        {"\"\"\"near\"\"\"", {1}},
        {"(a) AND (b", {}},
        {"{title body}: x", {1}},
        {"a + b", {2}},
        {"\x01\x7F\xFF", {}},
    };
    for (const auto& c : cases) {
        const SearchQuery query = BuildSearchQuery(c.words);
        std::vector<int64_t> ids;
        if (!query.Empty()) {
            SqliteStatement select(
                raw, "SELECT rowid, title, body FROM t WHERE t MATCH ?1 ORDER BY rowid");
            select.Bind(1, query.Match());
            int rc;
            while ((rc = select.Step()) == SQLITE_ROW) {
                if (!query.NeedsCheck() || query.Matches(select.String(1), select.String(2))) {
                    ids.push_back(select.Int(0));
                }
            }
            EXPECT_EQ(rc, SQLITE_DONE)
                << c.words << " -> " << query.Match() << ": " << sqlite3_errmsg(raw);
        }
        EXPECT_EQ(ids, c.ids) << c.words << " -> " << query.Match();
    }
}

TEST(SearchQuery, TheSqlCheckCountsAndPagesHitsInOneStatement) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    SqliteDb db(raw);
    ASSERT_TRUE(RegisterVarloTokenizer(raw));
    ASSERT_TRUE(RegisterSearchCheck(raw));
    ASSERT_EQ(SqliteExec(raw,
                         "CREATE TABLE a(id INTEGER PRIMARY KEY, title, html);"
                         "CREATE VIRTUAL TABLE t USING fts5(title, html, content='a', "
                         "content_rowid='id', tokenize='varlo html', detail=none);"
                         "INSERT INTO a VALUES (1, '東京都', '<p>x</p>'), "
                         "(2, '京都', '<p>東京</p>'), (3, '東京<b>都</b>', '');"
                         "INSERT INTO t(t) VALUES ('rebuild');"),
              SQLITE_OK);
    const std::string words = "東京都";
    SqliteStatement count(raw,
                          "SELECT count(*) FROM t JOIN a ON a.id = t.rowid WHERE t MATCH ?1 AND "
                          "varlo_search_check(?2, a.title, a.html, 'html')");
    count.Bind(1, BuildSearchQuery(words).Match()).Bind(2, words);
    ASSERT_EQ(count.Step(), SQLITE_ROW) << sqlite3_errmsg(raw);
    EXPECT_EQ(count.Int(0), 2);

    SqliteStatement plain(raw,
                          "SELECT varlo_search_check('x y', 'y', 'x'), "
                          "varlo_search_check('\"x y\"', 'y', 'x'), "
                          "varlo_search_check('', 'y', 'x'), varlo_search_check(NULL, NULL, NULL)");
    ASSERT_EQ(plain.Step(), SQLITE_ROW);
    EXPECT_EQ(plain.Int(0), 1);
    EXPECT_EQ(plain.Int(1), 0);
    EXPECT_EQ(plain.Int(2), 0);
    EXPECT_EQ(plain.Int(3), 0);
    SqliteStatement wrong(raw, "SELECT varlo_search_check('x')");
    EXPECT_EQ(wrong.Step(), SQLITE_ERROR);
}

}  // namespace
}  // namespace varlo
