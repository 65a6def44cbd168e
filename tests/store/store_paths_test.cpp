// The files of the store are the user's alone, whatever the umask.

#include "store/store_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "store/feed_cache.h"
#include "store/feed_store.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::ModeOf;

class StoreFiles : public ::testing::Test {
  protected:
    void SetUp() override { m_mask = umask(0); }
    void TearDown() override { umask(m_mask); }
    test::TempDir m_dir;
    mode_t m_mask = 0;
};

TEST_F(StoreFiles, TheStoreAndItsLogFilesAreMadeForTheOwnerOnly) {
    const std::string path = m_dir.File("varlo.db");
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    ASSERT_EQ(store.RecordSuccess("http://example.com/f", {"\"1\"", ""}, {"a"}, 1700000000), 1);
    for (const std::string& file : {path, path + "-wal", path + "-shm"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(std::filesystem::exists(file));
        EXPECT_EQ(ModeOf(file), 0600u);
    }
}

TEST_F(StoreFiles, AStoreLeftOpenByAnEarlierVersionIsNarrowedWhenOpened) {
    const std::string path = m_dir.File("varlo.db");
    {
        CFeedStore store;
        ASSERT_TRUE(store.Open(path));
        ASSERT_EQ(store.RecordSuccess("http://example.com/f", {}, {"a"}, 1700000000), 1);
        for (const std::string& file : {path, path + "-wal", path + "-shm"}) {
            chmod(file.c_str(), 0644);
        }
    }
    CFeedStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_EQ(store.UnseenCount("http://example.com/f"), 1);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ModeOf(path + "-wal"), 0600u);
}

TEST_F(StoreFiles, ALinkPlantedAsTheStoreIsNeverFollowed) {
    test::TempDir elsewhere;
    const std::string target = elsewhere.File("theirs");
    test::WriteFile(target, "precious");
    chmod(target.c_str(), 0644);
    std::filesystem::create_symlink(target, m_dir.File("varlo.db"));
    CFeedStore store;
    EXPECT_FALSE(store.Open(m_dir.File("varlo.db")));
    EXPECT_EQ(test::ReadFile(target), "precious");
    EXPECT_EQ(ModeOf(target), 0644u);
}

TEST_F(StoreFiles, TheFeedCacheFoldersAndBodiesAreTheOwnersOnly) {
    const std::string folder = m_dir.File("cache/Varlo/feeds");
    ASSERT_TRUE(MakePrivateFolder(folder));
    EXPECT_EQ(ModeOf(m_dir.File("cache")), 0700u);
    EXPECT_EQ(ModeOf(folder), 0700u);
    test::WriteFile(m_dir.File("body.xml"), "<rss/>");
    CFeedCache cache(folder);
    ASSERT_TRUE(cache.StoreCopy(m_dir.File("body.xml"), "http://example.com/f"));
    EXPECT_EQ(ModeOf(cache.BodyPath("http://example.com/f")), 0600u);
}

}  // namespace
}  // namespace varlo
