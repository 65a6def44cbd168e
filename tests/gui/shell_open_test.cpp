#include "gui/platform/shell_open.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dialog_test_util.h"
#include "gui_test_support.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using namespace test;

// Files in a fresh folder; opening goes to recording launchers.
class ShellOpenTest : public ::testing::Test {
  protected:
    std::string File(const std::string& name, unsigned mode = 0644) {
        const std::string path = dir.File(name);
        WriteFile(path, "content");
        ::chmod(path.c_str(), mode);
        return path;
    }
    // Each target is refused with a message naming it, and nothing is launched.
    void ExpectRefused(const std::vector<std::string>& targets) {
        for (const std::string& target : targets) {
            MessageCapture messages;
            EXPECT_FALSE(OpenWithDefaultHandler(target)) << target;
            ASSERT_EQ(messages.Messages().size(), 1u) << target;
            EXPECT_NE(messages.Messages()[0].find("開けません"), std::string::npos);
            EXPECT_NE(messages.Messages()[0].find(target), std::string::npos);
        }
        EXPECT_TRUE(launcher.opened.empty());
    }

    TempDir dir;
    RecordingLauncher launcher;
};

TEST_F(ShellOpenTest, WebAndMailAddressesGoToTheBrowserUnchanged) {
    for (const char* address :
         {"http://example.org/a?b=c#d", "HTTPS://example.org/", "mailto:support@example.org"}) {
        EXPECT_EQ(ClassifyShellTarget(address), ShellTarget::kBrowser) << address;
        EXPECT_TRUE(OpenWithDefaultHandler(address));
        EXPECT_EQ(launcher.opened.back(), address);
    }
}

TEST_F(ShellOpenTest, ExistingPlainFilesOpenByPathOrDecodedFileAddress) {
    const std::string canonical = std::filesystem::canonical(File("購読 一覧.html")).string();
    std::string address = "file://";
    for (char c : canonical) address += c == ' ' ? std::string("%20") : std::string(1, c);
    EXPECT_TRUE(OpenWithDefaultHandler(canonical));
    EXPECT_TRUE(OpenWithDefaultHandler(address));
    EXPECT_TRUE(OpenWithDefaultHandler("file://localhost" + address.substr(7)));
    EXPECT_EQ(launcher.opened, std::vector<std::string>(3, canonical));
}

TEST_F(ShellOpenTest, FilesThatCouldRunAProgramAreRefused) {
    ExpectRefused({File("tool", 0755), File("group-tool", 0650), File("app.desktop"),
                   File("run.SH"), File("tool.jar")});
}

TEST_F(ShellOpenTest, FoldersAndMissingFilesAreRefused) {
    ExpectRefused(
        {dir.Path().string(), dir.File("missing.html"), "file://" + dir.File("missing.html"), ""});
}

TEST_F(ShellOpenTest, OtherSchemesAndMalformedAddressesAreRefused) {
    ExpectRefused({"javascript:alert(1)", "ftp://example.org/file", "data:text/html,<b>x</b>",
                   "file://otherhost/etc/hosts", "http:", "http://", "http:/example.org/",
                   "http:///etc/passwd", "mailto:", "http://example.org/a b",
                   "http://example.org/\n--help"});
}

TEST(DesktopOpen, AFailureOfTheDesktopIsToldInJapaneseNotInTheToolkitsEnglish) {
    // With nothing on the path, the desktop has no program to hand a mail address to.
    const std::string previousPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    TempDir empty;
    setenv("PATH", empty.Path().c_str(), 1);
    const ShellLauncher previous = SetShellLauncher({});
    MessageCapture messages;
    const bool opened = OpenWithDefaultHandler("mailto:someone@example.org");
    // The toolkit's report would be a dialog of its own, shown once the window is idle.
    PumpEvents();
    SetShellLauncher(previous);
    setenv("PATH", previousPath.c_str(), 1);
    if (opened) GTEST_SKIP() << "this desktop found a mail program all the same";
    EXPECT_EQ(messages.Messages(),
              std::vector<std::string>{
                  "次のアドレスまたはファイルを開くプログラムを起動できませんでした。\n"
                  "mailto:someone@example.org"});
}

}  // namespace
}  // namespace varlo
