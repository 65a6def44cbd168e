#pragma once
// The full-text tokenizer "varlo" of SQLite's FTS5, which finds Japanese and Chinese text by any
// substring and other text by its words (see store/search_tokens.h). A table names it:
//   CREATE VIRTUAL TABLE t USING fts5(title, body, tokenize='varlo')
// or, for columns holding HTML (tags are no text, character references are their characters):
//   ... tokenize='varlo html'
// Every connection that reads or writes such a table must register it first.

#include <sqlite3.h>

namespace varlo {

// Registers the tokenizer "varlo" on `db`; false when the connection has no FTS5.
bool RegisterVarloTokenizer(sqlite3* db);

}  // namespace varlo
