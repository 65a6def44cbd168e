#pragma once
// The schema step of what a sync account remembers between syncs, kept in the store beside the
// library.

namespace varlo {

// 12 -> 13: the sites both sides held after the last sync, the sites the user chose not to
// upload, and how far the reading list was read, per account. A store that a sync used before
// this step already holds these tables, made as they are here: it keeps them and their rows.
inline constexpr const char* kSyncStateMigration =
    "CREATE TABLE IF NOT EXISTS sync_account(account TEXT PRIMARY KEY,"
    " synced_once INTEGER NOT NULL DEFAULT 0,"
    " newest_seen INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS sync_site(account TEXT NOT NULL,"
    " xml_url BLOB NOT NULL, title BLOB NOT NULL, category BLOB NOT NULL,"
    " PRIMARY KEY(account, xml_url));"
    "CREATE TABLE IF NOT EXISTS sync_declined(account TEXT NOT NULL,"
    " xml_url BLOB NOT NULL, PRIMARY KEY(account, xml_url));";

}  // namespace varlo
