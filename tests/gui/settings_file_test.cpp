// The settings file: the user's alone, whatever the umask.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "gui/platform/settings.h"
#include "support/test_support.h"

namespace varlo::test {
namespace {

TEST(SettingsFile, IsWrittenForItsOwnerOnlyInFoldersOfItsOwnerOnly) {
    TempDir dir;
    const std::string path = dir.File("config/Morva/Varlo.ini");
    const mode_t mask = umask(0);
    {
        FileSettings settings(path);
        settings.WriteInt("View", "Description", 1);
    }
    umask(mask);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ModeOf(dir.File("config")), 0700u);
    EXPECT_EQ(ModeOf(dir.File("config/Morva")), 0700u);
    // A file an earlier version left open to others is narrowed on the next write.
    chmod(path.c_str(), 0644);
    FileSettings settings(path);
    settings.WriteInt("View", "Description", 0);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(settings.GetInt("View", "Description", 5), 0);
}

}  // namespace
}  // namespace varlo::test
