#include "store/library_marks.h"

#include <string>

#include "platform/kill_point.h"
#include "store/library_rows.h"
#include "store/library_schema.h"
#include "store/library_views.h"
#include "store/write_transaction.h"

namespace varlo {

bool CLibraryMarks::SetHidden(int64_t id, bool hidden) {
    if (!m_store.Connection()) return false;
    SqliteStatement hide(m_store.Connection(),
                         "UPDATE articles SET hidden = ?2 WHERE id = ?1 AND hidden != ?2");
    hide.Bind(1, id).Bind(2, int64_t{hidden});
    return hide.Step() == SQLITE_DONE;
}

bool CLibraryMarks::SetMark(MarkKind kind, bool value, const char* where, std::string_view key,
                            int64_t id, MarkSource source) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    KillPoint("library-mark");
    // Only the articles whose mark changes: they are the ones to queue. Read is the absence
    // from the unread set.
    const std::string changing = kind == MarkKind::kStarred ? "starred != ?1"
                                 : value                    ? kArticleUnread
                                                            : kArticleRead;
    const std::string rows = std::string("FROM articles a WHERE ") + where + " AND " + changing;
    auto bind = [&](SqliteStatement& statement) {
        statement.Bind(1, int64_t{value});
        if (id >= 0) {
            statement.Bind(2, id);
        } else {
            const std::string whole(key);
            statement.Bind(2, KeyHashOf(whole)).Bind(3, StoredArticleKey(whole));
        }
    };
    MarkTransaction transaction(db);
    if (!transaction.Open()) return false;
    if (source == MarkSource::kLocal && !QueueMarks(db, kind, rows, bind)) return false;
    std::string change;
    if (kind == MarkKind::kStarred) {
        change =
            std::string("UPDATE articles SET starred = ?1 WHERE ") + where + " AND " + changing;
    } else if (value) {
        change =
            std::string("DELETE FROM unread WHERE ?1 AND id IN (SELECT id FROM articles WHERE ") +
            where + ")";
    } else {
        change = std::string(
                     "INSERT OR IGNORE INTO unread(id, feed_id, sort_time, stored, synced, hidden) "
                     "SELECT id, feed_id, sort_time, stored, server_id IS NOT NULL, hidden FROM "
                     "articles WHERE NOT ?1 AND ") +
                 where;
    }
    SqliteStatement statement(db, change);
    bind(statement);
    return statement.Step() == SQLITE_DONE && transaction.Commit();
}

bool CLibraryMarks::SetRead(int64_t id, bool read, MarkSource source) {
    return SetMark(MarkKind::kRead, read, "id = ?2", {}, id, source);
}

bool CLibraryMarks::SetStarred(int64_t id, bool starred, MarkSource source) {
    return SetMark(MarkKind::kStarred, starred, "id = ?2", {}, id, source);
}

int CLibraryMarks::SetReadByKey(const std::string& key, bool read, MarkSource source) {
    if (!SetMark(MarkKind::kRead, read, kByKey, key, -1, source)) return -1;
    return CountByKey(key);
}

int CLibraryMarks::SetStarredByKey(const std::string& key, bool starred, MarkSource source) {
    if (!SetMark(MarkKind::kStarred, starred, kByKey, key, -1, source)) return -1;
    return CountByKey(key);
}

int CLibraryMarks::CountByKey(const std::string& key) {
    SqliteStatement query(m_store.Connection(),
                          "SELECT count(*) FROM articles WHERE key_hash = ? AND key = ? AND "
                          "stored = 1");
    query.Bind(1, KeyHashOf(key)).Bind(2, StoredArticleKey(key));
    return query.Step() == SQLITE_ROW ? static_cast<int>(query.Int(0)) : -1;
}

bool CLibraryMarks::MarkSiteRead(const Text& url) {
    if (!m_store.Connection()) return false;
    KillPoint("library-mark");
    return m_store.MarkSeen(url);
}

bool CLibraryMarks::MarkViewRead(const LibraryView& view) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    KillPoint("library-mark");
    // Both statements read the marked articles from indexes that hold them alone: the unread
    // ones of every site, and the unread ones a sync server knows; a view of some sites only
    // keeps theirs.
    const bool limited = view.kind != LibraryView::Kind::kSite &&
                         view.kind != LibraryView::Kind::kSearch && m_views.LimitToSites(view);
    const std::string sites = limited ? kInSites : "";
    std::string marked;
    std::string queued;
    switch (view.kind) {
        case LibraryView::Kind::kUnread:
        case LibraryView::Kind::kAll:
            // Everything, the articles known by their keys alone too.
            marked = limited ? " WHERE 1" + sites : "";
            queued =
                "FROM articles WHERE id IN (SELECT id FROM unread INDEXED BY unread_synced "
                "WHERE synced = 1" +
                sites + ")";
            break;
        case LibraryView::Kind::kStarred:
            marked =
                " WHERE id IN (SELECT id FROM articles INDEXED BY articles_starred WHERE "
                "starred = 1 AND stored = 1" +
                sites + ")";
            queued =
                "FROM articles INDEXED BY articles_starred WHERE starred = 1 AND stored = 1 AND "
                "id IN (SELECT id FROM unread)" +
                sites;
            break;
        case LibraryView::Kind::kHidden:
            marked =
                " WHERE id IN (SELECT id FROM articles INDEXED BY articles_hidden WHERE "
                "hidden = 1 AND stored = 1" +
                sites + ")";
            queued =
                "FROM articles INDEXED BY articles_hidden WHERE hidden = 1 AND stored = 1 AND "
                "id IN (SELECT id FROM unread)" +
                sites;
            break;
        case LibraryView::Kind::kSite:
            return MarkSiteRead(view.site);
        case LibraryView::Kind::kSearch:
            return MarkRead(m_views.Ids(view));
    }
    // A large set is worked on in memory until it is written at once.
    SqliteExec(db, "PRAGMA cache_size=-65536");
    bool done = false;
    {
        MarkTransaction transaction(db);
        done = transaction.Open() &&
               QueueMarks(db, MarkKind::kRead, queued.c_str(), [](auto&) {}) &&
               SqliteExec(db, ("DELETE FROM unread" + marked).c_str()) == SQLITE_OK &&
               transaction.Commit();
    }
    SqliteExec(db, "PRAGMA cache_size=-2000");
    KillPoint("library-mark-after");
    return done;
}

bool CLibraryMarks::MarkRead(const std::vector<int64_t>& ids) {
    sqlite3* db = m_store.Connection();
    MarkTransaction transaction(db);
    if (!transaction.Open()) return false;
    for (const int64_t id : ids) {
        if (!SetRead(id, true)) return false;
    }
    return transaction.Commit();
}

std::vector<PendingMark> CLibraryMarks::TakePendingMarks(int64_t max) {
    std::vector<PendingMark> marks;
    if (!m_store.Connection()) return marks;
    SqliteStatement query(m_store.Connection(),
                          std::string("SELECT p.article_id, a.server_id, ") + kArticleRead +
                              ", a.starred, p.read_changed, "
                              "p.starred_changed FROM pending_marks p JOIN articles a ON "
                              "a.id = p.article_id WHERE a.server_id IS NOT NULL ORDER BY p.seq "
                              "LIMIT ?");
    query.Bind(1, max);
    while (query.Step() == SQLITE_ROW) {
        PendingMark mark;
        mark.articleId = query.Int(0);
        mark.serverId = query.String(1);
        mark.read = query.Int(2) != 0;
        mark.starred = query.Int(3) != 0;
        mark.readChanged = query.Int(4) != 0;
        mark.starredChanged = query.Int(5) != 0;
        marks.push_back(std::move(mark));
    }
    return marks;
}

bool CLibraryMarks::ClearSentMarks(const std::vector<PendingMark>& sent) {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    WriteTransaction transaction(db);
    if (!transaction.Open()) return false;
    // A mark made again since it was taken stays queued: the article's state differs from what
    // was sent.
    SqliteStatement clear(db,
                          "DELETE FROM pending_marks WHERE article_id = ?1 AND EXISTS (SELECT 1 "
                          "FROM articles a WHERE a.id = ?1 AND " +
                              std::string(kArticleRead) + " = ?2 AND a.starred = ?3)");
    for (const PendingMark& mark : sent) {
        clear.Reset();
        clear.Bind(1, mark.articleId).Bind(2, int64_t{mark.read}).Bind(3, int64_t{mark.starred});
        if (clear.Step() != SQLITE_DONE) return false;
    }
    return transaction.Commit();
}

}  // namespace varlo
