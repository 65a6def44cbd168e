// The workers' connections to the store: one per thread and store file, kept between pieces of
// work, and a new one once the file was replaced.
#include "store/worker_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "store/feed_store.h"
#include "store/library.h"
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

}  // namespace
}  // namespace varlo
