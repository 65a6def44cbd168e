#include "shell/autostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/test_support.h"

namespace varlo {
namespace {

TEST(Autostart, TheEntryStartsThisProgramMinimisedAndGoesAgainWhenTurnedOff) {
    test::TempDir dir;
    const char* before = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = before ? before : "";
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    EXPECT_EQ(AutostartPath(), (dir.Path() / "autostart" / "varlo.desktop").string());
    EXPECT_FALSE(AutostartOn());
    // A path the Exec line would read otherwise: quoted, its specials escaped, "%" doubled.
    ASSERT_TRUE(SetAutostart(true, "/opt/my \"apps\"/100%/varlo"));
    EXPECT_TRUE(AutostartOn());
    const std::string entry = test::ReadFile(AutostartPath());
    EXPECT_NE(entry.find("Exec=\"/opt/my \\\\\"apps\\\\\"/100%%/varlo\" --minimized\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("Type=Application\n"), std::string::npos);
    ASSERT_TRUE(SetAutostart(false, ""));
    EXPECT_FALSE(AutostartOn());
    EXPECT_TRUE(SetAutostart(false, "")) << "removing what is not there is no failure";
    // A relative XDG_CONFIG_HOME is to be ignored.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(AutostartPath().find("relative"), std::string::npos);
    if (before) {
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
}  // namespace varlo
