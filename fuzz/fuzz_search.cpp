// Search over any text and any typed words: folding, the tokenizer over plain and HTML text and
// the query never fail; each token stands for bytes of the text; the query is always valid FTS5;
// and a text that is exactly the typed words is always found by them, through the index and the
// check alike.

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/fts_tokenizer.h"
#include "store/search_query.h"
#include "store/search_tokens.h"

namespace {

sqlite3* Index() {
    static sqlite3* db = [] {
        sqlite3* opened = nullptr;
        if (sqlite3_open(":memory:", &opened) != SQLITE_OK ||
            !varlo::RegisterVarloTokenizer(opened) ||
            sqlite3_exec(opened,
                         "CREATE VIRTUAL TABLE t USING fts5(title, body, tokenize='varlo', "
                         "detail=none)",
                         nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::abort();
        }
        return opened;
    }();
    return db;
}

void CheckTokens(std::string_view text, varlo::TextForm form) {
    for (const auto mode : {varlo::TokenMode::kDocument, varlo::TokenMode::kQuery}) {
        varlo::SearchTokenizer tokenizer(text, form, mode);
        varlo::SearchToken token;
        while (tokenizer.Next(token)) {
            if (token.text.empty() || token.begin >= token.end || token.end > text.size() ||
                token.text.size() > 4 * varlo::SearchTokenizer::kMaxWordBytes) {
                std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckTokens(input, varlo::TextForm::kPlain);
    CheckTokens(input, varlo::TextForm::kHtml);

    const varlo::SearchQuery query = varlo::BuildSearchQuery(input);
    if (query.Empty()) return 0;
    sqlite3* db = Index();
    sqlite3_exec(db, "DELETE FROM t", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t(rowid, title, body) VALUES (1, '', ?1)", -1, &insert,
                       nullptr);
    sqlite3_bind_text(insert, 1, input.data(), static_cast<int>(input.size()), SQLITE_STATIC);
    if (sqlite3_step(insert) != SQLITE_DONE) std::abort();
    sqlite3_finalize(insert);

    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM t WHERE t MATCH ?1", -1, &select, nullptr);
    const std::string& match = query.Match();
    sqlite3_bind_text(select, 1, match.data(), static_cast<int>(match.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(select);
    const int64_t found = rc == SQLITE_ROW ? sqlite3_column_int64(select, 0) : -1;
    sqlite3_finalize(select);
    if (rc != SQLITE_ROW) std::abort();  // a query FTS5 could not read
    // Words longer than a search box holds are cut, and may then differ from the text.
    if (size <= 4096 && (found != 1 || !query.Matches("", input))) std::abort();
    return 0;
}
