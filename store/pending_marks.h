#pragma once
// Marks the user makes on articles a sync server knows are queued for the server in the
// statement before the one that makes them, for the whole set at once: marking a hundred thousand
// articles read queues what it must with one statement, not one trigger run per article.

#include <sqlite3.h>

#include <functional>
#include <string>

#include "store/sqlite.h"

namespace varlo {

// Which mark a statement changes.
enum class MarkKind { kRead, kStarred };

// Queues a change of `kind` for every article `rows` selects: a FROM and WHERE over `articles`
// (which the statement names) choosing the articles whose mark is about to change; those without
// a server id are left out here. `bind` binds the parameters `rows` uses. An article already
// queued keeps what it had to send and takes the new change too, as the latest mark.
bool QueueMarks(sqlite3* db, MarkKind kind, const std::string& rows,
                const std::function<void(SqliteStatement&)>& bind);

// The transaction that holds a mark and its queueing together: a write transaction of its own, or
// a savepoint when the caller has one open (marks made in a batch). Undone unless committed.
class MarkTransaction {
  public:
    explicit MarkTransaction(sqlite3* db);
    MarkTransaction(const MarkTransaction&) = delete;
    MarkTransaction& operator=(const MarkTransaction&) = delete;
    ~MarkTransaction();
    bool Open() const { return m_open; }
    bool Commit();

  private:
    sqlite3* m_db;
    bool m_nested = false;
    bool m_open = false;
};

}  // namespace varlo
