#include "platform/secret_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::ScopedEnv;

class SecretStore : public ::testing::Test {
  protected:
    test::TempDir dir;
    ScopedEnv config{"VARLO_CONFIG", dir.File("conf/Varlo.ini").c_str()};
    // No Secret Service to answer: the file beside the settings takes the password.
    ScopedEnv noBus{"DBUS_SESSION_BUS_ADDRESS", nullptr};
};

TEST_F(SecretStore, WithoutAKeyringThePasswordGoesToAPrivateFileBesideTheSettings) {
    const std::string path = dir.File("conf/sync-password");
    EXPECT_EQ(PasswordFilePath(), path);
    const SecretStored first = StorePassword("ann@http://h/api", "p w\n%x");
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.place, SecretPlace::kFile);
    EXPECT_TRUE(first.fileCreated);  // the caller warns once
    EXPECT_EQ(test::ModeOf(path), 0600u);
    const SecretStored second = StorePassword("bob@http://h/api", "other");
    EXPECT_TRUE(second.ok);
    EXPECT_FALSE(second.fileCreated);
    // Neither the settings file nor anything else holds it.
    EXPECT_FALSE(std::filesystem::exists(dir.File("conf/Varlo.ini")));

    EXPECT_EQ(LookupPassword("ann@http://h/api"), "p w\n%x");
    EXPECT_EQ(LookupPassword("bob@http://h/api"), "other");
    EXPECT_EQ(LookupPassword("carol@http://h/api"), std::nullopt);

    EXPECT_TRUE(StorePassword("ann@http://h/api", "changed").ok);
    EXPECT_EQ(LookupPassword("ann@http://h/api"), "changed");
    EXPECT_TRUE(ForgetPassword("ann@http://h/api"));
    EXPECT_EQ(LookupPassword("ann@http://h/api"), std::nullopt);
    EXPECT_EQ(LookupPassword("bob@http://h/api"), "other");
    EXPECT_TRUE(ForgetPassword("bob@http://h/api"));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SecretStore, AFileMadeReadableByOthersIsReplacedByAPrivateOne) {
    ASSERT_TRUE(StorePassword("ann@h", "one").ok);
    const std::string path = dir.File("conf/sync-password");
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    ASSERT_TRUE(StorePassword("ann@h", "two").ok);
    EXPECT_EQ(test::ModeOf(path), 0600u);
}

}  // namespace
}  // namespace varlo
