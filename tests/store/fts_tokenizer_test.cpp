#include "store/fts_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/search_query.h"
#include "store/search_tokens.h"
#include "store/sqlite.h"
#include "support/test_support.h"

namespace varlo {
namespace {

// An in-memory table indexed by the tokenizer, searched as the library searches: the index, then
// the check of each hit when the query needs it.
class SearchIndex {
  public:
    explicit SearchIndex(const std::string& detail, const char* tokenize = "varlo") {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
        m_db.reset(db);
        EXPECT_TRUE(RegisterVarloTokenizer(db));
        m_html = std::string(tokenize) == "varlo html";
        const std::string create = "CREATE VIRTUAL TABLE t USING fts5(title, body, tokenize='" +
                                   std::string(tokenize) + "', detail=" + detail + ", " +
                                   kSearchPrefixIndex + ")";
        EXPECT_EQ(SqliteExec(db, create.c_str()), SQLITE_OK) << sqlite3_errmsg(db);
    }

    void Add(int64_t id, std::string_view title, std::string_view body) {
        SqliteStatement insert(m_db.get(), "INSERT INTO t(rowid, title, body) VALUES (?1, ?2, ?3)");
        insert.Bind(1, id).Bind(2, title).Bind(3, body);
        EXPECT_EQ(insert.Step(), SQLITE_DONE) << sqlite3_errmsg(m_db.get());
    }

    // The rows that hold every term of `words`, in rowid order.
    std::vector<int64_t> Find(std::string_view words) {
        const SearchQuery query = BuildSearchQuery(words);
        std::vector<int64_t> ids;
        if (query.Empty()) return ids;
        SqliteStatement select(m_db.get(),
                               "SELECT rowid, title, body FROM t WHERE t MATCH ?1 ORDER BY rowid");
        select.Bind(1, query.Match());
        int rc;
        while ((rc = select.Step()) == SQLITE_ROW) {
            if (query.NeedsCheck() && !query.Matches(select.String(1), select.String(2),
                                                     m_html ? TextForm::kHtml : TextForm::kPlain)) {
                continue;
            }
            ids.push_back(select.Int(0));
        }
        EXPECT_EQ(rc, SQLITE_DONE) << query.Match() << ": " << sqlite3_errmsg(m_db.get());
        return ids;
    }

    sqlite3* Db() { return m_db.get(); }

  private:
    SqliteDb m_db;
    bool m_html = false;
};

using Ids = std::vector<int64_t>;

// The index without positions is the one the store uses; with them, phrases of pairs line up too.
class FtsTokenizer : public ::testing::TestWithParam<std::string> {};

INSTANTIATE_TEST_SUITE_P(Detail, FtsTokenizer, ::testing::Values("none", "full"));

TEST_P(FtsTokenizer, JapaneseIsFoundByEverySubstringOfOneToFourCharacters) {
    SearchIndex index(GetParam());
    const std::string text = "東京都の天気予報です";
    index.Add(1, "今日のニュース", text);
    index.Add(2, "京都の紅葉", "東京と京都の天気");
    // Every substring of the text, of every length from one to four characters, finds row 1.
    std::vector<std::string> chars;
    for (size_t i = 0; i < text.size(); i += 3) chars.push_back(text.substr(i, 3));
    for (size_t length = 1; length <= 4; ++length) {
        for (size_t start = 0; start + length <= chars.size(); ++start) {
            std::string sub;
            for (size_t k = 0; k < length; ++k) sub += chars[start + k];
            const Ids found = index.Find(sub);
            EXPECT_TRUE(!found.empty() && found.front() == 1) << sub;
        }
    }
    EXPECT_EQ(index.Find("京都"), (Ids{1, 2}));
    // Row 2 holds every pair of 東京都 but not the word: the check leaves it out.
    EXPECT_EQ(index.Find("東京都"), Ids{1});
    EXPECT_EQ(index.Find("天気予報"), Ids{1});
    EXPECT_EQ(index.Find("紅葉"), Ids{2});
    EXPECT_EQ(index.Find("大阪"), Ids{});
    EXPECT_EQ(index.Find("ニュース 天気"), Ids{1});
}

TEST_P(FtsTokenizer, LatinWordsAndPrefixesWithoutCaseOrAccents) {
    SearchIndex index(GetParam());
    index.Add(1, "A Café in Paris", "The CAFETERIA opens at noon.");
    index.Add(2, "Cafe culture", "naïve coffee");
    index.Add(3, "Unrelated", "a scafe is no word");
    EXPECT_EQ(index.Find("café"), (Ids{1, 2}));
    EXPECT_EQ(index.Find("CAFE"), (Ids{1, 2}));
    EXPECT_EQ(index.Find("cafet"), Ids{1});
    EXPECT_EQ(index.Find("naive"), Ids{2});
    EXPECT_EQ(index.Find("par noo"), Ids{1});
    EXPECT_EQ(index.Find("afe"), Ids{});  // a word is found by its beginning only
    EXPECT_EQ(index.Find("no"), Ids{3});  // two letters find the word, not "noon"
    EXPECT_EQ(index.Find("noo wor"), (Ids{}));
    EXPECT_EQ(index.Find("wor"), Ids{3});
    // Quoted, a word finds itself only, and a phrase its words in a row.
    EXPECT_EQ(index.Find("\"cafe\""), (Ids{1, 2}));
    EXPECT_EQ(index.Find("\"caf\""), Ids{});
    EXPECT_EQ(index.Find("\"cafe culture\""), Ids{2});
    EXPECT_EQ(index.Find("\"culture cafe\""), Ids{});
    EXPECT_EQ(index.Find("\"opens at\""), Ids{1});
    EXPECT_EQ(index.Find("\"pens at\""), Ids{});
}

TEST_P(FtsTokenizer, FullAndHalfWidthsAlikeHiraganaAndKatakanaApart) {
    SearchIndex index(GetParam());
    index.Add(1, "ABC", "ｶﾞｯｺｳ");
    index.Add(2, "ａｂｃ カメラ", "がっこう");
    index.Add(3, "カ", "コウ");
    EXPECT_EQ(index.Find("ＡＢＣ"), (Ids{1, 2}));
    EXPECT_EQ(index.Find("abc"), (Ids{1, 2}));
    EXPECT_EQ(index.Find("ｶﾒﾗ"), Ids{2});
    EXPECT_EQ(index.Find("カメ"), Ids{2});
    EXPECT_EQ(index.Find("ガッコウ"), Ids{1});
    EXPECT_EQ(index.Find("ｶﾞｯ"), Ids{1});
    EXPECT_EQ(index.Find("がっこう"), Ids{2});
    EXPECT_EQ(index.Find("コウ"), (Ids{1, 3}));
    EXPECT_EQ(index.Find("ガ"), Ids{1});  // the voiced mark counts: カ alone is rows 2 and 3
    EXPECT_EQ(index.Find("カ"), (Ids{2, 3}));
}

TEST_P(FtsTokenizer, MixedScriptsEmojiAndCarriedCharacters) {
    SearchIndex index(GetParam());
    index.Add(1, "iPhone用ケース", "第3回 Ｗｉ-Ｆｉ 😀 最高 ★");
    index.Add(2, "iphone", "用");
    index.Add(3, "Emoji", "🎉 party");
    EXPECT_EQ(index.Find("iPhone用"), Ids{1});
    EXPECT_EQ(index.Find("用ケ"), Ids{1});
    EXPECT_EQ(index.Find("第3回"), Ids{1});
    EXPECT_EQ(index.Find("wi-fi"), Ids{1});
    EXPECT_EQ(index.Find("😀"), Ids{1});
    EXPECT_EQ(index.Find("★"), Ids{1});
    EXPECT_EQ(index.Find("🎉"), Ids{3});
    EXPECT_EQ(index.Find("😀 最高"), Ids{1});
    EXPECT_EQ(index.Find("😀最高"), Ids{});  // not side by side in the text
    // Typed in the system's form, a carried character is the character.
    const SearchQuery carried = BuildSearchQueryFromSystemText(test::Sjis("😀最高"));
    EXPECT_EQ(carried.Match(), BuildSearchQuery("😀最高").Match());
    EXPECT_TRUE(carried.Matches("", "x😀最高"));
}

TEST_P(FtsTokenizer, HtmlColumnsAreIndexedByTheirTextNotTheirMarkup) {
    SearchIndex index(GetParam(), "varlo html");
    index.Add(1, "Tips &amp; tricks",
              "<p class=\"note\"><a href=\"http://example.com/div\">東<b>京</b></a>"
              "</p><p>Caf&eacute;&#x1F600;</p>");
    EXPECT_EQ(index.Find("東京"), Ids{1});
    EXPECT_EQ(index.Find("cafe"), Ids{1});
    EXPECT_EQ(index.Find("😀"), Ids{1});
    EXPECT_EQ(index.Find("tricks"), Ids{1});
    EXPECT_EQ(index.Find("href"), Ids{});
    EXPECT_EQ(index.Find("example"), Ids{});
    EXPECT_EQ(index.Find("note"), Ids{});
    EXPECT_EQ(index.Find("amp"), Ids{});
}

TEST(FtsTokenizerTokens, DocumentsGiveCharactersAndPairsQueriesOnlyWhatASubstringNeeds) {
    const auto texts = [](std::string_view text, TokenMode mode) {
        std::vector<std::string> out;
        for (const SearchToken& token : TokenizeForSearch(text, TextForm::kPlain, mode)) {
            out.push_back(token.text + (token.colocated ? "@" : ""));
        }
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(texts("東京都 x", TokenMode::kDocument),
              (V{"東", "東京@", "京", "京都@", "都", "x"}));
    EXPECT_EQ(texts("東京都 x", TokenMode::kQuery), (V{"東京", "京都", "x"}));
    EXPECT_EQ(texts("東", TokenMode::kQuery), V{"東"});
    EXPECT_EQ(texts("、。！？ ... +-*/", TokenMode::kDocument), V{});
    // A long word is cut at a character's end within the limit.
    const std::string longWord(40, 'a');
    const auto tokens =
        TokenizeForSearch(longWord + "é" + longWord, TextForm::kPlain, TokenMode::kDocument);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].text.size(), SearchTokenizer::kMaxWordBytes);
    EXPECT_TRUE(tokens[0].truncated);
    EXPECT_EQ(tokens[0].end, longWord.size() * 2 + 2);
}

TEST(FtsTokenizerTokens, ATableWithAnUnknownOptionIsRefused) {
    SearchIndex index("none");
    EXPECT_NE(SqliteExec(index.Db(), "CREATE VIRTUAL TABLE u USING fts5(a, tokenize='varlo xml')"),
              SQLITE_OK);
}

}  // namespace
}  // namespace varlo
