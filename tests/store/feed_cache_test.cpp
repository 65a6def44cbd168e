#include "store/feed_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "store/store_paths.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

int ModeOf(const std::string& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return static_cast<int>(info.st_mode & 0777);
}

TEST(FeedCache, BodiesAreWrittenThroughATemporaryFileAndReplacedWhole) {
    TempDir dir;
    CFeedCache cache(dir.Path().string());
    const Text url = "http://a/feed.xml";
    EXPECT_FALSE(cache.HasBody(url));
    int fd = -1;
    const std::string temp = cache.CreateTemp(&fd);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ModeOf(temp), 0600);
    ASSERT_EQ(write(fd, "new", 3), 3);
    close(fd);
    EXPECT_FALSE(cache.HasBody(url));
    ASSERT_TRUE(cache.Commit(temp, url));
    EXPECT_TRUE(cache.HasBody(url));
    EXPECT_EQ(ReadFile(cache.BodyPath(url)), "new");
    EXPECT_NE(cache.BodyPath(url), cache.BodyPath("http://a/other.xml"));

    WriteFile(dir.File("down.xml"), "copied");
    ASSERT_TRUE(cache.StoreCopy(dir.File("down.xml"), url));
    EXPECT_EQ(ReadFile(cache.BodyPath(url)), "copied");
    EXPECT_FALSE(cache.StoreCopy(dir.File("absent.xml"), url));
    EXPECT_EQ(ReadFile(cache.BodyPath(url)), "copied");
    // Only the bodies are left: no temporary file survives.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
    cache.Remove(url);
    EXPECT_FALSE(cache.HasBody(url));
}

TEST(FeedCache, AnUnusableCacheStoresNothing) {
    CFeedCache cache("");
    int fd = 0;
    EXPECT_FALSE(cache.Usable());
    EXPECT_TRUE(cache.CreateTemp(&fd).empty());
    EXPECT_EQ(fd, -1);
    EXPECT_FALSE(cache.HasBody("u"));
    EXPECT_FALSE(cache.StoreCopy("/etc/hostname", "u"));
}

TEST(FeedCache, TheCacheFolderIsPrivateAndNeverALinkOrASharedFolder) {
    TempDir dir;
    const std::string folder = dir.File("cache/Varlo/feeds");
    ASSERT_TRUE(MakePrivateFolder(folder));
    EXPECT_EQ(ModeOf(folder), 0700);
    chmod(folder.c_str(), 0777);
    EXPECT_TRUE(MakePrivateFolder(folder));
    EXPECT_EQ(ModeOf(folder), 0700);

    std::filesystem::create_directory(dir.File("elsewhere"));
    std::filesystem::create_directory_symlink(dir.File("elsewhere"), dir.File("link"));
    EXPECT_FALSE(MakePrivateFolder(dir.File("link")));
    EXPECT_FALSE(MakePrivateFolder(""));

    const char* previous = std::getenv("XDG_CACHE_HOME");
    const std::string saved = previous ? previous : "";
    setenv("XDG_CACHE_HOME", dir.File("xdg").c_str(), 1);
    EXPECT_EQ(FeedCacheFolder(), dir.File("xdg/Varlo/feeds"));
    EXPECT_EQ(ModeOf(dir.File("xdg/Varlo")), 0700);
    if (previous) {
        setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_CACHE_HOME");
    }
}

}  // namespace
}  // namespace varlo
