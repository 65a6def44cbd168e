#pragma once
// The full-text tokenizer "varlo" of SQLite's FTS5, which finds Japanese and Chinese text by any
// substring and other text by its words (see store/search_tokens.h). A table names it:
//   CREATE VIRTUAL TABLE t USING fts5(title, body, tokenize='varlo')
// or, for columns holding HTML (tags are no text, character references are their characters):
//   ... tokenize='varlo html'
// Every connection that reads or writes such a table must register it first. The queries of
// store/search_query.h ask for single tokens only and check phrases against the text, so the
// index needs no positions: with detail=none and columnsize=0 it takes about a fifth of the UTF-8
// size of what it indexes (detail=column twice that, detail=full four times). Short prefixes of
// words (a search for "caf" finds "cafe") begin the most words; an index of word beginnings of 3
// and 4 characters, kSearchPrefixIndex, makes each one list of hits for a fifth of the text's
// size more. Longer prefixes begin few words, whose lists FTS5 merges quickly:
//   CREATE VIRTUAL TABLE t USING fts5(title, body, tokenize='varlo html', detail=none,
//                                     columnsize=0, prefix='3 4')

#include <sqlite3.h>

namespace varlo {

// The prefix option of the index table that the queries of store/search_query.h are made for.
inline constexpr const char* kSearchPrefixIndex = "prefix='3 4'";

// Registers the tokenizer "varlo" on `db`; false when the connection has no FTS5.
bool RegisterVarloTokenizer(sqlite3* db);

}  // namespace varlo
