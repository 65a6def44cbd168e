#pragma once
// How the library's articles are held in rows, for the classes that read and write them: the hash
// a key is found by, the time an article sorts by, the statements that read rows back and the
// clauses of the stored views.

#include <cstdint>
#include <string>

#include "store/library_types.h"
#include "store/sqlite.h"

namespace varlo {

// The store hashes keys in the system's text, as the window has always recorded them; a key
// kept as its hash gives that hash.
int64_t KeyHashOf(const std::string& utf8Key);
// An article sorts by its date, else by when it was first seen.
int64_t SortTime(int64_t date, int64_t firstSeen);
// A row read by a statement RowQuery made.
LibraryRow RowFrom(const SqliteStatement& query, bool withHtml);
// The statement that reads rows, with `rest` (its conditions) after its FROM.
std::string RowQuery(bool withHtml, const char* rest);
// The rows, the WHERE and the ORDER BY of a stored view (not a search), with the site's address
// as ?1, limited to the table of sites when `limited`. Each names the partial index that holds
// the view in its order: without statistics the planner would take the index of every article
// by time and test each row.
std::string ViewClause(LibraryView::Kind kind, bool limited = false);

// The condition that keeps the articles of the sites in the connection's table of sites.
inline constexpr const char* kInSites =
    " AND feed_id IN (SELECT f.id FROM temp.varlo_sites s JOIN feeds f ON f.url = s.url)";
// The articles of a key (?2 its hash, ?3 the key) in every site.
inline constexpr const char* kByKey = "key_hash = ?2 AND key = ?3 AND stored = 1";

}  // namespace varlo
