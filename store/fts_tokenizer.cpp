#include "store/fts_tokenizer.h"

#include <cstring>
#include <new>

#include "store/search_tokens.h"

namespace varlo {
namespace {

struct VarloTokenizer {
    TextForm form = TextForm::kPlain;
};

int CreateTokenizer(void*, const char** args, int argCount, Fts5Tokenizer** out) {
    *out = nullptr;
    TextForm form = TextForm::kPlain;
    for (int i = 0; i < argCount; ++i) {
        if (std::strcmp(args[i], "html") == 0) {
            form = TextForm::kHtml;
        } else {
            return SQLITE_ERROR;
        }
    }
    auto* tokenizer = new (std::nothrow) VarloTokenizer{form};
    if (tokenizer == nullptr) return SQLITE_NOMEM;
    *out = reinterpret_cast<Fts5Tokenizer*>(tokenizer);
    return SQLITE_OK;
}

void DeleteTokenizer(Fts5Tokenizer* tokenizer) {
    delete reinterpret_cast<VarloTokenizer*>(tokenizer);
}

int Tokenize(Fts5Tokenizer* handle, void* context, int flags, const char* text, int size,
             int (*emit)(void*, int, const char*, int, int, int)) {
    const auto* tokenizer = reinterpret_cast<const VarloTokenizer*>(handle);
    const bool query = (flags & FTS5_TOKENIZE_QUERY) != 0;
    // What is searched for is typed, never markup.
    const TextForm form = query ? TextForm::kPlain : tokenizer->form;
    if (text == nullptr || size <= 0) return SQLITE_OK;
    try {
        SearchTokenizer tokens(std::string_view(text, static_cast<size_t>(size)), form,
                               query ? TokenMode::kQuery : TokenMode::kDocument);
        SearchToken token;
        while (tokens.Next(token)) {
            const int rc = emit(context, token.colocated ? FTS5_TOKEN_COLOCATED : 0,
                                token.text.data(), static_cast<int>(token.text.size()),
                                static_cast<int>(token.begin), static_cast<int>(token.end));
            if (rc != SQLITE_OK) return rc;
        }
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
    return SQLITE_OK;
}

fts5_api* Fts5Api(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

}  // namespace

bool RegisterVarloTokenizer(sqlite3* db) {
    fts5_api* api = Fts5Api(db);
    if (api == nullptr) return false;
    fts5_tokenizer tokenizer{CreateTokenizer, DeleteTokenizer, Tokenize};
    return api->xCreateTokenizer(api, "varlo", nullptr, &tokenizer, nullptr) == SQLITE_OK;
}

}  // namespace varlo
