// varlo-cli rules on a library filled by varlo-cli update from a loopback server.

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/run_cli.h"
#include "support/loopback_server.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using Json = nlohmann::json;

std::vector<Json> Lines(const std::string& out) {
    std::vector<Json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
    return lines;
}

std::vector<std::string> Keys(const std::string& out) {
    std::vector<std::string> keys;
    for (const Json& line : Lines(out)) keys.push_back(line["key"]);
    return keys;
}

class CliRules : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("no_proxy", "*", 1);
        setenv("VARLO_PROGRAM_FOLDER", m_dir.Path().c_str(), 1);
        setenv("XDG_CACHE_HOME", m_dir.File("cache").c_str(), 1);
        m_server.Route("/news", test::Ok("<rss version='2.0'><channel><title>n</title>"
                                         "<item><title>【ＰＲ】 Sponsored</title><guid>n1</guid>"
                                         "<pubDate>Mon, 01 Jan 2024 00:00:00 GMT</pubDate></item>"
                                         "<item><title>Release notes</title><guid>n2</guid>"
                                         "<link>https://example.com/deals/2</link>"
                                         "<pubDate>Tue, 02 Jan 2024 00:00:00 GMT</pubDate></item>"
                                         "<item><title>Plain</title><guid>n3</guid>"
                                         "<pubDate>Wed, 03 Jan 2024 00:00:00 GMT</pubDate></item>"
                                         "</channel></rss>"));
        test::WriteFile(m_dir.File("subs.opml"),
                        "<?xml version='1.0' encoding='UTF-8'?><opml version='1.0'><body>"
                        "<outline text='技術'><outline text='n' type='rss' xmlUrl='" +
                            m_server.Url("/news") + "'/></outline></body></opml>");
        m_subs = "'" + m_dir.File("subs.opml") + "' ";
    }
    void TearDown() override {
        unsetenv("VARLO_PROGRAM_FOLDER");
        unsetenv("XDG_CACHE_HOME");
    }

    test::TempDir m_dir;
    test::LoopbackServer m_server;
    std::string m_subs;
};

TEST_F(CliRules, RulesAddedListedAppliedAndDeletedChangeWhatTheLibraryShows) {
    EXPECT_TRUE(test::RunCli("rules " + m_subs).out.empty());
    test::CliResult added = test::RunCli(
        "rules " + m_subs +
        R"(--add '{"name":"広告","scope":{"category":"技術"},"conditions":[{"field":"title","test":"contains","value":"pr"}],"action":"hide"}')");
    ASSERT_EQ(added.status, 0);
    EXPECT_EQ(Lines(added.out), std::vector<Json>{Json::parse(R"({"added":1})")});
    const std::vector<Json> listed = Lines(test::RunCli("rules " + m_subs).out);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0], Json::parse(R"({"id":1,"name":"広告","enabled":true,)"
                                     R"("scope":{"category":"技術"},"conditions":[{"field":)"
                                     R"("title","test":"contains","value":"pr"}],)"
                                     R"("action":"hide"})"));

    // New articles meet the rule as they arrive.
    ASSERT_EQ(test::RunCli("update " + m_subs).status, 0);
    EXPECT_EQ(Keys(test::RunCli("articles " + m_subs + "--unread").out),
              (std::vector<std::string>{"n3", "n2"}));

    // A rule added later changes the articles kept when applied.
    ASSERT_EQ(
        test::RunCli(
            "rules " + m_subs +
            R"(--add '{"name":"deals","conditions":[{"field":"link","test":"matches","value":"/deals/"}],"action":"star"}')")
            .status,
        0);
    EXPECT_TRUE(test::RunCli("articles " + m_subs + "--starred").out.empty());
    EXPECT_EQ(
        Lines(test::RunCli("rules " + m_subs + "--apply").out),
        std::vector<Json>{Json::parse(R"({"applied":true,"examined":4,"matched":2,"changed":1})")});
    EXPECT_EQ(Keys(test::RunCli("articles " + m_subs + "--starred").out),
              std::vector<std::string>{"n2"});

    EXPECT_EQ(Lines(test::RunCli("rules " + m_subs + "--delete 1").out),
              std::vector<Json>{Json::parse(R"({"deleted":1,"found":1})")});
    EXPECT_EQ(Lines(test::RunCli("rules " + m_subs + "--delete 1").out),
              std::vector<Json>{Json::parse(R"({"deleted":1,"found":0})")});
    EXPECT_EQ(Lines(test::RunCli("rules " + m_subs).out).size(), 1u);

    for (const std::string usage :
         {"rules", "rules x --delete 0", "rules x --apply --delete 2", "rules x --bogus"}) {
        EXPECT_EQ(test::RunCli(usage).status, 2) << usage;
    }
    for (const char* bad :
         {"'{}'", "'[1]'",
          R"('{"conditions":[{"field":"title","test":"matches","value":"("}],"action":"hide"}')"}) {
        EXPECT_EQ(test::RunCli("rules " + m_subs + "--add " + bad).status, 2) << bad;
    }
}

}  // namespace
}  // namespace varlo
