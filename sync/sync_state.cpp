#include "sync/sync_state.h"

namespace varlo {

bool CSyncState::Open(const std::string& path, const std::string& account) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(db);
        return false;
    }
    m_db.reset(db);
    m_account = account;
    sqlite3_busy_timeout(db, 5000);
    return SqliteExec(db,
                      "CREATE TABLE IF NOT EXISTS sync_account(account TEXT PRIMARY KEY,"
                      " synced_once INTEGER NOT NULL DEFAULT 0,"
                      " newest_seen INTEGER NOT NULL DEFAULT 0);"
                      "CREATE TABLE IF NOT EXISTS sync_site(account TEXT NOT NULL,"
                      " xml_url BLOB NOT NULL, title BLOB NOT NULL, category BLOB NOT NULL,"
                      " PRIMARY KEY(account, xml_url));"
                      "CREATE TABLE IF NOT EXISTS sync_declined(account TEXT NOT NULL,"
                      " xml_url BLOB NOT NULL, PRIMARY KEY(account, xml_url));") == SQLITE_OK;
}

bool CSyncState::SyncedOnce() {
    SqliteStatement q(m_db.get(), "SELECT synced_once FROM sync_account WHERE account = ?");
    q.Bind(1, m_account);
    return q.Step() == SQLITE_ROW && q.Int(0) != 0;
}

std::vector<SyncedSite> CSyncState::Synced() {
    std::vector<SyncedSite> sites;
    SqliteStatement q(m_db.get(),
                      "SELECT xml_url, title, category FROM sync_site WHERE account = ? "
                      "ORDER BY rowid");
    q.Bind(1, m_account);
    while (q.Step() == SQLITE_ROW) sites.push_back({q.String(0), q.String(1), q.String(2)});
    return sites;
}

bool CSyncState::SetSynced(const std::vector<SyncedSite>& sites) {
    sqlite3* db = m_db.get();
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
    SqliteStatement q(m_db.get(), "SELECT xml_url FROM sync_declined WHERE account = ?");
    q.Bind(1, m_account);
    while (q.Step() == SQLITE_ROW) urls.insert(q.String(0));
    return urls;
}

bool CSyncState::AddDeclined(const std::vector<Text>& urls) {
    SqliteStatement add(m_db.get(),
                        "INSERT OR IGNORE INTO sync_declined(account, xml_url) VALUES(?, ?)");
    for (const Text& url : urls) {
        add.Bind(1, m_account).Bind(2, url);
        if (add.Step() != SQLITE_DONE) return false;
        add.Reset();
    }
    return true;
}

int64_t CSyncState::NewestSeen() {
    SqliteStatement q(m_db.get(), "SELECT newest_seen FROM sync_account WHERE account = ?");
    q.Bind(1, m_account);
    return q.Step() == SQLITE_ROW ? q.Int(0) : 0;
}

bool CSyncState::SetNewestSeen(int64_t seconds) {
    SqliteStatement q(m_db.get(),
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
        SqliteStatement q(m_db.get(), sql);
        ok = q.Bind(1, m_account).Step() == SQLITE_DONE && ok;
    }
    return ok;
}

}  // namespace varlo
