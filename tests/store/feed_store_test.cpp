#include "store/feed_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <thread>

#include "store/article_keys.h"
#include "store/write_guard.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::ReadFile;
using test::Sjis;
using test::TempDir;
using test::WriteFile;

constexpr int64_t kDay = 86400;
constexpr int64_t kT0 = 1700000000;

// The store's form of a set of article keys.
std::set<uint64_t> Hashes(std::initializer_list<std::string_view> keys) {
    std::set<uint64_t> hashes;
    for (const std::string_view key : keys) hashes.insert(HashArticleKey(key));
    return hashes;
}

// Entries of `folder` whose names start with `prefix`.
std::vector<std::string> FilesStartingWith(const TempDir& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names;
}

TEST(FeedStore, FirstDownloadMakesEveryArticleNewAndUnseenAndLaterOnlyUnknownKeysCount) {
    TempDir dir;
    CFeedStore store;
    ASSERT_TRUE(store.Open(dir.File("varlo.db")));
    EXPECT_TRUE(store.Notice().empty());
    const Text url = "http://example.com/feed.xml";
    EXPECT_EQ(store.UnseenCount(url), -1);
    EXPECT_FALSE(store.Feed(url).known);

    EXPECT_EQ(
        store.RecordSuccess(url, {"\"v1\"", "Mon, 01 Jan 2024 00:00:00 GMT"}, {"a", "b", "c"}, kT0),
        3);
    EXPECT_EQ(store.UnseenCount(url), 3);
    // The same key twice in one body is one article.
    EXPECT_EQ(store.RecordSuccess(url, {"\"v2\"", ""}, {"b", "c", "d", "d"}, kT0 + 60), 1);
    EXPECT_EQ(store.UnseenCount(url), 4);
    EXPECT_EQ(store.UnseenKeys(url), Hashes({"a", "b", "c", "d"}));

    const FeedRecord record = store.Feed(url);
    EXPECT_TRUE(record.known);
    EXPECT_TRUE(record.downloaded);
    EXPECT_EQ(record.validators.etag, "\"v2\"");
    EXPECT_EQ(record.validators.lastModified, "");
    EXPECT_EQ(record.lastSuccess, kT0 + 60);

    EXPECT_TRUE(store.MarkSeen(url));
    EXPECT_EQ(store.UnseenCount(url), 0);
    EXPECT_EQ(store.RecordSuccess(url, {}, {"d", "e"}, kT0 + 120), 1);
    EXPECT_EQ(store.UnseenKeys(url), Hashes({"e"}));
}

TEST(FeedStore, FailuresKeepArticlesAndValidatorsAndATouchedFeedIsNotYetDownloaded) {
    TempDir dir;
    CFeedStore store;
    ASSERT_TRUE(store.Open(dir.File("varlo.db")));
    const Text url = Sjis("http://例.jp/フィード");
    store.RecordSuccess(url, {"e1", "m1"}, {"k"}, kT0);
    EXPECT_TRUE(store.RecordFailure(url, Sjis("サーバーに接続できませんでした"), kT0 + 5));
    const FeedRecord record = store.Feed(url);
    EXPECT_EQ(record.validators.etag, "e1");
    EXPECT_EQ(record.lastSuccess, kT0);
    EXPECT_EQ(record.lastFailure, kT0 + 5);
    EXPECT_EQ(record.failureMessage, Sjis("サーバーに接続できませんでした"));
    EXPECT_EQ(store.UnseenCount(url), 1);

    ASSERT_TRUE(store.Touch({"http://other/"}, kT0));
    EXPECT_TRUE(store.Feed("http://other/").known);
    EXPECT_EQ(store.UnseenCount("http://other/"), -1);
    // A feed whose every download failed has never been downloaded.
    store.RecordFailure("http://down/", "x", kT0);
    EXPECT_EQ(store.UnseenCount("http://down/"), -1);
}

TEST(FeedStore, MarksAndValidatorsSurviveReopeningAndTwoConnectionsShareTheFile) {
    TempDir dir;
    const std::string path = dir.File("varlo.db");
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        store.RecordSuccess("u", {"e", "m"}, {"a", "b"}, kT0);
        store.MarkSeen("u");
        store.RecordSuccess("u", {"e2", "m2"}, {"a", "b", "c"}, kT0 + 1);
    }
    CFeedStore window;
    CFeedStore cli;
    ASSERT_TRUE(window.Open(path));
    ASSERT_TRUE(cli.Open(path));
    EXPECT_EQ(window.UnseenKeys("u"), Hashes({"c"}));
    EXPECT_EQ(window.Feed("u").validators.etag, "e2");
    EXPECT_EQ(cli.RecordSuccess("u", {}, {"d"}, kT0 + 2), 1);
    EXPECT_EQ(window.UnseenCount("u"), 2);
}

TEST(FeedStore, PruningForgetsUntouchedFeedsAfter30DaysAndMissingArticlesAfter90) {
    TempDir dir;
    CFeedStore store;
    ASSERT_TRUE(store.Open(dir.File("varlo.db")));
    store.RecordSuccess("kept", {}, {"old", "current"}, kT0);
    store.RecordSuccess("dropped", {}, {"x"}, kT0);
    // "kept" stays in use: touched by choices, "current" still in its feed, "old" gone from it.
    for (int64_t day = 20; day <= 100; day += 20) {
        store.RecordSuccess("kept", {}, {"current"}, kT0 + day * kDay);
    }
    EXPECT_TRUE(store.Prune(kT0 + 29 * kDay).empty());
    EXPECT_EQ(store.Prune(kT0 + 91 * kDay), std::vector<Text>{"dropped"});
    EXPECT_FALSE(store.Feed("dropped").known);
    EXPECT_EQ(store.UnseenKeys("kept"), Hashes({"current"}));
    // A key that comes back after being forgotten is new again.
    EXPECT_EQ(store.RecordSuccess("kept", {}, {"old", "current"}, kT0 + 101 * kDay), 1);

    // "Not modified" for months keeps every article of the body it stands for.
    store.RecordSuccess("quiet", {"e", ""}, {"a", "b"}, kT0);
    for (int64_t day = 10; day <= 200; day += 10) {
        EXPECT_EQ(store.RecordUnchanged("quiet", {"e", ""}, {"a", "b"}, kT0 + day * kDay), 0);
    }
    store.Prune(kT0 + 200 * kDay);
    EXPECT_EQ(store.UnseenKeys("quiet"), Hashes({"a", "b"}));
    EXPECT_EQ(store.Feed("quiet").lastSuccess, kT0 + 200 * kDay);
}

TEST(FeedStore, AStoreOfTheFirstVersionIsMigratedKeepingItsMarks) {
    TempDir dir;
    const std::string path = dir.File("varlo.db");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        const char* v1 =
            "CREATE TABLE feeds (id INTEGER PRIMARY KEY, url BLOB NOT NULL UNIQUE,"
            " etag BLOB NOT NULL DEFAULT x'', last_modified BLOB NOT NULL DEFAULT x'',"
            " last_success INTEGER NOT NULL DEFAULT 0, last_failure INTEGER NOT NULL DEFAULT 0,"
            " failure_message BLOB NOT NULL DEFAULT x'', downloaded INTEGER NOT NULL DEFAULT 0,"
            " touched INTEGER NOT NULL);"
            "CREATE TABLE articles (feed_id INTEGER NOT NULL REFERENCES feeds(id) ON DELETE "
            "CASCADE, key BLOB NOT NULL, first_seen INTEGER NOT NULL, last_present INTEGER NOT "
            "NULL, seen INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (feed_id, key)) WITHOUT ROWID;"
            "CREATE INDEX articles_by_presence ON articles(last_present);"
            "INSERT INTO feeds(id, url, etag, last_success, downloaded, touched)"
            " VALUES(1, CAST('u' AS BLOB), CAST('e' AS BLOB), 1700000000, 1, 1700000000);"
            "INSERT INTO articles VALUES(1, CAST('a' AS BLOB), 1700000000, 1700000000, 0);"
            "PRAGMA user_version=1;";
        ASSERT_EQ(sqlite3_exec(db, v1, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_TRUE(store.Notice().empty());
    EXPECT_EQ(store.UnseenKeys("u"), Hashes({"a"}));
    EXPECT_EQ(store.Feed("u").validators.etag, "e");
    // The article was in the body of the last download: months of "not modified" keep it.
    store.RecordUnchanged("u", {"e", ""}, {"a"}, kT0 + 200 * kDay);
    store.Prune(kT0 + 200 * kDay);
    EXPECT_EQ(store.UnseenCount("u"), 1);
}

TEST(FeedStore, ADamagedOrNewerFileIsMovedAsideOnceAndAFreshStoreMade) {
    TempDir dir;
    const std::string path = dir.File("varlo.db");
    WriteFile(path, std::string(8192, 'x'));
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        const auto aside = FilesStartingWith(dir, "varlo.db.corrupt-");
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(aside[0].size(), std::string("varlo.db.corrupt-").size() + 14);
        EXPECT_EQ(ReadFile(dir.File(aside[0])), std::string(8192, 'x'));
        EXPECT_EQ(store.Notice(),
                  Sjis("新着の記録を読めなかったため、新しく作り直しました。古い記録は ") +
                      dir.File(aside[0]) + Sjis(" に残してあります。"));
        store.RecordSuccess("u", {}, {"a"}, kT0);
    }
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        EXPECT_TRUE(store.Notice().empty());
        EXPECT_EQ(store.UnseenCount("u"), 1);
    }
    // A store written by a later Varlo is left for it, not read half-understood.
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_EQ(FilesStartingWith(dir, "varlo.db.newer-").size(), 1u);
    EXPECT_NE(store.Notice().find("varlo.db.newer-"), Text::npos);
    EXPECT_EQ(store.UnseenCount("u"), -1);
}

TEST(FeedStore, ADatabaseDamagedInsideIsMovedAsideToo) {
    TempDir dir;
    const std::string path = dir.File("varlo.db");
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        std::vector<Text> keys;
        for (int i = 0; i < 2000; ++i) keys.push_back("key-" + std::to_string(i));
        store.RecordSuccess("u", {}, keys, kT0);
    }
    // Folds the log into the file, then overwrites the pages after the first.
    {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    std::string bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 16384u);
    for (size_t i = 4096; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(i);
    WriteFile(path, bytes);
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_EQ(FilesStartingWith(dir, "varlo.db.corrupt-").size(), 1u);
    EXPECT_FALSE(store.Notice().empty());
}

TEST(FeedStore, AStoreThatCannotBeMadeIsNoStoreAndMovesNothing) {
    TempDir dir;
    CFeedStore store;
    EXPECT_FALSE(store.Open(dir.File("missing/varlo.db")));
    EXPECT_FALSE(store.IsOpen());
    EXPECT_TRUE(store.Notice().empty());
    EXPECT_EQ(store.RecordSuccess("u", {}, {"a"}, kT0), -1);
    EXPECT_EQ(store.UnseenCount("u"), -1);
}

// A feed that answers every time with new 1,000-byte guids: the store keeps a fixed-size hash of
// each and at most its share of keys, dropping the oldest.
TEST(FeedStore, AFeedInventingLongNewKeysAtEveryAnswerKeepsTheStoreBounded) {
    TempDir dir;
    const std::string path = dir.File("varlo.db");
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    const int rounds = 10;
    const int perRound = 25000;
    auto keyOf = [](int round, int i) {
        std::string key = std::to_string(round) + "-" + std::to_string(i) + "-";
        key.resize(1000, 'k');
        return key;
    };
    for (int round = 0; round < rounds; ++round) {
        std::vector<Text> keys;
        keys.reserve(perRound);
        for (int i = 0; i < perRound; ++i) keys.push_back(keyOf(round, i));
        ASSERT_EQ(store.RecordSuccess("u", {}, keys, kT0 + round * 60), perRound);
    }
    EXPECT_EQ(store.UnseenCount("u"), CFeedStore::kMaxKeysPerFeed);
    const std::set<uint64_t> kept = store.UnseenKeys("u");
    EXPECT_EQ(kept.count(HashArticleKey(keyOf(0, 0))), 0u);
    EXPECT_EQ(kept.count(HashArticleKey(keyOf(rounds - 1, perRound - 1))), 1u);
    std::error_code error;
    const auto wal = std::filesystem::file_size(path + "-wal", error);
    EXPECT_LT(std::filesystem::file_size(path) + (error ? 0 : wal), 64u << 20);
}

}  // namespace
}  // namespace varlo

namespace varlo {
namespace {

TEST(StoreWriteGuard, CountsWritesCommittedOnAThreadThatForbadeThemAndNothingElse) {
    test::TempDir dir;
    CFeedStore store;
    ASSERT_TRUE(store.Open(dir.File("varlo.db")));
    const Text url = "http://example.com/feed";
    const uint64_t before = ForbiddenStoreWrites();
    store.Touch({url}, 1);
    EXPECT_EQ(ForbiddenStoreWrites(), before);
    {
        StoreWritesForbiddenHere readsOnly;
        store.Feed(url);
        store.UnseenCount(url);
        EXPECT_EQ(ForbiddenStoreWrites(), before) << "reads are allowed";
        store.Touch({url}, 2);
        EXPECT_EQ(ForbiddenStoreWrites(), before + 1);
        // Another thread's writes are its own business.
        std::thread([&] { store.Touch({url}, 3); }).join();
        EXPECT_EQ(ForbiddenStoreWrites(), before + 1);
    }
    store.Touch({url}, 4);
    EXPECT_EQ(ForbiddenStoreWrites(), before + 1);
}

}  // namespace
}  // namespace varlo
