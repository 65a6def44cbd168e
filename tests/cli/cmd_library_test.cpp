// varlo-cli articles and mark on a library filled by varlo-cli update from a loopback server, and
// marks surviving a kill.

#include <gtest/gtest.h>

#include <csignal>
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

std::vector<std::string> KeysOf(const std::vector<Json>& lines) {
    std::vector<std::string> keys;
    for (const Json& line : lines) keys.push_back(line["key"]);
    return keys;
}

class CliLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("no_proxy", "*", 1);
        setenv("VARLO_PROGRAM_FOLDER", m_dir.Path().c_str(), 1);
        setenv("XDG_CACHE_HOME", m_dir.File("cache").c_str(), 1);
        // Days as the feed writes them: 1, 2 and 3 January 2024; "u" without a date.
        m_server.Route("/news",
                       test::Ok("<rss version='2.0'><channel><title>n</title>"
                                "<item><title>一日目 café</title><link>/1</link><guid>n1</guid>"
                                "<pubDate>Mon, 01 Jan 2024 00:00:00 GMT</pubDate></item>"
                                "<item><title>三日目</title><guid>n3</guid>"
                                "<pubDate>Wed, 03 Jan 2024 00:00:00 GMT</pubDate></item>"
                                "</channel></rss>"));
        m_server.Route("/blog", test::Ok("<rss version='2.0'><channel><title>b</title>"
                                         "<item><title>二日目</title><guid>b2</guid>"
                                         "<pubDate>Tue, 02 Jan 2024 00:00:00 GMT</pubDate></item>"
                                         "</channel></rss>"));
        test::WriteFile(m_dir.File("subs.opml"),
                        "<?xml version='1.0' encoding='UTF-8'?><opml version='1.0'><body>"
                        "<outline text='ニュース' title='ニュース' type='rss' xmlUrl='" +
                            m_server.Url("/news") +
                            "'/><outline text='ブログ' title='ブログ' type='rss' xmlUrl='" +
                            m_server.Url("/blog") + "'/></body></opml>");
        m_subs = "'" + m_dir.File("subs.opml") + "'";
    }
    void TearDown() override {
        unsetenv("VARLO_PROGRAM_FOLDER");
        unsetenv("XDG_CACHE_HOME");
    }

    test::TempDir m_dir;
    test::LoopbackServer m_server;
    std::string m_subs;
};

TEST_F(CliLibrary, ArticlesListsTheLibraryNewestFirstAndMarkChangesItsMarks) {
    ASSERT_EQ(test::RunCli("update " + m_subs).status, 0);
    std::vector<Json> lines = Lines(test::RunCli("articles " + m_subs).out);
    ASSERT_EQ(lines.size(), 3u);
    lines[0].erase("link");
    EXPECT_EQ(lines[0], Json::parse(R"({"key":"n3","xmlUrl":")" + m_server.Url("/news") +
                                    R"(","site":"ニュース","title":"三日目",)"
                                    R"("date":1704240000,"read":false,"starred":false})"));
    EXPECT_EQ(lines[1]["site"], "ブログ");
    EXPECT_EQ(lines[2]["title"], "一日目 café");
    EXPECT_EQ(lines[2]["link"], m_server.Url("/1"));
    EXPECT_EQ(KeysOf(Lines(test::RunCli("articles " + m_subs + " --limit 2").out)),
              (std::vector<std::string>{"n3", "b2"}));
    EXPECT_EQ(
        KeysOf(Lines(
            test::RunCli("articles " + m_subs + " --site '" + m_server.Url("/news") + "'").out)),
        (std::vector<std::string>{"n3", "n1"}));

    lines = Lines(test::RunCli("mark " + m_subs + " --read n1 b2 absent").out);
    EXPECT_EQ(lines, (std::vector<Json>{Json::parse(R"({"key":"n1","found":1})"),
                                        Json::parse(R"({"key":"b2","found":1})"),
                                        Json::parse(R"({"key":"absent","found":0})")}));
    EXPECT_EQ(KeysOf(Lines(test::RunCli("articles " + m_subs + " --unread").out)),
              std::vector<std::string>{"n3"});
    ASSERT_EQ(test::RunCli("mark " + m_subs + " --star n1 b2").status, 0);
    ASSERT_EQ(test::RunCli("mark " + m_subs + " --unstar b2").status, 0);
    ASSERT_EQ(test::RunCli("mark " + m_subs + " --unread n1").status, 0);
    EXPECT_EQ(KeysOf(Lines(test::RunCli("articles " + m_subs + " --starred --unread").out)),
              std::vector<std::string>{"n1"});
    EXPECT_EQ(Lines(test::RunCli("mark " + m_subs + " --read --all").out),
              std::vector<Json>{Json::parse(R"({"all":true,"marked":2})")});
    EXPECT_TRUE(test::RunCli("articles " + m_subs + " --unread").out.empty());
    // The window's counts are the same marks.
    EXPECT_EQ(Lines(test::RunCli("new " + m_subs).out)[0]["unseen"], 0);

    for (const char* usage :
         {"articles", "articles x --limit 0", "articles x --bogus", "mark x", "mark x --read",
          "mark x --star --all", "mark x --read --all k", "mark x --read --unread k"}) {
        EXPECT_EQ(test::RunCli(usage).status, 2) << usage;
    }
    EXPECT_EQ(test::RunCli("articles '" + m_dir.File("absent.opml") + "'").status, 1);
}

TEST_F(CliLibrary, MarkingAllKilledBeforeOrAfterItsCommitLeavesEveryMarkOrNone) {
    ASSERT_EQ(test::RunCli("update " + m_subs).status, 0);
    for (const char* point : {"library-mark", "library-mark-after"}) {
        SCOPED_TRACE(point);
        ASSERT_EQ(test::RunCli("mark " + m_subs + " --unread n1 n3 b2").status, 0);
        const auto killed = test::RunCli("mark " + m_subs + " --read --all",
                                         std::string("VARLO_TEST_KILL_AT=") + point + " ");
        EXPECT_EQ(killed.status, 128 + SIGKILL);
        const size_t unread = Lines(test::RunCli("articles " + m_subs + " --unread").out).size();
        EXPECT_EQ(unread, std::string(point) == "library-mark" ? 3u : 0u);
    }
}

}  // namespace
}  // namespace varlo
