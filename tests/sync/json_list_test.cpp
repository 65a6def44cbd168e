#include "sync/json_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varlo {
namespace {

using Json = nlohmann::json;

std::vector<Json> Elements(const std::string& body, JsonListResult* result = nullptr,
                           size_t stopAfter = SIZE_MAX) {
    std::vector<Json> out;
    const JsonListResult r = ReadJsonList(
        body, {"items", {"id", "origin", "streamId", "tags"}, {"continuation"}}, [&](Json&& e) {
            out.push_back(std::move(e));
            return out.size() < stopAfter;
        });
    if (result) *result = r;
    return out;
}

TEST(JsonList, ElementsKeepOnlyTheMembersAskedForAndTheTopStringsAreKept) {
    JsonListResult r;
    const auto items =
        Elements(R"({"skip":{"items":[1]},"items":[{"id":"a","junk":[[1,2],{"id":"x"}],)"
                 R"("origin":{"streamId":"feed/1","title":"t"},"tags":["x",{"id":"y"}]},7,"s"],)"
                 R"("continuation":"c1","more":[]})",
                 &r);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.listSeen);
    EXPECT_EQ(r.strings.at("continuation"), "c1");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0], Json::parse(R"({"id":"a","origin":{"streamId":"feed/1"},)"
                                    R"("tags":["x",{"id":"y"}]})"));
    EXPECT_EQ(items[1], 7);
    EXPECT_EQ(items[2], "s");
}

TEST(JsonList, NestingPastSixtyFourOrBrokenTextFailsTheAnswer) {
    const auto nested = [](int depth) {
        return R"({"items":[)" + std::string(depth - 2, '[') + std::string(depth - 2, ']') + "]}";
    };
    JsonListResult r;
    Elements(nested(64), &r);
    EXPECT_TRUE(r.ok);
    Elements(nested(65), &r);
    EXPECT_FALSE(r.ok);
    Elements(std::string(10000000, '['), &r);
    EXPECT_FALSE(r.ok);
    for (const char* broken : {"", "[]", "7", R"({"items":{}})", R"({"items":[1,}")",
                               R"({"items":[]} x)", R"({"items":7})"}) {
        Elements(broken, &r);
        EXPECT_FALSE(r.ok) << broken;
    }
}

TEST(JsonList, AnElementTooLargeForTheApiIsDroppedAndAStopEndsTheReading) {
    std::string body = R"({"items":[{"id":"big","tags":[)";
    for (int i = 0; i < 100000; ++i) body += "0,";
    body += R"(0]},{"id":"next"},{"id":"last"}],"continuation":"c"})";
    JsonListResult r;
    auto items = Elements(body, &r);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.dropped, 1u);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]["id"], "next");
    items = Elements(body, &r, 1);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(items.size(), 1u);
}

}  // namespace
}  // namespace varlo
