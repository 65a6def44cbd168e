// varlo-cli fetch, run as a separate program against the loopback server.

#include <gtest/gtest.h>

#include <cstdlib>

#include "cli/run_cli.h"
#include "support/loopback_server.h"
#include "support/test_support.h"

namespace varlo {
namespace {

class CliFetch : public ::testing::Test {
  protected:
    void SetUp() override { setenv("no_proxy", "*", 1); }
    test::LoopbackServer m_server;
    test::TempDir m_dir;
};

TEST_F(CliFetch, PrintsThePathOfTheWrittenFile) {
    m_server.Route("/feed.xml", test::Ok("<rss/>"));
    auto result = test::RunCli("fetch '" + m_server.Url("/feed.xml") + "' --dir '" +
                               m_dir.Path().string() + "' --name down.xml");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, m_dir.File("down.xml") + "\n");
    EXPECT_EQ(test::ReadFile(m_dir.File("down.xml")), "<rss/>");
}

TEST_F(CliFetch, WithoutANameUsesTheAddressAndAFreeName) {
    m_server.Route("/feed.xml", test::Ok("<rss/>"));
    test::WriteFile(m_dir.File("feed.xml"), "old");
    auto result = test::RunCli("fetch '" + m_server.Url("/feed.xml") + "' --dir '" +
                               m_dir.Path().string() + "/'");
    EXPECT_EQ(result.out, m_dir.File("feed(1).xml") + "\n");
}

TEST_F(CliFetch, AFailurePrintsAnEmptyLineAndStillExitsWithZero) {
    auto result = test::RunCli("fetch '" + m_server.Url("/missing") + "' --dir '" +
                               m_dir.Path().string() + "'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "\n");
}

TEST_F(CliFetch, AMissingAddressOrOptionValueIsAUsageError) {
    EXPECT_EQ(test::RunCli("fetch").status, 2);
    EXPECT_EQ(test::RunCli("fetch http://127.0.0.1/ --dir").status, 2);
    EXPECT_EQ(test::RunCli("fetch http://127.0.0.1/ --bogus").status, 2);
}

}  // namespace
}  // namespace varlo
