// The workers' connections to the store: one per thread and store file, kept between pieces of
// work, and a new one once the file was replaced.
#include "store/worker_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "store/feed_store.h"
#include "store/library.h"
#include "store/sqlite.h"
#include "support/test_support.h"

namespace varlo {
namespace {

LibraryArticle Article(const std::string& key) {
    LibraryArticle article;
    article.key = key;
    article.title = "title " + key;
    article.date = 1700000000;
    article.html = "<p>text</p>";
    return article;
}

int64_t Articles(CFeedStore* store) {
    return store ? CLibrary(*store).Count(LibraryView::All()) : -1;
}

TEST(WorkerStore, EachThreadKeepsOneConnectionPerStoreAndAReplacedFileGetsANewOne) {
    test::TempDir dir;
    const std::string path = dir.File("varlo.db");
    {
        CFeedStore first;
        ASSERT_TRUE(first.Open(path));
        ASSERT_EQ(CLibrary(first).RecordFeed("site", {}, {Article("a")}, 1700000000, true), 1);
    }
    CFeedStore* mine = WorkerStore(path);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(WorkerStore(path), mine) << "kept between pieces of work";
    EXPECT_EQ(Articles(mine), 1);

    CFeedStore* other = nullptr;
    std::thread([&] { other = WorkerStore(path); }).join();
    EXPECT_NE(other, nullptr);
    EXPECT_NE(other, mine);

    // The store is moved aside and made anew, as a damaged one is: the old file is not read.
    ASSERT_EQ(std::rename(path.c_str(), (path + ".aside").c_str()), 0);
    std::rename((path + "-wal").c_str(), (path + ".aside-wal").c_str());
    std::remove((path + "-shm").c_str());
    {
        CFeedStore fresh;
        ASSERT_TRUE(fresh.Open(path));
    }
    EXPECT_EQ(Articles(WorkerStore(path)), 0);

    // No store there, or none named: nothing to read.
    EXPECT_EQ(WorkerStore(dir.File("missing.db")), nullptr);
    EXPECT_EQ(WorkerStore(""), nullptr);
}

TEST(WorkerStore, ManyStoresInTurnAreEachReadAndAStoreOfAnotherVersionIsNot) {
    test::TempDir dir;
    // More stores than a thread keeps connections to: each is still read as it is.
    for (int i = 0; i < 6; ++i) {
        CFeedStore store;
        const std::string path = dir.File("store" + std::to_string(i) + ".db");
        ASSERT_TRUE(store.Open(path));
        std::vector<LibraryArticle> articles;
        for (int n = 0; n <= i; ++n) articles.push_back(Article("k" + std::to_string(n)));
        ASSERT_EQ(CLibrary(store).RecordFeed("site", {}, articles, 1700000000, true), i + 1);
    }
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(Articles(WorkerStore(dir.File("store" + std::to_string(i) + ".db"))), i + 1);

    // A store of another version is the window's to move aside, never a worker's to read.
    const std::string future = dir.File("store0.db");
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(future));
        ASSERT_EQ(SqliteExec(store.Connection(), "PRAGMA user_version = 99"), SQLITE_OK);
    }
    ASSERT_TRUE(std::filesystem::copy_file(future, dir.File("copy.db")));
    EXPECT_EQ(WorkerStore(dir.File("copy.db")), nullptr);
    // A link in the store's place is not followed.
    std::filesystem::create_symlink(dir.File("store1.db"), dir.File("link.db"));
    EXPECT_EQ(WorkerStore(dir.File("link.db")), nullptr);
}

}  // namespace
}  // namespace varlo
