// varlo-cli opml, run as a separate program.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "support/test_support.h"

namespace varlo {
namespace {

struct CliRun {
    int status;
    std::string out;
};

// Runs varlo-cli with the arguments (each single-quoted for the shell); standard error is dropped.
CliRun RunCli(const std::vector<std::string>& args) {
    std::string command = VARLO_CLI_PATH;
    for (const std::string& a : args) command += " '" + a + "'";
    command += " 2>/dev/null";
    struct Closer {
        int* status;
        void operator()(std::FILE* f) const { *status = pclose(f); }
    };
    int raw = -1;
    std::string out;
    {
        std::unique_ptr<std::FILE, Closer> pipe(popen(command.c_str(), "r"), Closer{&raw});
        if (!pipe) return {-1, {}};
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
    }
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out};
}

const char* const kList = R"(<?xml version="1.0" encoding="utf-8"?>
<opml version="1.0"><head><title>購読 &amp; co</title></head><body>
<outline title="b" htmlUrl="http://b/"/>
<outline title="ニュース"><outline title="C" xmlUrl="http://c/rss" type="rss"/><outline title="a" xmlUrl="http://a/rss"/></outline>
</body></opml>)";

class CliOpml : public ::testing::Test {
  protected:
    void SetUp() override { test::WriteFile(path, kList); }
    test::TempDir dir;
    std::string path = dir.File("list.opml");
};

TEST_F(CliOpml, PrintsTheListAsJson) {
    const CliRun run = RunCli({"opml", path});
    ASSERT_EQ(run.status, 0);
    const auto json = nlohmann::ordered_json::parse(run.out);
    const auto expected = nlohmann::ordered_json::parse(R"({
      "result": true, "title": "購読 & co", "categories": ["ニュース"],
      "items": [
        {"title": "b", "category": "", "htmlUrl": "http://b/", "xmlUrl": "", "type": ""},
        {"title": "C", "category": "ニュース", "htmlUrl": "", "xmlUrl": "http://c/rss", "type": "rss"},
        {"title": "a", "category": "ニュース", "htmlUrl": "", "xmlUrl": "http://a/rss", "type": ""}
      ]})");
    EXPECT_EQ(json, expected);
    EXPECT_EQ(run.out, expected.dump(2) + "\n");
}

TEST_F(CliOpml, SortsAsAsked) {
    auto titles = [](const CliRun& run) {
        std::string t;
        const auto json = nlohmann::json::parse(run.out);
        for (const auto& item : json["items"]) {
            t += item["title"].get<std::string>();
        }
        return t;
    };
    EXPECT_EQ(titles(RunCli({"opml", path, "--sort", "1"})), "abC");
    EXPECT_EQ(titles(RunCli({"opml", path, "--sort", "1", "--descending"})), "Cba");
    EXPECT_EQ(titles(RunCli({"opml", "--sort", "0", path})), "baC");
    EXPECT_EQ(titles(RunCli({"opml", path, "--descending"})), "bCa");
}

TEST_F(CliOpml, WritesTheListToAnotherFile) {
    const std::string out = dir.File("out.opml");
    const CliRun run = RunCli({"opml", path, "--write", out});
    ASSERT_EQ(run.status, 0);
    const CliRun reread = RunCli({"opml", out});
    EXPECT_EQ(reread.out, run.out);
}

TEST_F(CliOpml, ReportsResultFalseForAFileThatIsNotOpml) {
    test::WriteFile(path, "<rss><channel/></rss>");
    const std::string out = dir.File("out.opml");
    const CliRun run = RunCli({"opml", path, "--write", out});
    EXPECT_EQ(run.status, 0);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["result"], false);
    EXPECT_EQ(json["title"], "Morva OPML");
    EXPECT_TRUE(json["items"].empty());
    EXPECT_TRUE(test::ReadFile(out).empty());  // nothing written for a list not read
}

TEST_F(CliOpml, ExitsWithOneForAFileThatCannotBeRead) {
    const CliRun run = RunCli({"opml", dir.File("missing.opml")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty());
}

TEST_F(CliOpml, ExitsWithTwoForUsageErrors) {
    EXPECT_EQ(RunCli({"opml"}).status, 2);
    EXPECT_EQ(RunCli({"opml", path, "--sort", "2"}).status, 2);
    EXPECT_EQ(RunCli({"opml", path, "--sort"}).status, 2);
    EXPECT_EQ(RunCli({"opml", path, "--bogus"}).status, 2);
    EXPECT_EQ(RunCli({"opml", path, path}).status, 2);
}

}  // namespace
}  // namespace varlo
