#include "sync/sync_state.h"

namespace varlo {

bool CSyncState::Open(CFeedStore& store, const std::string& account) {
    m_db = store.Connection();
    m_account = account;
    return m_db != nullptr;
}

bool CSyncState::SyncedOnce() {
    SqliteStatement q(m_db, "SELECT synced_once FROM sync_account WHERE account = ?");
    q.Bind(1, m_account);
    return q.Step() == SQLITE_ROW && q.Int(0) != 0;
}

std::vector<SyncedSite> CSyncState::Synced() {
    std::vector<SyncedSite> sites;
    SqliteStatement q(m_db,
                      "SELECT xml_url, title, category FROM sync_site WHERE account = ? "
                      "ORDER BY rowid");
    q.Bind(1, m_account);
    while (q.Step() == SQLITE_ROW) sites.push_back({q.String(0), q.String(1), q.String(2)});
    return sites;
}

bool CSyncState::SetSynced(const std::vector<SyncedSite>& sites) {
    sqlite3* db = m_db;
    if (SqliteExec(db, "BEGIN IMMEDIATE") != SQLITE_OK) return false;
    bool ok = true;
    {
        SqliteStatement clear(db, "DELETE FROM sync_site WHERE account = ?");
        ok = clear.Bind(1, m_account).Step() == SQLITE_DONE;
        SqliteStatement add(db,
                            "INSERT OR REPLACE INTO sync_site(account, xml_url, title, category) "
                            "VALUES(?, ?, ?, ?)");
        for (const SyncedSite& s : sites) {
            if (!ok) break;
            add.Bind(1, m_account).Bind(2, s.xmlUrl).Bind(3, s.title).Bind(4, s.category);
            ok = add.Step() == SQLITE_DONE;
            add.Reset();
        }
        SqliteStatement once(db,
                             "INSERT INTO sync_account(account, synced_once) VALUES(?, 1) "
                             "ON CONFLICT(account) DO UPDATE SET synced_once = 1");
        ok = ok && once.Bind(1, m_account).Step() == SQLITE_DONE;
    }
    if (!ok) {
        SqliteExec(db, "ROLLBACK");
        return false;
    }
    return SqliteExec(db, "COMMIT") == SQLITE_OK;
}

std::set<Text> CSyncState::Declined() {
    std::set<Text> urls;
    SqliteStatement q(m_db, "SELECT xml_url FROM sync_declined WHERE account = ?");
    q.Bind(1, m_account);
    while (q.Step() == SQLITE_ROW) urls.insert(q.String(0));
    return urls;
}

bool CSyncState::AddDeclined(const std::vector<Text>& urls) {
    SqliteStatement add(m_db, "INSERT OR IGNORE INTO sync_declined(account, xml_url) VALUES(?, ?)");
    for (const Text& url : urls) {
        add.Bind(1, m_account).Bind(2, url);
        if (add.Step() != SQLITE_DONE) return false;
        add.Reset();
    }
    return true;
}

int64_t CSyncState::NewestSeen() {
    SqliteStatement q(m_db, "SELECT newest_seen FROM sync_account WHERE account = ?");
    q.Bind(1, m_account);
    return q.Step() == SQLITE_ROW ? q.Int(0) : 0;
}

bool CSyncState::SetNewestSeen(int64_t seconds) {
    SqliteStatement q(m_db,
                      "INSERT INTO sync_account(account, newest_seen) VALUES(?, ?) "
                      "ON CONFLICT(account) DO UPDATE SET newest_seen = excluded.newest_seen");
    q.Bind(1, m_account).Bind(2, seconds);
    return q.Step() == SQLITE_DONE;
}

bool CSyncState::Forget() {
    bool ok = true;
    for (const char* sql :
         {"DELETE FROM sync_site WHERE account = ?", "DELETE FROM sync_declined WHERE account = ?",
          "DELETE FROM sync_account WHERE account = ?"}) {
        SqliteStatement q(m_db, sql);
        ok = q.Bind(1, m_account).Step() == SQLITE_DONE && ok;
    }
    return ok;
}

}  // namespace varlo
