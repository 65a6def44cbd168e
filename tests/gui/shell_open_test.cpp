#include "platform/gui/shell_open.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace varlo {
namespace {

// Launchers that record what they were given; nothing is started.
class ShellOpenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_previous = SetShellLauncher({[this](const std::string& address) {
                                           browser.push_back(address);
                                           return true;
                                       },
                                       [this](const std::string& path) {
                                           application.push_back(path);
                                           return true;
                                       }});
    }
    void TearDown() override { SetShellLauncher(m_previous); }

    std::string PlainFile(const std::string& name, unsigned mode = 0644) {
        const std::string path = dir.File(name);
        test::WriteFile(path, "content");
        ::chmod(path.c_str(), mode);
        return path;
    }
    // Opening `target` is refused with one message and nothing launched.
    void ExpectRefused(const std::string& target) {
        test::MessageCapture messages;
        EXPECT_FALSE(OpenWithDefaultHandler(target)) << target;
        ASSERT_EQ(messages.Messages().size(), 1u) << target;
        EXPECT_NE(messages.Messages()[0].find(target), std::string::npos);
        EXPECT_NE(messages.Messages()[0].find("開けません"), std::string::npos);
        EXPECT_TRUE(browser.empty()) << target;
        EXPECT_TRUE(application.empty()) << target;
    }

    test::TempDir dir;
    std::vector<std::string> browser;
    std::vector<std::string> application;

  private:
    ShellLauncher m_previous;
};

TEST_F(ShellOpenTest, WebAndMailAddressesGoToTheBrowserUnchanged) {
    test::MessageCapture messages;
    EXPECT_TRUE(OpenWithDefaultHandler("http://example.org/a?b=c#d"));
    EXPECT_TRUE(OpenWithDefaultHandler("HTTPS://example.org/"));
    EXPECT_TRUE(OpenWithDefaultHandler("mailto:support@example.org"));
    EXPECT_EQ(browser,
              (std::vector<std::string>{"http://example.org/a?b=c#d", "HTTPS://example.org/",
                                        "mailto:support@example.org"}));
    EXPECT_TRUE(application.empty());
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(ShellOpenTest, ExistingPlainFileOpensWithItsApplication) {
    const std::string path = PlainFile("page.html");
    EXPECT_TRUE(OpenWithDefaultHandler(path));
    ASSERT_EQ(application.size(), 1u);
    EXPECT_EQ(application[0], std::filesystem::canonical(path).string());
}

TEST_F(ShellOpenTest, FileAddressOpensTheDecodedLocalPath) {
    const std::string path = PlainFile("my page.html");
    const std::string canonical = std::filesystem::canonical(path).string();
    std::string address = "file://";
    for (char c : canonical) address += c == ' ' ? std::string("%20") : std::string(1, c);
    EXPECT_TRUE(OpenWithDefaultHandler(address));
    EXPECT_TRUE(OpenWithDefaultHandler("file://localhost" + address.substr(7)));
    EXPECT_EQ(application, (std::vector<std::string>{canonical, canonical}));
    EXPECT_TRUE(browser.empty());
}

TEST_F(ShellOpenTest, PathWithSpacesAndJapaneseIsAFineLocalPath) {
    const std::string path = PlainFile("購読 一覧.opml");
    EXPECT_EQ(ClassifyShellTarget(path), ShellTarget::kLocalFile);
}

TEST_F(ShellOpenTest, ExecutableFilesAreRefused) {
    ExpectRefused(PlainFile("tool", 0755));
    ExpectRefused(PlainFile("group-tool", 0650));
}

TEST_F(ShellOpenTest, FilesThatLaunchProgramsWithoutAnExecutableBitAreRefused) {
    ExpectRefused(PlainFile("app.desktop"));
    ExpectRefused(PlainFile("run.SH"));
    ExpectRefused(PlainFile("tool.jar"));
}

TEST_F(ShellOpenTest, FoldersAndMissingFilesAreRefused) {
    ExpectRefused(dir.Path().string());
    ExpectRefused(dir.File("missing.html"));
    ExpectRefused("file://" + dir.File("missing.html"));
}

TEST_F(ShellOpenTest, OtherSchemesAreRefused) {
    ExpectRefused("javascript:alert(1)");
    ExpectRefused("ftp://example.org/file");
    ExpectRefused("data:text/html,<b>x</b>");
    ExpectRefused("smb://server/share");
    ExpectRefused("file://otherhost/etc/hosts");
}

TEST_F(ShellOpenTest, MalformedWebAddressesAreRefused) {
    ExpectRefused("http:");
    ExpectRefused("http://");
    ExpectRefused("http:/example.org/");
    ExpectRefused("http:///etc/passwd");
    ExpectRefused("mailto:");
    ExpectRefused("http://example.org/a b");
    ExpectRefused("http://example.org/\n--help");
}

TEST_F(ShellOpenTest, EmptyTextIsRefused) {
    test::MessageCapture messages;
    EXPECT_FALSE(OpenWithDefaultHandler(""));
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(browser.empty());
    EXPECT_TRUE(application.empty());
}

}  // namespace
}  // namespace varlo
