#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "run_cli.h"
#include "support/test_support.h"

namespace varlo {
namespace {

TEST(CliFeed, PrintsTheFeedAndItsArticlesAsJson) {
    test::TempDir dir;
    test::WriteFile(dir.File("down.xml"),
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><title>\xE6\x97\xA5"
                    "</title><item><title>A</title><pubDate>Sat, 07 Sep 2002 00:00:01 GMT"
                    "</pubDate></item></channel></rss>");
    const test::CliResult run = test::RunCli("feed '" + dir.File("down.xml") + "'");
    ASSERT_EQ(run.status, 0);
    const auto json = nlohmann::ordered_json::parse(run.out);
    EXPECT_EQ(json["result"], 1);
    EXPECT_EQ(json["format"], 2);
    EXPECT_EQ(json["title"], "\xE6\x97\xA5");
    EXPECT_EQ(json["folder"], dir.Path().string());
    EXPECT_EQ(json["rssFileName"], "down.xml");
    EXPECT_EQ(json["atomFileName"], "atom.xml");
    ASSERT_EQ(json["items"].size(), 1u);
    EXPECT_EQ(json["items"][0]["title"], "A");
    EXPECT_EQ(json["items"][0]["updated"], 1031356801);
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"result", "format", "title", "link", "description",
                                              "author", "id", "folder", "rssFileName",
                                              "atomFileName", "items"}));
}

TEST(CliFeed, PrintsOnlyTheCountsWithSummary) {
    test::TempDir dir;
    test::WriteFile(dir.File("a.xml"), "<feed><title>T</title><entry/><entry/></feed>");
    const test::CliResult run = test::RunCli("feed --summary '" + dir.File("a.xml") + "'");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(nlohmann::ordered_json::parse(run.out).dump(),
              R"({"result":1,"format":4,"title":"T","items":2})");
}

TEST(CliFeed, ExitsWithOneForAnUnreadableFileAndTwoForBadUsage) {
    EXPECT_EQ(test::RunCli("feed /nonexistent/down.xml").status, 1);
    EXPECT_EQ(test::RunCli("feed /tmp").status, 1);
    EXPECT_EQ(test::RunCli("feed").status, 2);
    EXPECT_EQ(test::RunCli("feed --verbose x.xml").status, 2);
}

}  // namespace
}  // namespace varlo
