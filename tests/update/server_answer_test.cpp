#include "update/server_answer.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace varlo {
namespace {

constexpr int64_t kNow = 1727776800;  // 2024-10-01 10:00:00 UTC

ServerAnswer Answer(std::initializer_list<std::string_view> lines) {
    ServerAnswer answer;
    for (const std::string_view line : lines) ReadServerAnswerHeader(line, answer);
    return answer;
}

TEST(ServerAnswer, AWaitIsReadInSecondsOrAsADateAndLastsAtMostADay) {
    EXPECT_EQ(WaitUntil(Answer({"Retry-After: 120\r\n"}), kNow), kNow + 120);
    EXPECT_EQ(WaitUntil(Answer({"retry-after:Tue, 01 Oct 2024 12:30:00 GMT"}), kNow), kNow + 9000);
    EXPECT_EQ(WaitUntil(Answer({"Retry-After: 999999"}), kNow), kNow + 86400);
    // A date already past asks no wait; an unreadable value is none.
    EXPECT_EQ(WaitUntil(Answer({"Retry-After: Mon, 30 Sep 2024 00:00:00 GMT"}), kNow), kNow);
    EXPECT_FALSE(WaitUntil(Answer({"Retry-After: soon"}), kNow));
    EXPECT_FALSE(WaitUntil(Answer({"Retry-After: -5"}), kNow));
    EXPECT_FALSE(WaitUntil(Answer({"X-Retry-After: 5"}), kNow));
}

TEST(ServerAnswer, AFeedIsFreshForItsMaxAgeOrUntilItExpiresCountedFromTheAnswer) {
    EXPECT_EQ(FreshUntil(Answer({"Cache-Control: public, max-age=600"}), kNow), kNow + 600);
    EXPECT_EQ(FreshUntil(Answer({"Cache-Control: max-age=\"60\""}), kNow), kNow + 60);
    EXPECT_EQ(FreshUntil(Answer({"Cache-Control: max-age=604800"}), kNow), kNow + 86400);
    // max-age before Expires; Expires counted from the answer's own Date.
    EXPECT_EQ(
        FreshUntil(Answer({"Expires: Tue, 01 Oct 2024 11:00:00 GMT", "Cache-Control: max-age=30"}),
                   kNow),
        kNow + 30);
    EXPECT_EQ(FreshUntil(Answer({"Date: Tue, 01 Oct 2024 08:00:00 GMT",
                                 "Expires: Tue, 01 Oct 2024 08:05:00 GMT"}),
                         kNow),
              kNow + 300);
    EXPECT_EQ(FreshUntil(Answer({"Expires: Tue, 01 Oct 2024 10:01:00 GMT"}), kNow), kNow + 60);
    // Never fresh.
    EXPECT_EQ(FreshUntil(Answer({"Cache-Control: max-age=0"}), kNow), 0);
    EXPECT_EQ(FreshUntil(Answer({"Cache-Control: max-age=600", "Cache-Control: no-cache"}), kNow),
              0);
    EXPECT_EQ(FreshUntil(Answer({"Cache-Control: no-store", "Expires: Wed, 02 Oct 2024"}), kNow),
              0);
    EXPECT_EQ(FreshUntil(Answer({"Expires: 0"}), kNow), 0);
    EXPECT_EQ(FreshUntil(Answer({"Expires: Tue, 01 Oct 2024 09:00:00 GMT"}), kNow), 0);
    EXPECT_EQ(FreshUntil(Answer({}), kNow), 0);
}

TEST(ServerAnswer, ARefusalIsABotWallWhenTheWallSaysSoOrItSendsAWebPage) {
    const ServerAnswer challenge = Answer({"cf-mitigated: challenge"});
    EXPECT_TRUE(IsBotWall(403, challenge, ""));
    EXPECT_TRUE(IsBotWall(503, challenge, "<rss/>"));
    const ServerAnswer none;
    EXPECT_TRUE(IsBotWall(429, none, "\xEF\xBB\xBF\n <!DOCTYPE HTML><html><head>"));
    EXPECT_TRUE(IsBotWall(403, none, "<?xml version=\"1.0\"?><!-- wall --><html lang=\"en\">"));
    // A feed, a short word and other statuses are no wall.
    EXPECT_FALSE(IsBotWall(403, none, "<?xml version=\"1.0\"?><rss version=\"2.0\">"));
    EXPECT_FALSE(IsBotWall(403, none, "Forbidden"));
    EXPECT_FALSE(IsBotWall(404, challenge, "<html>"));
    EXPECT_FALSE(IsBotWall(200, none, "<!doctype html>"));
}

TEST(ServerAnswer, AWaitIsShownInLocalTime) {
    test::ScopedTimeZone zone("JST-9");
    EXPECT_EQ(WaitingMessage(kNow + 30 * 60), test::Sjis("10/01 19:30 まで待機中"));
}

}  // namespace
}  // namespace varlo
