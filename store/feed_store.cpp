#include "store/feed_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "encoding/codepage.h"
#include "platform/kill_point.h"
#include "store/article_keys.h"
#include "store/article_limits.h"
#include "store/fts_tokenizer.h"
#include "store/full_text_schema.h"
#include "store/library.h"
#include "store/library_schema.h"
#include "store/pending_marks.h"
#include "store/rules_schema.h"
#include "store/search_query.h"
#include "store/site_settings.h"
#include "store/store_paths.h"
#include "store/sync_state_schema.h"
#include "store/write_guard.h"
#include "store/write_transaction.h"

namespace varlo {
namespace {

// What servers asked of later updates: a feed fresh until a time, a feed gone for good,
// and hosts that asked every site of theirs to wait until a time.
constexpr const char* kServerRequestsMigration =
    "ALTER TABLE feeds ADD COLUMN fresh_until INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE feeds ADD COLUMN gone INTEGER NOT NULL DEFAULT 0;"
    "CREATE TABLE host_waits (host BLOB PRIMARY KEY, until INTEGER NOT NULL) WITHOUT ROWID;";

// Each step takes the schema from its index to the next version; a new version appends a step.
const char* const kMigrations[] = {
    // 0 -> 1
    "CREATE TABLE feeds ("
    "  id INTEGER PRIMARY KEY,"
    "  url BLOB NOT NULL UNIQUE,"
    "  etag BLOB NOT NULL DEFAULT x'',"
    "  last_modified BLOB NOT NULL DEFAULT x'',"
    "  last_success INTEGER NOT NULL DEFAULT 0,"
    "  last_failure INTEGER NOT NULL DEFAULT 0,"
    "  failure_message BLOB NOT NULL DEFAULT x'',"
    "  downloaded INTEGER NOT NULL DEFAULT 0,"
    "  touched INTEGER NOT NULL);"
    "CREATE TABLE articles ("
    "  feed_id INTEGER NOT NULL REFERENCES feeds(id) ON DELETE CASCADE,"
    "  key BLOB NOT NULL,"
    "  first_seen INTEGER NOT NULL,"
    "  last_present INTEGER NOT NULL,"
    "  seen INTEGER NOT NULL DEFAULT 0,"
    "  PRIMARY KEY (feed_id, key)) WITHOUT ROWID;"
    "CREATE INDEX articles_by_presence ON articles(last_present);",
    // 1 -> 2: when the feed's body last changed. An article whose key was in that body is
    // present even when later answers were "not modified", which leave its row untouched.
    "ALTER TABLE feeds ADD COLUMN body_time INTEGER NOT NULL DEFAULT 0;"
    "UPDATE feeds SET body_time = last_success;",
    // 2 -> 3: keys kept as a fixed-size hash (a feed's guids may be of any length), with an
    // index by age so that a feed past its number of keys loses its oldest quickly.
    "CREATE TABLE article_hashes ("
    "  feed_id INTEGER NOT NULL REFERENCES feeds(id) ON DELETE CASCADE,"
    "  key_hash INTEGER NOT NULL,"
    "  first_seen INTEGER NOT NULL,"
    "  last_present INTEGER NOT NULL,"
    "  seen INTEGER NOT NULL DEFAULT 0,"
    "  PRIMARY KEY (feed_id, key_hash)) WITHOUT ROWID;"
    "INSERT OR IGNORE INTO article_hashes "
    "  SELECT feed_id, varlo_key_hash(key), first_seen, last_present, seen FROM articles;"
    "DROP TABLE articles;"
    "ALTER TABLE article_hashes RENAME TO articles;"
    "CREATE INDEX articles_by_presence ON articles(last_present);"
    "CREATE INDEX articles_by_age ON articles(feed_id, last_present, first_seen);",
    // 3 -> 4: what servers asked of later updates.
    kServerRequestsMigration,
    // 4 -> 5: the reading library.
    kLibraryMigration,
    // 5 -> 6: marks set-wise; beginnings of words in the search index.
    kSetMarksMigration,
    // 6 -> 7: articles found by their links.
    kLinkIndexMigration,
    // 7 -> 8: the unread articles as a narrow set.
    kUnreadSetMigration,
    // 8 -> 9: everything an article stores counted, and taken with it.
    kArticleCostMigration,
    // 9 -> 10: the whole articles fetched from their pages.
    kFullTextMigration,
    // 10 -> 11: what the user set for each site.
    kSiteSettingsMigration,
    // 11 -> 12: rules, and the articles they hide.
    kRulesMigration,
    // 12 -> 13: what a sync account remembers, until now made by the sync itself.
    kSyncStateMigration,
};
static_assert(std::size(kMigrations) == CFeedStore::kSchemaVersion);

// Stores up to this size are checked whole when opened.
constexpr off_t kFullCheckBytes = 8 << 20;

bool IsDamage(int code) {
    code &= 0xff;
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    return text;
}

// The hash of an article key for SQL, so that a migration can turn stored keys into hashes.
void KeyHashFunction(sqlite3_context* context, int, sqlite3_value** values) {
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(values[0]));
    const int size = sqlite3_value_bytes(values[0]);
    const std::string_view key =
        bytes ? std::string_view(bytes, static_cast<size_t>(size)) : std::string_view();
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(HashArticleKey(key)));
}

// The start of a text of at most a number of bytes, cut between characters.
void CapFunction(sqlite3_context* context, int, sqlite3_value** values) {
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(values[0]));
    const int size = sqlite3_value_bytes(values[0]);
    const std::string_view text =
        bytes ? std::string_view(bytes, static_cast<size_t>(size)) : std::string_view();
    const std::string_view capped = CapUtf8(
        text, static_cast<size_t>(std::max<sqlite3_int64>(0, sqlite3_value_int64(values[1]))));
    // An empty text is an empty blob, not NULL (which a null pointer would give).
    sqlite3_result_blob(context, capped.empty() ? "" : capped.data(),
                        static_cast<int>(capped.size()), SQLITE_TRANSIENT);
}

// An article's key as the library keeps it (StoredArticleKey).
void StoredKeyFunction(sqlite3_context* context, int, sqlite3_value** values) {
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(values[0]));
    const std::string key =
        bytes ? std::string(bytes, static_cast<size_t>(sqlite3_value_bytes(values[0])))
              : std::string();
    const std::string stored = StoredArticleKey(key);
    sqlite3_result_blob(context, stored.data(), static_cast<int>(stored.size()), SQLITE_TRANSIENT);
}

// What an article costs its site (StoredArticleCost), from the sizes of its texts.
void ArticleCostFunction(sqlite3_context* context, int, sqlite3_value** values) {
    sqlite3_result_int64(
        context, StoredArticleCost(sqlite3_value_int64(values[0]), sqlite3_value_int64(values[1]),
                                   sqlite3_value_int64(values[2]), sqlite3_value_int64(values[3])));
}

int64_t KeyHash(const Text& key) {
    return static_cast<int64_t>(HashArticleKey(key));
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

}  // namespace

void CFeedStore::RegisterFunctions(sqlite3* db) {
    sqlite3_create_function_v2(db, "varlo_key_hash", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               &KeyHashFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "varlo_cap", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               &CapFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "varlo_stored_key", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                               nullptr, &StoredKeyFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "varlo_article_cost", 4, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                               nullptr, &ArticleCostFunction, nullptr, nullptr, nullptr);
    RegisterVarloTokenizer(db);
    RegisterSearchCheck(db);
    WatchStoreWrites(db);
}

CFeedStore::OpenResult CFeedStore::TryOpen(const std::string& path) {
    m_db.reset();
    sqlite3* raw = nullptr;
    PrepareStoreFile(path);
    int code =
        sqlite3_open_v2(path.c_str(), &raw,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr);
    SqliteDb db(raw);
    if (code != SQLITE_OK) return IsDamage(code) ? OpenResult::kDamaged : OpenResult::kFailed;
    sqlite3_extended_result_codes(raw, 1);
    // The window and varlo-cli may write at the same time; the later one waits.
    sqlite3_busy_timeout(raw, 5000);

    // A new store gives the pages of deleted articles back to the file system in steps
    // (CLibrary::GiveBackFreePages); an older one becomes such a store at its first whole rewrite.
    SqliteExec(raw, "PRAGMA auto_vacuum=INCREMENTAL");
    code = SqliteExec(raw, "PRAGMA journal_mode=WAL");
    if (code != SQLITE_OK) return IsDamage(code) ? OpenResult::kDamaged : OpenResult::kFailed;
    // WAL with NORMAL loses nothing when the process dies; only a power cut may drop the last
    // commits, and then as whole transactions.
    SqliteExec(raw, "PRAGMA synchronous=NORMAL");
    SqliteExec(raw, "PRAGMA foreign_keys=ON");
    // A large update grows the log; it is cut back to this size once it is checkpointed.
    SqliteExec(raw, "PRAGMA journal_size_limit=4194304");
    RegisterFunctions(raw);

    int version = -1;
    {
        SqliteStatement query(raw, "PRAGMA user_version");
        code = query.Step();
        if (code != SQLITE_ROW) {
            return IsDamage(code) ? OpenResult::kDamaged : OpenResult::kFailed;
        }
        version = static_cast<int>(query.Int(0));
    }
    if (version > kSchemaVersion) return OpenResult::kNewer;
    if (version > 0) {
        // A whole check reads every page: fine for a store of feeds and keys, seconds for a
        // library of a million articles. A large store checks its feeds and the schema at start;
        // damage among its articles shows as failed reads of those articles, not of the store.
        struct stat info {};
        const bool large = stat(path.c_str(), &info) == 0 && info.st_size > kFullCheckBytes;
        SqliteStatement check(raw, large ? "PRAGMA quick_check(feeds)" : "PRAGMA quick_check(1)");
        code = check.Step();
        if (code != SQLITE_ROW) {
            return IsDamage(code) ? OpenResult::kDamaged : OpenResult::kFailed;
        }
        if (check.String(0) != "ok") return OpenResult::kDamaged;
    }
    if (version < kSchemaVersion) {
        // Rebuilding the search index of a large library rewrites its pages many times over:
        // a larger cache keeps them in memory until the end instead of spilling them to the log.
        SqliteExec(raw, "PRAGMA cache_size=-262144");
        WriteTransaction transaction(raw);
        if (!transaction.Open()) return OpenResult::kFailed;
        for (int step = version; step < kSchemaVersion; ++step) {
            code = SqliteExec(raw, kMigrations[step]);
            if (code != SQLITE_OK) {
                return IsDamage(code) ? OpenResult::kDamaged : OpenResult::kFailed;
            }
        }
        const std::string setVersion = "PRAGMA user_version=" + std::to_string(kSchemaVersion);
        if (SqliteExec(raw, setVersion.c_str()) != SQLITE_OK || !transaction.Commit()) {
            return OpenResult::kFailed;
        }
        SqliteExec(raw, "PRAGMA cache_size=-2000");
    }
    m_db = std::move(db);
    return OpenResult::kOk;
}

bool CFeedStore::MoveAside(const std::string& path, const char* kind) {
    m_db.reset();
    const std::string aside = path + "." + kind + "-" + TimeStamp();
    if (rename(path.c_str(), aside.c_str()) != 0) return false;
    // The log belongs to the old file; a fresh store must not replay it.
    if (Exists(path + "-wal")) rename((path + "-wal").c_str(), (aside + "-wal").c_str());
    unlink((path + "-shm").c_str());
    m_notice = Jp("新着の記録を読めなかったため、新しく作り直しました。古い記録は ") +
               Utf8ToCp932(aside) + Jp(" に残してあります。");
    return true;
}

bool CFeedStore::OpenAnother(const std::string& path) {
    m_db.reset();
    m_notice.clear();
    sqlite3* raw = nullptr;
    const int code =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    SqliteDb db(raw);
    if (code != SQLITE_OK) return false;
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, 5000);
    SqliteExec(raw, "PRAGMA synchronous=NORMAL");
    SqliteExec(raw, "PRAGMA foreign_keys=ON");
    SqliteExec(raw, "PRAGMA journal_size_limit=4194304");
    RegisterFunctions(raw);
    SqliteStatement query(raw, "PRAGMA user_version");
    if (query.Step() != SQLITE_ROW || query.Int(0) != kSchemaVersion) return false;
    SqliteStatement mode(raw, "PRAGMA journal_mode");
    if (mode.Step() != SQLITE_ROW || mode.String(0) != "wal") return false;
    m_db = std::move(db);
    m_path = path;
    return true;
}

bool CFeedStore::Open(const std::string& path) {
    m_path = path;
    m_refused = 0;
    m_notice.clear();
    OpenResult result = TryOpen(path);
    if (result == OpenResult::kDamaged || result == OpenResult::kNewer) {
        if (!MoveAside(path, result == OpenResult::kNewer ? "newer" : "corrupt")) return false;
        result = TryOpen(path);
    }
    return result == OpenResult::kOk;
}

namespace {

constexpr const char* kRecordColumns =
    "SELECT etag, last_modified, last_success, last_failure, failure_message, downloaded, "
    "fresh_until, gone, url FROM feeds";

FeedRecord RecordFromRow(const SqliteStatement& query) {
    FeedRecord record;
    record.known = true;
    record.validators.etag = query.String(0);
    record.validators.lastModified = query.String(1);
    record.lastSuccess = query.Int(2);
    record.lastFailure = query.Int(3);
    record.failureMessage = query.String(4);
    record.downloaded = query.Int(5) != 0;
    record.freshUntil = query.Int(6);
    record.gone = query.Int(7) != 0;
    return record;
}

}  // namespace

FeedRecord CFeedStore::Feed(const Text& url) {
    if (!m_db) return {};
    SqliteStatement query(m_db.get(), std::string(kRecordColumns) + " WHERE url = ?");
    query.Bind(1, url);
    if (query.Step() != SQLITE_ROW) return {};
    return RecordFromRow(query);
}

std::map<Text, FeedRecord> CFeedStore::Feeds() {
    std::map<Text, FeedRecord> records;
    if (!m_db) return records;
    SqliteStatement query(m_db.get(), kRecordColumns);
    while (query.Step() == SQLITE_ROW) records.emplace(query.String(8), RecordFromRow(query));
    return records;
}

int64_t CFeedStore::FeedId(const Text& url, int64_t now) {
    SqliteStatement insert(m_db.get(),
                           "INSERT INTO feeds(url, touched) VALUES(?, ?) "
                           "ON CONFLICT(url) DO UPDATE SET touched = excluded.touched");
    insert.Bind(1, url).Bind(2, now);
    if (insert.Step() != SQLITE_DONE) return -1;
    SqliteStatement query(m_db.get(), "SELECT id FROM feeds WHERE url = ?");
    query.Bind(1, url);
    return query.Step() == SQLITE_ROW ? query.Int(0) : -1;
}

int CFeedStore::Record(const Text& url, const FeedValidators& validators,
                       const std::vector<Text>& keys, int64_t now, bool bodyChanged) {
    if (!m_db) return -1;
    KillPoint("store-before-commit");
    WriteTransaction transaction(m_db.get());
    if (!transaction.Open()) return -1;
    const int64_t id = FeedId(url, now);
    if (id < 0) return -1;
    SqliteStatement feed(m_db.get(), bodyChanged
                                         ? "UPDATE feeds SET etag = ?, last_modified = ?, "
                                           "last_success = ?3, body_time = ?3, downloaded = 1, "
                                           "gone = 0 WHERE id = ?4"
                                         : "UPDATE feeds SET etag = ?, last_modified = ?, "
                                           "last_success = ?3, downloaded = 1, gone = 0 "
                                           "WHERE id = ?4");
    feed.Bind(1, validators.etag).Bind(2, validators.lastModified).Bind(3, now).Bind(4, id);
    if (feed.Step() != SQLITE_DONE) return -1;

    // A changed body marks every key it holds present now; an unchanged one writes only the keys
    // the store does not have (none, unless the store lost them), so that a "not modified" answer
    // costs almost nothing.
    SqliteStatement present(
        m_db.get(), "UPDATE articles SET last_present = ? WHERE feed_id = ? AND key_hash = ?");
    SqliteStatement add(m_db.get(),
                        "INSERT OR IGNORE INTO articles(feed_id, key_hash, first_seen, "
                        "last_present, sort_time) VALUES(?1, ?2, ?3, ?4, ?3)");
    int added = 0;
    for (const Text& key : keys) {
        const int64_t hash = KeyHash(key);
        if (bodyChanged) {
            present.Reset();
            present.Bind(1, now).Bind(2, id).Bind(3, hash);
            if (present.Step() != SQLITE_DONE) return -1;
            if (sqlite3_changes(m_db.get()) > 0) continue;
        }
        add.Reset();
        add.Bind(1, id).Bind(2, hash).Bind(3, now).Bind(4, now);
        if (add.Step() != SQLITE_DONE) return -1;
        added += sqlite3_changes(m_db.get()) > 0;
    }
    if (added > 0 && !TrimKeys(id)) return -1;
    KillPoint("store-inside-commit");
    if (!transaction.Commit()) return -1;
    KillPoint("store-after-commit");
    return added;
}

bool CFeedStore::TrimKeys(int64_t feedId) {
    SqliteStatement count(m_db.get(), "SELECT count(*) FROM articles WHERE feed_id = ?");
    count.Bind(1, feedId);
    if (count.Step() != SQLITE_ROW) return false;
    const int64_t excess = count.Int(0) - kMaxKeysPerFeed;
    if (excess <= 0) return true;
    // Longest missing from the feed first, then the earliest seen.
    SqliteStatement trim(m_db.get(),
                         "DELETE FROM articles WHERE feed_id = ?1 AND key_hash IN "
                         "(SELECT key_hash FROM articles WHERE feed_id = ?1 "
                         "ORDER BY last_present, first_seen LIMIT ?2)");
    trim.Bind(1, feedId).Bind(2, excess);
    return trim.Step() == SQLITE_DONE;
}

bool CFeedStore::RecordFailure(const Text& url, const Text& message, int64_t now) {
    if (!m_db) return false;
    SqliteStatement statement(m_db.get(),
                              "INSERT INTO feeds(url, touched, last_failure, failure_message) "
                              "VALUES(?1, ?2, ?2, ?3) ON CONFLICT(url) DO UPDATE SET "
                              "touched = ?2, last_failure = ?2, failure_message = ?3");
    statement.Bind(1, url).Bind(2, now).Bind(3, message);
    return statement.Step() == SQLITE_DONE;
}

bool CFeedStore::RecordGone(const Text& url, const Text& message, int64_t now) {
    if (!m_db) return false;
    SqliteStatement statement(
        m_db.get(),
        "INSERT INTO feeds(url, touched, last_failure, failure_message, gone) "
        "VALUES(?1, ?2, ?2, ?3, 1) ON CONFLICT(url) DO UPDATE SET "
        "touched = ?2, last_failure = ?2, failure_message = ?3, gone = 1");
    statement.Bind(1, url).Bind(2, now).Bind(3, message);
    return statement.Step() == SQLITE_DONE;
}

bool CFeedStore::SetFreshUntil(const Text& url, int64_t until) {
    if (!m_db) return false;
    SqliteStatement statement(m_db.get(), "UPDATE feeds SET fresh_until = ? WHERE url = ?");
    statement.Bind(1, until).Bind(2, url);
    return statement.Step() == SQLITE_DONE;
}

bool CFeedStore::SetHostWait(const std::string& host, int64_t until) {
    if (!m_db) return false;
    SqliteStatement statement(m_db.get(),
                              "INSERT INTO host_waits(host, until) VALUES(?1, ?2) "
                              "ON CONFLICT(host) DO UPDATE SET until = ?2");
    statement.Bind(1, host).Bind(2, until);
    return statement.Step() == SQLITE_DONE;
}

int64_t CFeedStore::HostWait(const std::string& host, int64_t now) {
    if (!m_db) return 0;
    SqliteStatement query(m_db.get(), "SELECT until FROM host_waits WHERE host = ? AND until > ?");
    query.Bind(1, host).Bind(2, now);
    return query.Step() == SQLITE_ROW ? query.Int(0) : 0;
}

bool CFeedStore::Touch(const std::vector<Text>& urls, int64_t now) {
    if (!m_db) return false;
    WriteTransaction transaction(m_db.get());
    if (!transaction.Open()) return false;
    SqliteStatement touch(m_db.get(),
                          "INSERT INTO feeds(url, touched) VALUES(?, ?) "
                          "ON CONFLICT(url) DO UPDATE SET touched = excluded.touched");
    for (const Text& url : urls) {
        if (url.empty()) continue;
        touch.Reset();
        touch.Bind(1, url).Bind(2, now);
        if (touch.Step() != SQLITE_DONE) return false;
    }
    return transaction.Commit();
}

bool CFeedStore::MarkSeen(const Text& url) {
    if (!m_db) return false;
    MarkTransaction transaction(m_db.get());
    if (!transaction.Open()) return false;
    constexpr const char* kSite = "feed_id = (SELECT id FROM feeds WHERE url = ?1)";
    if (!QueueMarks(
            m_db.get(), MarkKind::kRead,
            std::string("FROM articles WHERE id IN (SELECT id FROM unread WHERE ") + kSite + ")",
            [&](SqliteStatement& statement) { statement.Bind(1, url); })) {
        return false;
    }
    SqliteStatement statement(m_db.get(), std::string("DELETE FROM unread WHERE ") + kSite);
    statement.Bind(1, url);
    return statement.Step() == SQLITE_DONE && transaction.Commit();
}

int CFeedStore::UnseenCount(const Text& url) {
    if (!m_db) return -1;
    SqliteStatement query(m_db.get(),
                          "SELECT f.downloaded, (SELECT count(*) FROM unread u "
                          "WHERE u.feed_id = f.id) FROM feeds f WHERE f.url = ?");
    query.Bind(1, url);
    if (query.Step() != SQLITE_ROW || query.Int(0) == 0) return -1;
    return static_cast<int>(query.Int(1));
}

std::set<uint64_t> CFeedStore::KeyHashes(const Text& url, bool unreadOnly) {
    std::set<uint64_t> keys;
    if (!m_db) return keys;
    SqliteStatement query(m_db.get(),
                          "SELECT a.key_hash FROM articles a JOIN feeds f ON a.feed_id = f.id "
                          "WHERE f.url = ?1 AND (?2 = 0 OR " +
                              std::string(kArticleUnread) + ")");
    query.Bind(1, url).Bind(2, static_cast<int64_t>(unreadOnly));
    while (query.Step() == SQLITE_ROW) keys.insert(static_cast<uint64_t>(query.Int(0)));
    return keys;
}

void CFeedStore::RefuseWrites() {
    if (m_db) sqlite3_set_authorizer(m_db.get(), &CFeedStore::Authorize, this);
}

int CFeedStore::Authorize(void* self, int action, const char* first, const char*,
                          const char* database, const char* trigger) {
    switch (action) {
        case SQLITE_INSERT:
        case SQLITE_UPDATE:
        case SQLITE_DELETE:
        case SQLITE_CREATE_TABLE:
        case SQLITE_CREATE_INDEX:
        case SQLITE_DROP_TABLE:
        case SQLITE_DROP_INDEX:
        case SQLITE_ALTER_TABLE:
            break;
        default:
            return SQLITE_OK;
    }
    // The statement's own triggers are checked through the statement that fires them.
    if (trigger != nullptr || database == nullptr || std::strcmp(database, "main") != 0) {
        return SQLITE_OK;
    }
    // The search index declares its table to each connection as it first reads it, which the
    // authorizer sees as a write of the schema table; a real change of the schema is refused by
    // its own action above.
    if (first != nullptr && std::strcmp(first, "sqlite_master") == 0 &&
        (action == SQLITE_INSERT || action == SQLITE_UPDATE || action == SQLITE_DELETE)) {
        return SQLITE_OK;
    }
    auto* store = static_cast<CFeedStore*>(self);
    ++store->m_refused;
    std::fprintf(stderr,
                 "varlo: a change to the store's table %s was refused on a connection "
                 "that only reads\n",
                 first ? first : "?");
    return SQLITE_DENY;
}

std::vector<Text> CFeedStore::Prune(int64_t now) {
    std::vector<Text> forgotten;
    if (!m_db) return forgotten;
    WriteTransaction transaction(m_db.get());
    if (!transaction.Open()) return forgotten;
    const int64_t untouched = now - kFeedLifetime;
    SqliteStatement old(m_db.get(), "SELECT url FROM feeds WHERE touched < ?");
    old.Bind(1, untouched);
    while (old.Step() == SQLITE_ROW) forgotten.push_back(old.String(0));
    // A forgotten feed keeps its starred articles and so its row, but nothing that stands for a
    // body the cache no longer holds.
    SqliteStatement unstarred(m_db.get(),
                              "DELETE FROM articles WHERE starred = 0 AND feed_id IN "
                              "(SELECT id FROM feeds WHERE touched < ?)");
    unstarred.Bind(1, untouched);
    SqliteStatement kept(m_db.get(),
                         "UPDATE feeds SET etag = x'', last_modified = x'', downloaded = 0, "
                         "fresh_until = 0 WHERE touched < ?");
    kept.Bind(1, untouched);
    SqliteStatement feeds(m_db.get(),
                          "DELETE FROM feeds WHERE touched < ? AND NOT EXISTS "
                          "(SELECT 1 FROM articles a WHERE a.feed_id = feeds.id)");
    feeds.Bind(1, untouched);
    bool ok = unstarred.Step() == SQLITE_DONE && kept.Step() == SQLITE_DONE &&
              feeds.Step() == SQLITE_DONE;
    // Missing from the feed: older than its current body (see body_time), and for long enough,
    // which a site may set for itself.
    constexpr const char* kMissing =
        "DELETE FROM articles WHERE last_present < ?1 AND starred = 0 AND last_present < "
        "(SELECT body_time FROM feeds WHERE feeds.id = articles.feed_id)";
    constexpr const char* kOwnDays =
        "SELECT f.id, s.keep_days FROM feeds f JOIN site_settings s ON s.url = f.url "
        "WHERE s.keep_days > 0";
    if (ok && m_keepDays > 0) {
        const std::string others =
            std::string(kMissing) + " AND feed_id NOT IN (SELECT id FROM (" + kOwnDays + "))";
        SqliteStatement articles(m_db.get(), others);
        articles.Bind(1, now - int64_t{m_keepDays} * 86400);
        ok = articles.Step() == SQLITE_DONE;
    }
    if (ok) {
        SqliteStatement own(m_db.get(), kOwnDays);
        SqliteStatement articles(m_db.get(), std::string(kMissing) + " AND feed_id = ?2");
        while (ok && own.Step() == SQLITE_ROW) {
            articles.Reset();
            articles.Bind(1, now - own.Int(1) * 86400).Bind(2, own.Int(0));
            ok = articles.Step() == SQLITE_DONE;
        }
    }
    SqliteStatement waits(m_db.get(), "DELETE FROM host_waits WHERE until <= ?");
    waits.Bind(1, now);
    if (!ok || waits.Step() != SQLITE_DONE || !transaction.Commit()) forgotten.clear();
    return forgotten;
}

}  // namespace varlo
