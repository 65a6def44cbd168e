#include "sync/reader_client.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>

#include "support/reader_server.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::FakeReaderServer;
using test::Response;

constexpr int64_t kNow = 1800000000;

Response WithStatus(int status, std::vector<std::pair<std::string, std::string>> headers = {}) {
    Response r;
    r.status = status;
    r.headers = std::move(headers);
    r.body = "no";
    return r;
}

class ReaderClientTest : public ::testing::Test {
  protected:
    ReaderClientTest() : server("ann", "s3cret pass&=") {
        setenv("no_proxy", "*", 1);
        server.AddSubscription({"feed/1", "One &amp; Two", "http://a.test/feed", {"Tech", "News"}});
        server.AddSubscription({"feed/2", "Plain", "http://b.test/feed", {}});
    }
    std::unique_ptr<CReaderClient> Client(ReaderLimits limits = {}, ReaderCaps caps = {}) {
        auto client = std::make_unique<CReaderClient>(server.ApiUrl() + "/", limits, caps);
        client->SetClock([] { return kNow; });
        client->SetWaiter([this](std::chrono::seconds s) { waits.push_back(s.count()); });
        return client;
    }
    FakeReaderServer server;
    std::vector<int64_t> waits;
};

TEST(ReaderItemIds, DecimalHexAndLongFormsBecomeTheLongFormAndOtherIdsStayAsSent) {
    const std::string prefix = "tag:google.com,2005:reader/item/";
    EXPECT_EQ(LongItemId("31"), prefix + "000000000000001f");
    EXPECT_EQ(LongItemId(prefix + "000000000000001F"), prefix + "000000000000001f");
    EXPECT_EQ(LongItemId("1733000000000000"), prefix + "0006282781655000");
    // Signed short forms, as Google Reader wrote them.
    EXPECT_EQ(LongItemId("-1"), prefix + "ffffffffffffffff");
    EXPECT_EQ(LongItemId("-9223372036854775808"), prefix + "8000000000000000");
    EXPECT_EQ(LongItemId("18446744073709551615"), prefix + "ffffffffffffffff");
    // Bare hex (which a server must never be sent back) gets its prefix.
    EXPECT_EQ(LongItemId("00000000000000ab"), prefix + "00000000000000ab");
    // Items numbered past 64 bits keep every digit, bare or long, so both forms meet.
    EXPECT_EQ(LongItemId("5c4f3b2d1e8a7a0012345678"), prefix + "5c4f3b2d1e8a7a0012345678");
    EXPECT_EQ(LongItemId(prefix + "5C4F3B2D1E8A7A0012345678"), prefix + "5c4f3b2d1e8a7a0012345678");
    EXPECT_EQ(LongItemId("99999999999999999999999"), prefix + "99999999999999999999999");
    // Anything else is the server's own and goes back as it came.
    EXPECT_EQ(LongItemId("12x"), "12x");
    EXPECT_EQ(LongItemId("entry:2024/abc"), "entry:2024/abc");
    EXPECT_EQ(LongItemId(prefix + "not-hex"), prefix + "not-hex");
    // What cannot be one id.
    EXPECT_EQ(LongItemId(""), "");
    EXPECT_EQ(LongItemId("a b"), "");
    EXPECT_EQ(LongItemId("a\nb"), "");
    EXPECT_EQ(LongItemId(std::string(300, '7')), "");
}

TEST_F(ReaderClientTest, LogsInReadsSubscriptionsAndRefusesAWrongPassword) {
    auto client = Client();
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    std::vector<ReaderSubscription> subs;
    ASSERT_TRUE(client->Subscriptions(&subs).Ok());
    ASSERT_EQ(subs.size(), 2u);
    EXPECT_EQ(subs[0].streamId, "feed/1");
    EXPECT_EQ(subs[0].title, "One &amp; Two");
    EXPECT_EQ(subs[0].labels, (std::vector<std::string>{"Tech", "News"}));
    std::vector<std::string> labels;
    ASSERT_TRUE(client->Labels(&labels).Ok());
    EXPECT_EQ(labels, (std::vector<std::string>{"Tech", "News"}));

    auto wrong = Client();
    const ReaderStatus s = wrong->Login("ann", "guess");
    EXPECT_EQ(s.failure, ReaderFailure::kLogin);
    EXPECT_EQ(test::Sjis("サーバーにログインできませんでした。パスワードを確かめてください。"),
              s.message);
    EXPECT_EQ(wrong->FailedRequests(), 1);
}

TEST_F(ReaderClientTest, IdsSentAsNumbersAreTakenAndIdsThatAreNoneAreCounted) {
    auto client = Client();
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    server.Fault("stream/items/ids",
                 test::Ok(R"({"itemRefs":[{"id":5},{"id":"6"},{"id":-1},{"id":""},{"id":"a b"},)"
                          R"({"id":true},{}]})",
                          "application/json"));
    std::vector<std::string> ids;
    ASSERT_TRUE(client->UnreadIds(&ids).Ok());
    EXPECT_EQ(ids, (std::vector<std::string>{LongItemId("5"), LongItemId("6"), LongItemId("-1")}));
    EXPECT_EQ(client->UnreadableIds(), 4);
}

TEST_F(ReaderClientTest, AServerOutOfReachIsNamedWithTheReasonInJapanese) {
    // Refused: libcurl's English ("Failed to connect to 127.0.0.1 port N ...") never shows; its
    // reason does, in the words every download uses, with the server it was about.
    const std::string closed = "http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort());
    CReaderClient refused(closed + "/api/greader.php");
    ReaderStatus s = refused.Login("ann", "s3cret pass&=");
    EXPECT_EQ(s.failure, ReaderFailure::kUnreachable);
    EXPECT_EQ(s.message, test::Sjis("同期サーバーに接続できませんでした: "
                                    "サーバーに接続できませんでした (") +
                             closed + ")");

    // A server that says nothing at all ends as a time-out.
    Response silent;
    silent.stallBeforeHeaders = true;
    server.Fault("ClientLogin", silent);
    ReaderLimits limits;
    limits.stallTimeout = std::chrono::milliseconds(1000);
    s = Client(limits)->Login("ann", "s3cret pass&=");
    EXPECT_EQ(s.failure, ReaderFailure::kUnreachable);
    EXPECT_EQ(s.message,
              test::Sjis("同期サーバーに接続できませんでした: 操作がタイムアウトしました (") +
                  server.Http().Url("") + ")");
}

TEST_F(ReaderClientTest, ReadsTwoThousandItemsOverContinuationPagesAndOnlyNewerOnes) {
    server.AddItems("feed/1", 1200, kNow - 7200);
    server.AddItems("feed/2", 800, kNow - 60);
    ReaderCaps caps;
    caps.pageItems = 300;
    auto client = Client({}, caps);
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    std::vector<ReaderItem> items;
    ASSERT_TRUE(client->ReadingList(0, &items).Ok());
    ASSERT_EQ(items.size(), 2000u);
    std::set<std::string> ids;
    for (const auto& i : items) ids.insert(i.id);
    EXPECT_EQ(ids.size(), 2000u);
    EXPECT_EQ(items.front().streamId, "feed/2");  // newest first
    EXPECT_EQ(items.front().crawled, kNow - 60);
    EXPECT_EQ(items.back().title, "Item 1");
    EXPECT_EQ(items.back().html, "<p>text 1</p>");
    EXPECT_EQ(server.CountRequests("stream/contents"), 7);

    ASSERT_TRUE(client->ReadingList(kNow - 600, &items).Ok());
    EXPECT_EQ(items.size(), 800u);

    // Page by page, each handed over before the next is asked for; the cap cuts the last one.
    caps.maxItems = 700;
    auto paged = Client({}, caps);
    ASSERT_TRUE(paged->Login("ann", "s3cret pass&=").Ok());
    const int before = server.CountRequests("stream/contents");
    std::vector<size_t> sizes;
    std::vector<int> asked;
    ASSERT_TRUE(paged
                    ->ReadingList(0,
                                  [&](std::vector<ReaderItem>&& page) {
                                      sizes.push_back(page.size());
                                      asked.push_back(server.CountRequests("stream/contents") -
                                                      before);
                                  })
                    .Ok());
    EXPECT_EQ(sizes, (std::vector<size_t>{300, 300, 100}));
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 3}));

    // The cap on items holds however many the server has.
    caps.maxItems = 450;
    auto capped = Client({}, caps);
    ASSERT_TRUE(capped->Login("ann", "s3cret pass&=").Ok());
    ASSERT_TRUE(capped->ReadingList(0, &items).Ok());
    EXPECT_EQ(items.size(), 450u);
}

TEST_F(ReaderClientTest, UnreadAndStarredIdsAndMarksInBatchesOfAtMost250) {
    server.AddItems("feed/1", 600, kNow);
    server.SetStarred(5, true);
    auto client = Client();
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    std::vector<std::string> ids;
    ASSERT_TRUE(client->UnreadIds(&ids).Ok());
    ASSERT_EQ(ids.size(), 600u);
    ASSERT_TRUE(client->EditTag(ids, kReadState, "").Ok());
    EXPECT_EQ(server.EditBatchSizes(), (std::vector<size_t>{250, 250, 100}));
    EXPECT_EQ(server.ReadIds().size(), 600u);
    ASSERT_TRUE(client->UnreadIds(&ids).Ok());
    EXPECT_TRUE(ids.empty());
    ASSERT_TRUE(client->StarredIds(&ids).Ok());
    EXPECT_EQ(ids, std::vector<std::string>{LongItemId("5")});
    ASSERT_TRUE(client->EditTag({LongItemId("5")}, "", kStarredState).Ok());
    EXPECT_TRUE(server.StarredIds().empty());
}

TEST_F(ReaderClientTest, AnExpiredTokenOrSessionIsRenewedOnceAndTheEditSentAgain) {
    server.AddItems("feed/1", 3, kNow);
    auto client = Client();
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    server.Fault("edit-tag", WithStatus(401, {{"X-Reader-Google-Bad-Token", "true"}}));
    ASSERT_TRUE(client->EditTag({LongItemId("2")}, kReadState, "").Ok());
    EXPECT_EQ(server.ReadIds(), std::set<uint64_t>{2});
    EXPECT_EQ(server.CountRequests("/token"), 2);
    // FreshRSS's spelling of the header.
    server.Fault("edit-tag", WithStatus(401, {{"Google-Bad-Token", "true"}}));
    ASSERT_TRUE(client->EditTag({LongItemId("3")}, kReadState, "").Ok());
    EXPECT_EQ(server.CountRequests("/token"), 3);
    // A 401 that does not speak of the token is a session the server ended: one fresh login,
    // then the edit again.
    server.Fault("edit-tag", WithStatus(401));
    ASSERT_TRUE(client->EditTag({LongItemId("1")}, kReadState, "").Ok());
    EXPECT_EQ(server.CountRequests("ClientLogin"), 2);
    EXPECT_EQ(server.ReadIds(), (std::set<uint64_t>{1, 2, 3}));
    // Refused again after that login: the login is what the server no longer takes.
    server.Fault("edit-tag", WithStatus(403), 2);
    EXPECT_EQ(client->EditTag({LongItemId("1")}, "", kReadState).failure, ReaderFailure::kLogin);
    EXPECT_EQ(server.CountRequests("ClientLogin"), 3);
    // A refused fresh login is not tried again.
    server.Fault("subscription/list", WithStatus(401));
    server.Fault("ClientLogin", WithStatus(401));
    std::vector<ReaderSubscription> subs;
    EXPECT_EQ(client->Subscriptions(&subs).failure, ReaderFailure::kLogin);
    EXPECT_EQ(server.CountRequests("ClientLogin"), 4);
}

TEST_F(ReaderClientTest, SubscribesEditsAndUnsubscribes) {
    auto client = Client();
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    std::string id;
    ASSERT_TRUE(client->QuickAdd("http://c.test/feed?a=1&b=2", &id).Ok());
    ASSERT_TRUE(client->EditSubscription("edit", id, "Cee", "Tech", "").Ok());
    ASSERT_TRUE(client->EditSubscription("edit", "feed/1", "", "", "News").Ok());
    ASSERT_TRUE(client->EditSubscription("unsubscribe", "feed/2", "", "", "").Ok());
    const auto subs = server.Subscriptions();
    ASSERT_EQ(subs.size(), 2u);
    EXPECT_EQ(subs[0].labels, std::vector<std::string>{"Tech"});
    EXPECT_EQ(subs[1].url, "http://c.test/feed?a=1&b=2");
    EXPECT_EQ(subs[1].title, "Cee");
    EXPECT_EQ(client->EditSubscription("edit", "feed/404", "x", "", "").failure,
              ReaderFailure::kServer);
}

TEST_F(ReaderClientTest, A401InTheMiddleOfTheReadingListEndsItAsALoginFailure) {
    server.AddItems("feed/1", 50, kNow);
    ReaderCaps caps;
    caps.pageItems = 20;
    auto client = Client({}, caps);
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    server.Fault("&c=", WithStatus(401), 2);
    std::vector<ReaderItem> items;
    EXPECT_EQ(client->ReadingList(0, &items).failure, ReaderFailure::kLogin);
    EXPECT_EQ(client->FailedRequests(), 1);
}

TEST_F(ReaderClientTest, WaitsAsRetryAfterAsksOrStopsWhenTheWaitIsLong) {
    auto client = Client();
    server.Fault("ClientLogin", WithStatus(429, {{"Retry-After", "7"}}));
    server.Fault("/token", WithStatus(503, {{"Retry-After", "2"}}));
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    EXPECT_EQ(waits, (std::vector<int64_t>{7, 2}));

    server.Fault("subscription/list", WithStatus(429, {{"Retry-After", "3600"}}));
    std::vector<ReaderSubscription> subs;
    const ReaderStatus s = client->Subscriptions(&subs);
    EXPECT_EQ(s.failure, ReaderFailure::kWaiting);
    EXPECT_EQ(s.waitUntil, kNow + 3600);
    EXPECT_EQ(waits.size(), 2u);
    // A 503 that does not say how long is a plain failure, not a wait.
    server.Fault("subscription/list", WithStatus(503));
    EXPECT_EQ(client->Subscriptions(&subs).failure, ReaderFailure::kServer);
}

TEST_F(ReaderClientTest, GarbageAHugeAnswerAndAHangingServerFailCleanly) {
    ReaderLimits limits;
    limits.maxBytes = 1 << 20;
    limits.stallTimeout = std::chrono::seconds(1);
    auto client = Client(limits);
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    std::vector<ReaderSubscription> subs;
    std::vector<ReaderItem> items;
    std::vector<std::string> ids;

    server.Fault("subscription/list", test::Ok("{\"subscriptions\": [", "application/json"));
    EXPECT_EQ(client->Subscriptions(&subs).failure, ReaderFailure::kGarbage);
    server.Fault("stream/contents", test::Ok("{\"items\": 5}", "application/json"));
    EXPECT_EQ(client->ReadingList(0, &items).failure, ReaderFailure::kGarbage);
    server.Fault("items/ids", test::Ok("<html>login</html>", "text/html"));
    EXPECT_EQ(client->UnreadIds(&ids).failure, ReaderFailure::kGarbage);

    Response huge;
    huge.generatedSize = uint64_t{8} << 20;
    server.Fault("stream/contents", huge);
    EXPECT_EQ(client->ReadingList(0, &items).failure, ReaderFailure::kTooLarge);
    huge.contentLength = false;  // found out while reading, not from the header
    server.Fault("stream/contents", huge);
    EXPECT_EQ(client->ReadingList(0, &items).failure, ReaderFailure::kTooLarge);

    Response hang;
    hang.stallBeforeHeaders = true;
    server.Fault("items/ids", hang);
    EXPECT_EQ(client->StarredIds(&ids).failure, ReaderFailure::kUnreachable);
    EXPECT_EQ(client->FailedRequests(), 6);
    // The client still works after each.
    EXPECT_TRUE(client->Subscriptions(&subs).Ok());
    EXPECT_EQ(subs.size(), 2u);
}

TEST(ReaderClient, AServerThatIsNotThereIsUnreachable) {
    setenv("no_proxy", "*", 1);
    CReaderClient client("http://127.0.0.1:1/api/greader.php");
    EXPECT_EQ(client.Login("a", "b").failure, ReaderFailure::kUnreachable);
}

TEST_F(ReaderClientTest, EveryRequestFailsOnceTheSyncHasTakenTenMinutes) {
    server.AddItems("feed/1", 500, kNow - 60);
    server.SetPageLimit(50);
    ReaderCaps caps;
    caps.pageItems = 50;
    auto client = Client({}, caps);
    // Each request takes a minute by this clock.
    auto now = std::chrono::steady_clock::time_point();
    client->SetSteadyClock([&now] { return now += std::chrono::seconds(60); });
    ASSERT_TRUE(client->Login("ann", "s3cret pass&=").Ok());
    std::vector<ReaderItem> items;
    const ReaderStatus s = client->ReadingList(0, &items);
    EXPECT_EQ(s.failure, ReaderFailure::kBudget);
    EXPECT_EQ(client->Requests(), 10);  // login, token and eight pages within the ten minutes
    EXPECT_EQ(items.size(), 400u);
}

TEST_F(ReaderClientTest, HostileAnswersAreReadInMemoryBoundedByTheirSize) {
#ifdef VARLO_NO_NODE_POOL
    GTEST_SKIP() << "sanitizer builds pad and hold back every block they free: memory is measured "
                    "in the normal build";
#endif
    constexpr size_t kSize = 63 << 20;
    const auto items = [](std::string_view element) {
        std::string body = R"({"items":[)";
        while (body.size() < kSize) body.append(element);
        return body + "0]}";
    };
    const std::vector<std::pair<std::string, std::string>> shapes = {
        {"brackets", std::string(kSize, '[')},
        {"empty objects", items("{},")},
        {"numbers", items("0,")},
        {"one element of many values",
         R"({"items":[{"id":"1","categories":[)" + items("0,").substr(10) + "]}"}};
    for (const auto& [name, body] : shapes) {
        test::Response r = test::Ok(body, "application/json");
        r.encoding = "gzip";
        server.Fault("stream/contents", r);
        const int64_t growth = test::PeakGrowthInChild([&] {
            auto client = Client();
            std::vector<ReaderItem> read;
            if (client->Login("ann", "s3cret pass&=").Ok()) client->ReadingList(0, &read);
        });
        EXPECT_LT(growth, int64_t{4} * static_cast<int64_t>(body.size()) + (32 << 20)) << name;
        std::printf("  %-28s peak growth %6.1f MB\n", name.c_str(), growth / 1e6);
    }
}

}  // namespace
}  // namespace varlo
