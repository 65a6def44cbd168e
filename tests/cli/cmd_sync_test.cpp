// varlo-cli sync against the test's own Google Reader server: the summary line, the saved file,
// the password from standard input only, and the exit status when the server cannot be used.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "support/reader_server.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using Json = nlohmann::json;

class CliSync : public ::testing::Test {
  protected:
    CliSync() : server("ann", "pa ss") {
        server.AddSubscription({"feed/1", "Server &amp; site", "http://s.test/feed", {"News"}});
        server.AddItems("feed/1", 3, 1800000000);
        test::WriteFile(dir.File("subs.opml"),
                        "<?xml version='1.0' encoding='UTF-8'?><opml version='1.0'><body>"
                        "<outline text='Local' type='rss' xmlUrl='http://l.test/feed'/>"
                        "</body></opml>");
        test::WriteFile(dir.File("password"), "pa ss\nsecond line\n");
        test::WriteFile(dir.File("wrong"), "nope\n");
    }
    // `proxied`: every request goes to the test's server as to a proxy, so that an address of
    // another machine is asked without leaving this one.
    test::CliResult Sync(const std::string& server_url, const std::string& input,
                         const std::string& options = "", bool proxied = false) {
        const std::string proxy =
            proxied ? "no_proxy= http_proxy='" + server.Http().Url("") + "' " : "no_proxy='*' ";
        const std::string env = proxy + "VARLO_PROGRAM_FOLDER='" + dir.Path().string() +
                                "' VARLO_CONFIG='" + dir.File("conf/Varlo.ini") +
                                "' DBUS_SESSION_BUS_ADDRESS= ";
        return test::RunCli("sync '" + dir.File("subs.opml") + "' --server '" + server_url +
                                "' --user ann " + options + " < '" + input + "'",
                            env);
    }
    test::TempDir dir;
    test::FakeReaderServer server;
};

TEST_F(CliSync, SyncsTheFileWithTheServerAndPrintsOneSummaryLine) {
    const test::CliResult r = Sync(server.ApiUrl(), dir.File("password"));
    ASSERT_EQ(r.status, 0) << r.out;
    const Json line = Json::parse(r.out);
    EXPECT_EQ(line["subscriptionsAdded"], 2);  // one each way, without asking
    EXPECT_EQ(line["subscriptionsRemoved"], 0);
    EXPECT_EQ(line["failed"], 0);
    EXPECT_EQ(line["articles"], 3);
    const std::string saved = test::ReadFile(dir.File("subs.opml"));
    EXPECT_NE(saved.find("http://s.test/feed"), std::string::npos);
    EXPECT_NE(saved.find("Server &amp; site"), std::string::npos);
    EXPECT_EQ(server.Subscriptions().back().url, "http://l.test/feed");
    // The password was used, never kept: nothing Varlo wrote holds it.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
        if (!entry.is_regular_file() || entry.path().filename() == "password") continue;
        EXPECT_EQ(test::ReadFile(entry.path().string()).find("pa ss"), std::string::npos)
            << entry.path();
    }
    // Once more: nothing to do.
    const Json again = Json::parse(Sync(server.ApiUrl(), dir.File("password")).out);
    EXPECT_EQ(again, (Json{{"subscriptionsAdded", 0},
                           {"subscriptionsRemoved", 0},
                           {"articles", 0},
                           {"marksSent", 0},
                           {"marksReceived", 0},
                           {"failed", 0}}));
}

TEST_F(CliSync, ExitsWithOneWhenTheLoginIsRefusedOrTheServerIsNotThere) {
    const std::string before = test::ReadFile(dir.File("subs.opml"));
    test::CliResult r = Sync(server.ApiUrl(), dir.File("wrong"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Json::parse(r.out)["failed"], 1);
    r = Sync("http://127.0.0.1:1/api/greader.php", dir.File("password"));
    EXPECT_EQ(r.status, 1);
    // No password on standard input and none kept: nothing is asked of the server.
    test::WriteFile(dir.File("empty"), "");
    const size_t requests = server.Http().Requests().size();
    EXPECT_EQ(Sync(server.ApiUrl(), dir.File("empty")).status, 1);
    EXPECT_EQ(server.Http().Requests().size(), requests);
    EXPECT_EQ(test::ReadFile(dir.File("subs.opml")), before);
    // A missing option is a usage error.
    EXPECT_EQ(test::RunCli("sync '" + dir.File("subs.opml") + "' --user ann").status, 2);
}

TEST_F(CliSync, SendsThePasswordUnencryptedToAnotherMachineOnlyWhenAllowed) {
    const std::string remote = "http://reader.example.test/api/greader.php";
    const std::string before = test::ReadFile(dir.File("subs.opml"));
    test::CliResult r = Sync(remote, dir.File("password"), "", true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(server.Http().Requests().size(), 0u);
    EXPECT_EQ(test::ReadFile(dir.File("subs.opml")), before);
    r = Sync(remote, dir.File("password"), "--allow-plain-http", true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Json::parse(r.out)["articles"], 3);
}

TEST_F(CliSync, RemovesSitesMostOfWhichTheServerDroppedOnlyWithAllowRemovals) {
    server.AddSubscription({"feed/2", "Stays", "http://t.test/feed", {}});
    ASSERT_EQ(Sync(server.ApiUrl(), dir.File("password")).status, 0);
    server.RemoveSubscription("feed/1");
    server.RemoveSubscription("feed/102");  // the file's own site, uploaded by the first sync
    test::CliResult r = Sync(server.ApiUrl(), dir.File("password"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Json::parse(r.out)["subscriptionsRemoved"], 0);
    EXPECT_NE(test::ReadFile(dir.File("subs.opml")).find("http://s.test/feed"), std::string::npos);
    r = Sync(server.ApiUrl(), dir.File("password"), "--allow-removals");
    EXPECT_EQ(Json::parse(r.out)["subscriptionsRemoved"], 2);
    EXPECT_EQ(test::ReadFile(dir.File("subs.opml")).find("http://s.test/feed"), std::string::npos);
}

TEST_F(CliSync, TakesTheServersOwnAddressAndSaysSoWhenNoApiAnswers) {
    test::CliResult r = Sync(server.Http().Url(""), dir.File("password"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Json::parse(r.out)["articles"], 3);
    EXPECT_EQ(Json::parse(r.out)["failed"], 0);
    test::LoopbackServer nothing;
    r = Sync(nothing.Url(""), dir.File("password"));
    EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace varlo
