// varlo-cli extract, run as a separate program on files and against the loopback server.

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "support/transcode.h"

namespace varlo {
namespace {

const std::string kPage =
    "<html><head><meta charset='euc-jp'><title>橋の予算 - 日報</title>"
    "<meta property='article:published_time' content='2024-05-01T00:00:00Z'></head><body>"
    "<ul class='menu'><li><a href='/'>トップ</a></li></ul><article>"
    "<p>市の委員会は火曜日、数週間の延期を経て、川に架ける新しい橋の予算について話し合った。</p>"
    "<p>市長は、費用がかかっても橋は必ず造ると述べ、住民の理解を求めた。</p>"
    "<p><img src='img/bridge.jpg'>反対する議員は、予算の見積もりが甘いと指摘し、再調査を求めて"
    "いる。</p></article></body></html>";

class CliExtract : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("no_proxy", "*", 1);
        test::WriteFile(m_dir.File("page.html"), test::Transcode(kPage, "UTF-8", "EUC-JP"));
    }
    test::LoopbackServer m_server;
    test::TempDir m_dir;
};

TEST_F(CliExtract, PrintsTheArticleOfAFileAsJsonWithAddressesOfWhereItCameFrom) {
    const auto run = test::RunCli("extract '" + m_dir.File("page.html") +
                                  "' https://news.example.jp/2024/bridge.html");
    ASSERT_EQ(run.status, 0);
    const auto json = nlohmann::ordered_json::parse(run.out);
    EXPECT_EQ(json["title"], "橋の予算");
    EXPECT_EQ(json["author"], "");
    EXPECT_EQ(json["date"], 1714521600);
    EXPECT_NE(
        json["html"].get<std::string>().find("src=\"https://news.example.jp/2024/img/bridge.jpg\""),
        std::string::npos);
    EXPECT_EQ(json["text"].get<std::string>().find("市の委員会は火曜日、"), 0u);
    EXPECT_EQ(json["text"].get<std::string>().find("トップ"), std::string::npos);
}

TEST_F(CliExtract, PrintsThePlainTextAloneWithText) {
    const auto run = test::RunCli("extract --text '" + m_dir.File("page.html") + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(
        run.out.substr(0, run.out.find('\n')),
        "市の委員会は火曜日、数週間の延期を経て、川に架ける新しい橋の予算について話し合った。");
    EXPECT_TRUE(run.out.ends_with("再調査を求めている。\n"));
}

TEST_F(CliExtract, FetchesAnAddressAndGivesEmptyTextsWhenThereIsNoArticle) {
    m_server.Route("/a", test::Ok(kPage, "text/html; charset=utf-8"));
    m_server.Route("/empty",
                   test::Ok("<html><body><script>x()</script></body></html>", "text/html"));
    auto run = test::RunCli("extract --text '" + m_server.Url("/a") + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.find("市の委員会は"), 0u);

    run = test::RunCli("extract '" + m_server.Url("/empty") + "'");
    EXPECT_EQ(run.status, 0);
    const auto json = nlohmann::ordered_json::parse(run.out);
    EXPECT_EQ(json["text"], "");
    EXPECT_EQ(json["html"], "");
    EXPECT_EQ(test::RunCli("extract --text '" + m_server.Url("/empty") + "'").out, "");
}

TEST_F(CliExtract, RefusesARedirectToAFileAndAMissingOperand) {
    m_server.Route("/to-file", test::Redirect(302, "file://" + m_dir.File("page.html")));
    const auto run = test::RunCli("extract '" + m_server.Url("/to-file") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(test::RunCli("extract").status, 2);
    EXPECT_EQ(test::RunCli("extract --bogus a").status, 2);
}

}  // namespace
}  // namespace varlo
