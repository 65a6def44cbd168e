// varlo-cli site: a site's settings as JSON, changed one key at a time, refused out of range, and
// its password taken from standard input into the password file, never printed.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using Json = nlohmann::json;

class CliSite : public ::testing::Test {
  protected:
    CliSite() {
        test::WriteFile(dir.File("subs.opml"),
                        "<?xml version='1.0' encoding='UTF-8'?><opml version='1.0'><body>"
                        "<outline text='A' type='rss' xmlUrl='https://a.test/feed'/>"
                        "</body></opml>");
        test::WriteFile(dir.File("password"), "s3cret\n");
    }
    test::CliResult Site(const std::string& options) {
        const std::string env = "VARLO_PROGRAM_FOLDER='" + dir.Path().string() +
                                "' VARLO_CONFIG='" + dir.File("conf/Varlo.ini") +
                                "' DBUS_SESSION_BUS_ADDRESS= ";
        return test::RunCli("site '" + dir.File("subs.opml") + "' " + options, env);
    }
    test::TempDir dir;
};

TEST_F(CliSite, PrintsTheDefaultsThenKeepsEachChange) {
    test::CliResult r = Site("https://a.test/feed");
    ASSERT_EQ(r.status, 0) << r.out;
    Json settings = Json::parse(r.out);
    EXPECT_EQ(settings["interval"], nullptr);
    EXPECT_EQ(settings["userAgent"], "varlo");
    EXPECT_EQ(settings["notify"], true);
    EXPECT_EQ(settings["fullText"], false);
    EXPECT_EQ(settings["display"], "feed");
    EXPECT_EQ(settings["password"], false);

    r = Site(
        "https://a.test/feed --set interval=30 --set userAgent=browser --set user=ann "
        "--set keepArticles=500 --set noProxy=true --password < '" +
        dir.File("password") + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("s3cret"), std::string::npos);
    r = Site("https://a.test/feed");
    settings = Json::parse(r.out);
    EXPECT_EQ(settings["interval"], 30);
    EXPECT_EQ(settings["userAgent"], "browser");
    EXPECT_EQ(settings["user"], "ann");
    EXPECT_EQ(settings["keepArticles"], 500);
    EXPECT_EQ(settings["noProxy"], true);
    EXPECT_EQ(settings["password"], true);
    EXPECT_NE(test::ReadFile(dir.File("conf/sync-password")).find("s3cret"), std::string::npos);
}

TEST_F(CliSite, RefusesValuesOutOfRangeAndSitesNotInTheFile) {
    EXPECT_EQ(Site("https://a.test/feed --set interval=5").status, 2);
    EXPECT_EQ(Site("https://a.test/feed --set colour=red").status, 2);
    EXPECT_EQ(Site("https://a.test/feed --set interval").status, 2);
    EXPECT_EQ(Site("https://b.test/feed").status, 1);
    EXPECT_EQ(Json::parse(Site("https://a.test/feed").out)["interval"], nullptr);
}

}  // namespace
}  // namespace varlo
