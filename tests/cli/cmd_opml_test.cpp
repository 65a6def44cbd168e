// varlo-cli opml, run as a separate program.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "support/test_support.h"

namespace varlo {
namespace {

// Runs varlo-cli with the (single-quoted) arguments; returns the exit status and standard output.
std::pair<int, std::string> RunCli(const std::string& args) {
    std::FILE* pipe =
        popen((std::string(VARLO_CLI_PATH) + " " + args + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return {-1, {}};
    std::string out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// Runs varlo-cli with the arguments; returns the exit status and standard error.
std::pair<int, std::string> RunCliForErrors(const std::string& args) {
    std::FILE* pipe =
        popen((std::string(VARLO_CLI_PATH) + " " + args + " 2>&1 >/dev/null").c_str(), "r");
    if (pipe == nullptr) return {-1, {}};
    std::string err;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) err.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
}

class CliOpml : public ::testing::Test {
  protected:
    void SetUp() override {
        test::WriteFile(path, R"(<?xml version="1.0" encoding="utf-8"?>
<opml version="1.0"><head><title>購読 &amp; co</title></head><body><outline title="b" htmlUrl="http://b/"/>
<outline title="ニュース"><outline title="C" xmlUrl="http://c/rss" type="rss"/><outline title="a" xmlUrl="http://a/rss"/></outline>
</body></opml>)");
    }
    std::string Titles(const std::string& options) {
        std::string titles;
        const auto json = nlohmann::json::parse(RunCli("opml '" + path + "' " + options).second);
        for (const auto& item : json["items"]) titles += item["title"].get<std::string>();
        return titles;
    }
    test::TempDir dir;
    std::string path = dir.File("list.opml");
};

TEST_F(CliOpml, PrintsTheListAsIndentedJson) {
    const auto [status, out] = RunCli("opml '" + path + "'");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, nlohmann::ordered_json::parse(R"({
      "result": true, "title": "購読 & co", "categories": ["ニュース"], "items": [
        {"title": "b", "category": "", "htmlUrl": "http://b/", "xmlUrl": "", "type": ""},
        {"title": "C", "category": "ニュース", "htmlUrl": "", "xmlUrl": "http://c/rss", "type": "rss"},
        {"title": "a", "category": "ニュース", "htmlUrl": "", "xmlUrl": "http://a/rss", "type": ""}
      ]})")
                           .dump(2) +
                       "\n");
}

TEST_F(CliOpml, SortsAsAsked) {
    EXPECT_EQ(Titles("--sort 1"), "abC");
    EXPECT_EQ(Titles("--sort 1 --descending"), "Cba");
    EXPECT_EQ(Titles("--sort 0"), "baC");
    EXPECT_EQ(Titles("--descending"), "bCa");
}

TEST_F(CliOpml, WritesOnlyAListThatWasRead) {
    const std::string out = dir.File("out.opml");
    const auto written = RunCli("opml '" + path + "' --write '" + out + "'");
    EXPECT_EQ(written.first, 0);
    EXPECT_EQ(RunCli("opml '" + out + "'").second, written.second);

    test::WriteFile(path, "<rss><channel/></rss>");
    test::WriteFile(out, "old");
    const auto [status, json] = RunCli("opml '" + path + "' --write '" + out + "'");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(nlohmann::json::parse(json)["result"], false);
    EXPECT_EQ(test::ReadFile(out), "old");
}

TEST_F(CliOpml, AFileWithOutlinesItCouldNotReadIsWrittenOnlyWithForce) {
    std::string nested;
    for (int i = 0; i < 300; ++i) nested += "<outline title=\"f\">";
    nested +=
        "<outline title=\"deep\" xmlUrl=\"http://deep/\"/>"
        "<outline title=\"deep2\" htmlUrl=\"http://deep2/\"/>";
    for (int i = 0; i < 300; ++i) nested += "</outline>";
    test::WriteFile(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?><opml version=\"1.0\"><body>" +
                              nested + "<outline title=\"s\" xmlUrl=\"http://s/\"/></body></opml>");
    const std::string out = dir.File("out.opml");
    test::WriteFile(out, "old");
    EXPECT_EQ(
        RunCliForErrors("opml '" + path + "' --write '" + out + "'"),
        std::make_pair(1, std::string("読み込めなかった項目が 2 件あります。--force を付けると、"
                                      "それらを失って書き込みます。\n")));
    EXPECT_EQ(test::ReadFile(out), "old");
    // Without --write there is nothing to lose.
    EXPECT_EQ(RunCliForErrors("opml '" + path + "'"), std::make_pair(0, std::string()));

    EXPECT_EQ(RunCliForErrors("opml '" + path + "' --write '" + out + "' --force"),
              std::make_pair(0, std::string()));
    const auto [status, json] = RunCli("opml '" + out + "'");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(nlohmann::json::parse(json)["items"].size(), 1u);
}

TEST_F(CliOpml, CharactersXmlForbidsAreLeftOutOfTheWrittenFileAndCounted) {
    test::WriteFile(path, R"(<?xml version="1.0" encoding="utf-8"?><opml version="1.0"><body>)"
                          R"(<outline title="a&#1;b&#xFFFF;" xmlUrl="http://x/"/></body></opml>)");
    const std::string out = dir.File("out.opml");
    EXPECT_EQ(RunCliForErrors("opml '" + path + "' --write '" + out + "'"),
              std::make_pair(0, std::string("XML ファイルに書けない文字 (制御文字など) が 2 個"
                                            "あったため、それらを除いて保存しました。\n")));
    const auto json = nlohmann::json::parse(RunCli("opml '" + out + "'").second);
    EXPECT_EQ(json["items"][0]["title"], "ab");
}

TEST_F(CliOpml, ExitsWithOneForAnUnreadableFileAndTwoForUsageErrors) {
    EXPECT_EQ(RunCli("opml '" + dir.File("missing") + "'"), std::make_pair(1, std::string()));
    for (const char* args : {"--sort 2", "--sort", "--bogus", "second-file"}) {
        EXPECT_EQ(RunCli("opml '" + path + "' " + args).first, 2) << args;
    }
    EXPECT_EQ(RunCli("opml").first, 2);
}

}  // namespace
}  // namespace varlo
