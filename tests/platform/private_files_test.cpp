// Folders that only their owner may use, whatever the umask (files: see the store's tests).

#include "platform/private_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::ModeOf;

// Runs `action` under a umask that would leave everything open to everyone.
template <typename Action>
auto UnderOpenUmask(Action action) {
    const mode_t mask = umask(0);
    auto result = action();
    umask(mask);
    return result;
}

TEST(PrivateFolders, EveryMissingFolderIsMadeForItsOwnerOnlyAndExistingOnesAreLeftAlone) {
    test::TempDir dir;
    chmod(dir.Path().c_str(), 0755);
    const std::string deepest = dir.File("share/Varlo/feeds");
    ASSERT_TRUE(UnderOpenUmask([&] { return MakeFolders(deepest); }));
    EXPECT_EQ(ModeOf(dir.File("share")), 0700u);
    EXPECT_EQ(ModeOf(dir.File("share/Varlo")), 0700u);
    EXPECT_EQ(ModeOf(deepest), 0700u);
    EXPECT_EQ(ModeOf(dir.Path().string()), 0755u);
    // Made again: nothing changes, and it is still a success.
    chmod(dir.File("share").c_str(), 0755);
    EXPECT_TRUE(MakeFolders(deepest));
    EXPECT_EQ(ModeOf(dir.File("share")), 0755u);
}

TEST(PrivateFolders, AFileInTheWayIsNoFolder) {
    test::TempDir dir;
    test::WriteFile(dir.File("taken"), "x");
    EXPECT_FALSE(MakeFolders(dir.File("taken")));
    EXPECT_FALSE(MakeFolders(dir.File("taken/below")));
    EXPECT_FALSE(MakeFolders(""));
}

}  // namespace
}  // namespace varlo
