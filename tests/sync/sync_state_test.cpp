// What a sync account remembers lives in the store's own schema and connection: a store that a
// sync used before keeps its accounts, and one that never synced gets the tables.
#include "sync/sync_state.h"

#include <gtest/gtest.h>

#include <string>

#include "store/feed_store.h"
#include "store/sqlite.h"
#include "support/test_support.h"

namespace varlo {
namespace {

// The tables as the sync made them itself before they joined the store's steps, with a row each
// written as the sync writes them (its strings are bound as bytes).
constexpr const char* kMadeBySync =
    "DROP TABLE sync_account; DROP TABLE sync_site; DROP TABLE sync_declined;"
    "CREATE TABLE IF NOT EXISTS sync_account(account TEXT PRIMARY KEY,"
    " synced_once INTEGER NOT NULL DEFAULT 0, newest_seen INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS sync_site(account TEXT NOT NULL, xml_url BLOB NOT NULL,"
    " title BLOB NOT NULL, category BLOB NOT NULL, PRIMARY KEY(account, xml_url));"
    "CREATE TABLE IF NOT EXISTS sync_declined(account TEXT NOT NULL, xml_url BLOB NOT NULL,"
    " PRIMARY KEY(account, xml_url));"
    "INSERT INTO sync_account VALUES(CAST('ann@server' AS BLOB), 1, 1700000123);"
    "INSERT INTO sync_site VALUES(CAST('ann@server' AS BLOB), CAST('http://a/feed' AS BLOB),"
    " CAST('A' AS BLOB), CAST('' AS BLOB));"
    "INSERT INTO sync_declined VALUES(CAST('ann@server' AS BLOB), CAST('http://b/feed' AS BLOB));"
    "PRAGMA user_version=12;";

TEST(SyncState, AStoreASyncUsedBeforeKeepsItsAccountAndANewOneGetsTheTables) {
    test::TempDir dir;
    const std::string used = dir.File("used.db");
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(used));
        ASSERT_EQ(SqliteExec(store.Connection(), kMadeBySync), SQLITE_OK);
    }
    CFeedStore store;
    ASSERT_TRUE(store.Open(used));
    EXPECT_TRUE(store.Notice().empty());
    CSyncState state;
    ASSERT_TRUE(state.Open(store, "ann@server"));
    EXPECT_TRUE(state.SyncedOnce());
    EXPECT_EQ(state.NewestSeen(), 1700000123);
    ASSERT_EQ(state.Synced().size(), 1u);
    EXPECT_EQ(state.Synced()[0].title, "A");
    EXPECT_EQ(state.Declined(), std::set<Text>{"http://b/feed"});

    // Before any sync: the tables are there, empty, and writable through the store.
    {
        CFeedStore fresh;
        ASSERT_TRUE(fresh.Open(dir.File("fresh.db")));
        ASSERT_EQ(SqliteExec(fresh.Connection(),
                             "DROP TABLE sync_account; DROP TABLE sync_site; "
                             "DROP TABLE sync_declined; PRAGMA user_version=12;"),
                  SQLITE_OK);
    }
    CFeedStore fresh;
    ASSERT_TRUE(fresh.Open(dir.File("fresh.db")));
    CSyncState other;
    ASSERT_TRUE(other.Open(fresh, "bob@server"));
    EXPECT_FALSE(other.SyncedOnce());
    EXPECT_TRUE(other.SetNewestSeen(42));
    EXPECT_TRUE(other.AddDeclined({"http://c/feed"}));
    EXPECT_EQ(other.NewestSeen(), 42);
    EXPECT_TRUE(other.Forget());
    EXPECT_EQ(other.NewestSeen(), 0);

    // A store that is not open gives no state.
    CFeedStore closed;
    EXPECT_FALSE(CSyncState().Open(closed, "ann@server"));
}

}  // namespace
}  // namespace varlo
