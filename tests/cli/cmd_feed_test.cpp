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

TEST(CliFeed, ArticlesPrintedOneByOneMakeTheSameTextAsTheWholeDocument) {
    // The articles are printed as they are made; the text must be what printing the whole JSON
    // document at once gives, for no article, one, and several with nested lists and odd texts.
    test::TempDir dir;
    const std::string items[] = {
        "",
        "<item><title>A</title></item>",
        "<item><title>a \"quoted\"\n\tline</title><enclosure url=\"http://x/a\" length=\"3\"/>"
        "</item><item/><item><description>&lt;p&gt;x&lt;/p&gt;</description></item>",
    };
    for (const std::string& body : items) {
        test::WriteFile(dir.File("f.xml"),
                        "<rss><channel><title>t</title>" + body + "</channel></rss>");
        for (const char* mode : {"", "--display "}) {
            const test::CliResult run =
                test::RunCli(std::string("feed ") + mode + "'" + dir.File("f.xml") + "'");
            ASSERT_EQ(run.status, 0);
            const auto json = nlohmann::ordered_json::parse(run.out);
            EXPECT_EQ(run.out, json.dump(2) + "\n") << body << mode;
        }
    }
}

TEST(CliFeed, PrintsTheFilesEachArticleCarries) {
    test::TempDir dir;
    test::WriteFile(dir.File("p.xml"), R"(<rss><channel><item><title>a</title>
<enclosure url=" http://x/a.mp3?a=1&amp;amp;b " type="audio/mpeg" length="10"/>
<media:content url="http://x/v.mp4" type="video/mp4"/><media:thumbnail url="http://x/t.jpg"/>
</item><item><title>b</title></item></channel></rss>)");
    for (const char* mode : {"", "--display "}) {
        const auto json = nlohmann::ordered_json::parse(
            test::RunCli(std::string("feed ") + mode + "'" + dir.File("p.xml") + "'").out);
        const bool display = *mode != '\0';
        const auto& item = json["items"][0];
        EXPECT_EQ(
            item["enclosures"],
            nlohmann::ordered_json::parse(
                display ? R"([{"url":"http://x/a.mp3?a=1&b","type":"audio/mpeg","length":10}])"
                        : R"([{"url":" http://x/a.mp3?a=1&amp;amp;b ","type":"audio/mpeg",
                                     "length":10}])"));
        EXPECT_EQ(item["media"], nlohmann::ordered_json::parse(
                                     R"([{"url":"http://x/v.mp4","type":"video/mp4","length":0},
                                         {"url":"http://x/t.jpg","type":"","length":0}])"));
        EXPECT_EQ(json["items"][1]["enclosures"], nlohmann::ordered_json::array());
        EXPECT_EQ(json["items"][1]["media"], nlohmann::ordered_json::array());
    }
}

TEST(CliFeed, PrintsOnlyTheCountsWithSummary) {
    test::TempDir dir;
    test::WriteFile(dir.File("a.xml"), "<feed><title>T</title><entry/><entry/></feed>");
    const test::CliResult run = test::RunCli("feed --summary '" + dir.File("a.xml") + "'");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(nlohmann::ordered_json::parse(run.out).dump(),
              R"({"result":1,"format":4,"title":"T","items":2})");
}

TEST(CliFeed, PrintsEveryTextAsTheWindowShowsItWithDisplay) {
    test::TempDir dir;
    test::WriteFile(dir.File("f.xml"), R"(<rss><channel><title>Tom &amp;amp; <b>Jerry</b></title>
<link> http://s/?a=1&amp;b=2 </link>
<item><title>It&#039;s
  new</title><guid>http://s/1</guid><category>&lt;i&gt;c&lt;/i&gt;</category>
<description>&lt;p&gt;One&lt;/p&gt;&lt;script&gt;x()&lt;/script&gt;</description></item>
</channel></rss>)");
    const test::CliResult plain = test::RunCli("feed '" + dir.File("f.xml") + "'");
    const test::CliResult shown = test::RunCli("feed --display '" + dir.File("f.xml") + "'");
    ASSERT_EQ(shown.status, 0);
    const auto held = nlohmann::ordered_json::parse(plain.out);
    const auto json = nlohmann::ordered_json::parse(shown.out);
    // The same fields in the same order; only the texts differ.
    std::vector<std::string> heldKeys, keys;
    for (const auto& [key, value] : held.items()) heldKeys.push_back(key);
    for (const auto& [key, value] : json.items()) keys.push_back(key);
    EXPECT_EQ(keys, heldKeys);
    EXPECT_EQ(held["title"], "Tom &amp;amp; Jerry");
    // An RSS title is HTML: shown as a browser shows it.
    EXPECT_EQ(json["title"], "Tom & Jerry");
    EXPECT_EQ(json["link"], "http://s/?a=1&b=2");
    ASSERT_EQ(json["items"].size(), 1u);
    const auto& item = json["items"][0];
    EXPECT_EQ(item["title"], "It's new");
    EXPECT_EQ(item["link"], "http://s/1");
    EXPECT_EQ(item["category"], "c");
    EXPECT_EQ(item["description"], "<p>One</p>");
    EXPECT_EQ(item["content"], "");
    EXPECT_EQ(test::RunCli("feed --display --summary '" + dir.File("f.xml") + "'").status, 2);
}

TEST(CliPreview, WritesThePageWithTheWindowsViewOptions) {
    test::TempDir dir;
    test::WriteFile(dir.File("f.xml"), R"(<rss><channel><title>Site</title>
<description>Outline</description><item><title>A</title>
<description>&lt;p&gt;summary&lt;/p&gt;</description>
<content:encoded><![CDATA[<p>full</p>]]></content:encoded></item></channel></rss>)");
    test::WriteFile(dir.File("Varlo.ini"),
                    "[Window size]\nDescription=0\n[View]\nDescription=1\n"
                    "SiteTitle=0\nSiteOutline = 1\nLinkNew=x\nColorScheme=2\n");
    const std::string out = dir.File("page.html");
    const test::CliResult run = test::RunCli("preview '" + dir.File("f.xml") + "' '" + out + "'",
                                             "VARLO_CONFIG='" + dir.File("Varlo.ini") + "' ");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, out + "\n");
    const std::string page = test::ReadFile(out);
    EXPECT_NE(page.find("<p>summary</p>"), std::string::npos);
    EXPECT_EQ(page.find("<p>full</p>"), std::string::npos);
    EXPECT_EQ(page.find("<h1>"), std::string::npos);
    EXPECT_NE(page.find("Outline"), std::string::npos);
    EXPECT_EQ(page.find("target=\"_blank\""), std::string::npos);
    EXPECT_NE(page.find("<html lang=\"ja\" data-scheme=\"dark\">"), std::string::npos);
    // Without a settings file, the window's defaults: the feed's title and the full content.
    ASSERT_EQ(test::RunCli("preview '" + dir.File("f.xml") + "' '" + out + "'",
                           "VARLO_CONFIG='" + dir.File("none.ini") + "' ")
                  .status,
              0);
    const std::string defaults = test::ReadFile(out);
    EXPECT_NE(defaults.find("<h1>Site</h1>"), std::string::npos);
    EXPECT_NE(defaults.find("<p>full</p>"), std::string::npos);
    EXPECT_NE(defaults.find("<html lang=\"ja\">"), std::string::npos);
    EXPECT_EQ(test::RunCli("preview /nonexistent.xml '" + out + "'").status, 1);
    EXPECT_EQ(test::RunCli("preview '" + dir.File("f.xml") + "'").status, 2);
    EXPECT_EQ(
        test::RunCli("preview '" + dir.File("f.xml") + "' '" + dir.File("no/such/dir.html") + "'")
            .status,
        1);
}

TEST(CliFeed, ExitsWithOneForAnUnreadableFileAndTwoForBadUsage) {
    EXPECT_EQ(test::RunCli("feed /nonexistent/down.xml").status, 1);
    EXPECT_EQ(test::RunCli("feed /tmp").status, 1);
    EXPECT_EQ(test::RunCli("feed").status, 2);
    EXPECT_EQ(test::RunCli("feed --verbose x.xml").status, 2);
}

}  // namespace
}  // namespace varlo
