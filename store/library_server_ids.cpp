#include "store/library_server_ids.h"

#include "store/article_limits.h"
#include "store/library_rows.h"
#include "store/write_transaction.h"

namespace varlo {

std::set<std::string> CLibrarySyncIds::KnownServerIds(const std::vector<std::string>& serverIds) {
    std::set<std::string> known;
    sqlite3* db = m_store.Connection();
    if (!db) return known;
    const ReadTransaction snapshot(db);
    SqliteStatement query(db, "SELECT 1 FROM articles WHERE server_id = ? LIMIT 1");
    for (const std::string& id : serverIds) {
        query.Reset();
        query.Bind(1, id);
        if (query.Step() == SQLITE_ROW) known.insert(id);
    }
    return known;
}

bool CLibrarySyncIds::ForgetServerIds() {
    sqlite3* db = m_store.Connection();
    if (!db) return false;
    WriteTransaction transaction(db);
    if (!transaction.Open()) return false;
    if (SqliteExec(db, "UPDATE articles SET server_id = NULL WHERE server_id IS NOT NULL") !=
            SQLITE_OK ||
        SqliteExec(db, "DELETE FROM pending_marks") != SQLITE_OK) {
        return false;
    }
    return transaction.Commit();
}

std::optional<LibraryRow> CLibrarySyncIds::FindOne(const std::string& sql,
                                                   const std::vector<std::string>& texts,
                                                   std::optional<int64_t> number) {
    if (!m_store.Connection()) return std::nullopt;
    SqliteStatement query(m_store.Connection(), RowQuery(false, sql.c_str()) + " LIMIT 1");
    int index = 1;
    for (const std::string& text : texts) query.Bind(index++, text);
    if (number) query.Bind(index, *number);
    if (query.Step() != SQLITE_ROW) return std::nullopt;
    return RowFrom(query, false);
}

std::optional<LibraryRow> CLibrarySyncIds::FindByServerId(const std::string& serverId) {
    return FindOne("WHERE a.server_id = ?1", {serverId}, std::nullopt);
}

std::optional<LibraryRow> CLibrarySyncIds::FindByLink(const Text& url, const std::string& link) {
    return FindOne(
        "WHERE f.url = ?1 AND a.stored = 1 AND substr(a.link, 1, 256) = substr(?2, 1, 256) "
        "AND a.link = ?2",
        {url, std::string(CapUtf8(link, kMaxLinkBytes))}, std::nullopt);
}

std::optional<LibraryRow> CLibrarySyncIds::FindByKey(const Text& url, const std::string& key) {
    return FindOne(
        "WHERE a.key_hash = ?3 AND a.feed_id = (SELECT id FROM feeds WHERE url = ?1) "
        "AND a.key = ?2 AND a.stored = 1",
        {url, StoredArticleKey(key)}, KeyHashOf(key));
}

std::optional<LibraryRow> CLibrarySyncIds::FindByTitleDate(const Text& url,
                                                           const std::string& title, int64_t date) {
    return FindOne("WHERE f.url = ?1 AND a.stored = 1 AND a.title = ?2 AND a.date = ?3",
                   {url, std::string(CapUtf8(title, kMaxTitleBytes))}, date);
}

bool CLibrarySyncIds::SetServerId(int64_t id, const std::string& serverId) {
    if (!m_store.Connection()) return false;
    SqliteStatement statement(m_store.Connection(),
                              "UPDATE articles SET server_id = ? WHERE id = ?");
    if (serverId.empty()) {
        statement.BindNull(1);
    } else {
        statement.Bind(1, serverId);
    }
    statement.Bind(2, id);
    return statement.Step() == SQLITE_DONE;
}

std::vector<LibraryRef> CLibrarySyncIds::RefsWhere(const char* where, const char* from) {
    std::vector<LibraryRef> refs;
    if (!m_store.Connection()) return refs;
    SqliteStatement query(m_store.Connection(),
                          std::string("SELECT a.id, f.url, a.key, a.server_id FROM ") + from +
                              " JOIN feeds f ON f.id = a.feed_id WHERE a.stored = 1 AND " + where);
    while (query.Step() == SQLITE_ROW) {
        LibraryRef ref;
        ref.id = query.Int(0);
        ref.feedUrl = query.String(1);
        ref.key = query.String(2);
        if (!query.IsNull(3)) ref.serverId = query.String(3);
        refs.push_back(std::move(ref));
    }
    return refs;
}

std::vector<LibraryRef> CLibrarySyncIds::UnreadSet() {
    return RefsWhere("a.id IN (SELECT id FROM unread)");
}

std::vector<LibraryRef> CLibrarySyncIds::StarredSet() {
    // Through the index of starred articles: the window asks at every fill of the article list,
    // and a scan of a library of a million articles would hold it up.
    return RefsWhere("a.starred = 1", "articles a INDEXED BY articles_starred");
}

std::vector<LibraryRef> CLibrarySyncIds::HiddenSet() {
    return RefsWhere("a.hidden = 1", "articles a INDEXED BY articles_hidden");
}

}  // namespace varlo
