// varlo-cli decode and discover, run as a separate program.

#include <gtest/gtest.h>

#include <cstdlib>

#include "cli/run_cli.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "support/transcode.h"

namespace varlo {
namespace {

TEST(CliDecode, PrintsTheKindsFoundAndTheTextAsUtf8) {
    test::TempDir dir;
    test::WriteFile(dir.File("page.html"), test::Transcode("<p>日本</p>\n", "UTF-8", "EUC-JP"));
    const auto result = test::RunCli("decode '" + dir.File("page.html") + "'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "{\n  \"result\": 1,\n  \"code\": 2,\n  \"lineBreak\": 1,\n"
              "  \"text\": \"<p>日本</p>\\r\\n\"\n}\n");
}

TEST(CliDecode, ReportsAFileThatCannotBeRead) {
    test::TempDir dir;
    const auto result = test::RunCli("decode '" + dir.File("absent") + "'");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("\"result\": 0"), std::string::npos);
    EXPECT_EQ(test::RunCli("decode").status, 2);
    EXPECT_EQ(test::RunCli("decode a b").status, 2);
}

class CliDiscover : public ::testing::Test {
  protected:
    void SetUp() override { setenv("no_proxy", "*", 1); }
    test::LoopbackServer m_server;
    test::TempDir m_dir;
};

TEST_F(CliDiscover, PrintsTheEntryFoundOnThePage) {
    m_server.Route("/blog/", test::Ok("<title>ブログ</title><link rel=alternate "
                                      "type=application/atom+xml href=/atom>",
                                      "text/html"));
    const std::string page = m_server.Url("/blog/");
    const auto result =
        test::RunCli("discover '" + page + "' --dir '" + m_dir.Path().string() + "'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "{\n  \"title\": \"ブログ\",\n  \"category\": \"\",\n  \"htmlUrl\": \"" +
                              page + "\",\n  \"xmlUrl\": \"" + m_server.Url("/atom") +
                              "\",\n  \"type\": \"rss\"\n}\n");
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("down.html")));
}

TEST_F(CliDiscover, PrintsNullWhenThePageCannotBeFetched) {
    const auto result = test::RunCli("discover '" + m_server.Url("/missing") + "' --dir '" +
                                     m_dir.Path().string() + "'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "null\n");
    EXPECT_EQ(test::RunCli("discover").status, 2);
    EXPECT_EQ(test::RunCli("discover http://127.0.0.1/ --dir").status, 2);
}

}  // namespace
}  // namespace varlo
