// What a site's own settings change on the wire, through the update of every site and through the
// download of the chosen site: the User-Agent, the credentials (sent to the feed's own server
// only, never after a redirection to another port), the proxy and the way around it, the failures
// said in words that tell what to do, and the automatic update asking a site at its own interval.

#include "update/site_access.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <optional>

#include "encoding/codepage.h"
#include "fetch/http_download.h"
#include "fetch/proxy.h"
#include "platform/product.h"
#include "platform/secret_store.h"
#include "store/store_paths.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "update/feed_choice.h"
#include "update/update_run.h"

namespace varlo {
namespace {

using test::LoopbackServer;
using test::Ok;
using test::Response;
using test::ScopedEnv;

const char* const kFeed =
    "<?xml version='1.0'?><rss version='2.0'><channel><title>t</title>"
    "<item><title>a</title><guid>a</guid></item></channel></rss>";

// A feed behind HTTP Basic for "ann" with "pw" ("YW5uOnB3" in Base64).
std::optional<Response> Guarded(const test::Request& request) {
    if (request.Header("Authorization") == "Basic YW5uOnB3") return Ok(kFeed);
    Response refused;
    refused.status = 401;
    refused.headers = {{"WWW-Authenticate", "Basic realm=\"feeds\""}};
    refused.body = "who are you?";
    return refused;
}

class SiteAccess : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MakePrivateFolder(dir.File("cache")));
        ASSERT_TRUE(store.Open(dir.File("varlo.db")));
        server.Route("/feed.xml", Ok(kFeed));
    }
    void TearDown() override { SetProxySetting({}); }

    void Set(const Text& url, const std::vector<std::pair<const char*, const char*>>& values) {
        SiteSettings settings = LoadSiteSettings(store, url);
        for (const auto& [key, value] : values) {
            ASSERT_TRUE(SetSiteSetting(settings, key, value).empty()) << key;
        }
        ASSERT_TRUE(SaveSiteSettings(store, url, settings));
    }

    std::vector<SiteResult> Update(const std::vector<Text>& urls, UpdateOptions options = {}) {
        CUpdateRun run(store, CFeedCache(dir.File("cache")), urls, options);
        while (run.Step(100)) {
        }
        return run.Results();
    }

    // The chosen site's download as the window makes it; the failure's reason when it fails.
    Text Choose(const Text& url) {
        CHttpDownload download(url);
        download.KeepFailureUnshown();
        PrepareFeedDownload(download, store, CFeedCache(dir.File("cache")), url);
        if (!download.Download(dir.Path().string(), false, "down.xml").empty()) return {};
        return ReadChosenFailure(download, url, std::time(nullptr)).reason;
    }

    test::TempDir dir;
    ScopedEnv config{"VARLO_CONFIG", dir.File("conf/Varlo.ini").c_str()};
    ScopedEnv noBus{"DBUS_SESSION_BUS_ADDRESS", nullptr};
    ScopedEnv noProxy{"no_proxy", "*"};
    CFeedStore store;
    LoopbackServer server;
};

TEST_F(SiteAccess, EachSiteSendsTheUserAgentItAskedFor) {
    const Text browser = server.Url("/feed.xml?browser");
    const Text custom = server.Url("/feed.xml?custom");
    const Text own = server.Url("/feed.xml?own");
    for (const Text& url : {browser, custom, own})
        server.Route(url.substr(url.find("/feed")), Ok(kFeed));
    Set(browser, {{"userAgent", "browser"}});
    Set(custom, {{"userAgent", "FeedFetcher/2 (+http://example.org)"}});
    Update({browser, custom, own});
    ASSERT_EQ(Choose(browser), "");

    std::map<std::string, std::vector<std::string>> agents;
    for (const test::Request& request : server.Requests()) {
        agents[request.target].push_back(request.Header("User-Agent"));
    }
    using ::testing::Each;
    EXPECT_THAT(agents["/feed.xml?browser"],
                ::testing::ElementsAre(kBrowserUserAgent, kBrowserUserAgent));
    EXPECT_THAT(agents["/feed.xml?custom"],
                Each(std::string("FeedFetcher/2 (+http://example.org)")));
    EXPECT_THAT(agents["/feed.xml?own"], Each(std::string(kUserAgent)));
}

TEST_F(SiteAccess, AFeedBehindDigestGetsAnAnswerToItsChallengeNotThePasswordItself) {
    // The server asks for Digest only: the answer must name the user, the realm, the nonce and
    // the address, with a response computed from the password, which never travels as it is.
    server.SetHandler([](const test::Request& request) -> std::optional<Response> {
        if (request.target != "/digest.xml") return std::nullopt;
        const std::string answer = request.Header("Authorization");
        if (answer.starts_with("Digest ") && answer.find("username=\"ann\"") != std::string::npos &&
            answer.find("realm=\"feeds\"") != std::string::npos &&
            answer.find("nonce=\"n0nce\"") != std::string::npos &&
            answer.find("uri=\"/digest.xml\"") != std::string::npos &&
            answer.find("response=\"") != std::string::npos) {
            return Ok(kFeed);
        }
        Response refused;
        refused.status = 401;
        refused.headers = {
            {"WWW-Authenticate", "Digest realm=\"feeds\", nonce=\"n0nce\", qop=\"auth\""}};
        refused.body = "who are you?";
        return refused;
    });
    const Text url = server.Url("/digest.xml");
    Set(url, {{"user", "ann"}, {"plainHttp", "true"}});
    ASSERT_TRUE(StorePassword(SitePasswordAccount(url), "secret-pw").ok);
    EXPECT_EQ(Update({url})[0].status, SiteStatus::kNew);
    EXPECT_EQ(Choose(url), "");
    for (const test::Request& request : server.Requests()) {
        EXPECT_EQ(request.raw.find("secret-pw"), std::string::npos);
        EXPECT_EQ(request.Header("Authorization").rfind("Basic", 0), std::string::npos);
    }
}

TEST_F(SiteAccess, CredentialsGoToTheFeedOnlyOnceAllowedAndFailuresSayWhatToDo) {
    server.SetHandler([](const test::Request& request) -> std::optional<Response> {
        if (request.target != "/private.xml") return std::nullopt;
        return Guarded(request);
    });
    const Text url = server.Url("/private.xml");
    const Text needed =
        Jp("このサイトは認証が必要です。サイトデータの修正の「詳細」で設定してください");
    EXPECT_EQ(Update({url})[0].message, needed);
    EXPECT_EQ(Choose(url), needed);

    Set(url, {{"user", "ann"}});
    ASSERT_TRUE(StorePassword(SitePasswordAccount(url), "pw").ok);
    // Plain http, and the user never said the password may travel unencrypted: not sent.
    EXPECT_EQ(Update({url})[0].message, needed);
    for (const test::Request& request : server.Requests()) {
        EXPECT_EQ(request.Count("Authorization"), 0u);
    }

    Set(url, {{"plainHttp", "true"}});
    EXPECT_EQ(Update({url})[0].status, SiteStatus::kNew);
    EXPECT_EQ(Choose(url), "");
    EXPECT_EQ(server.Requests().back().Header("Authorization"), "Basic YW5uOnB3");

    ASSERT_TRUE(StorePassword(SitePasswordAccount(url), "wrong").ok);
    const Text refused = Jp("ユーザー名またはパスワードが正しくありません");
    EXPECT_EQ(Update({url})[0].message, refused);
    EXPECT_EQ(Choose(url), refused);
}

class SiteRedirection : public SiteAccess, public ::testing::WithParamInterface<const char*> {};

TEST_P(SiteRedirection, ARedirectionToAnotherServerNeverReceivesTheCredentials) {
    LoopbackServer other(GetParam());
    other.Route("/moved.xml", Ok(kFeed));
    server.SetHandler([&other](const test::Request& request) -> std::optional<Response> {
        if (request.target != "/private.xml") return std::nullopt;
        if (request.Header("Authorization").empty()) return Guarded(request);
        return test::Redirect(302, other.Url("/moved.xml"));
    });
    const Text url = server.Url("/private.xml");
    Set(url, {{"user", "ann"}, {"plainHttp", "true"}});
    ASSERT_TRUE(StorePassword(SitePasswordAccount(url), "pw").ok);
    EXPECT_EQ(Update({url})[0].status, SiteStatus::kNew);
    EXPECT_EQ(Choose(url), "");
    ASSERT_EQ(other.Requests().size(), 2u);
    for (const test::Request& request : other.Requests()) {
        EXPECT_EQ(request.Count("Authorization"), 0u) << request.raw;
    }
    EXPECT_EQ(server.Requests().back().Header("Authorization"), "Basic YW5uOnB3");
}

// Another port of the same host, and another host.
INSTANTIATE_TEST_SUITE_P(OtherPortOrHost, SiteRedirection,
                         ::testing::Values("127.0.0.1", "127.0.0.2"));

TEST_F(SiteAccess, EveryTransferGoesThroughTheProxySetUnlessItsSiteGoesDirect) {
    LoopbackServer proxy;
    // A proxy is asked for the whole address of a machine that this one never resolves.
    proxy.Route("http://feeds.example/far.xml", Ok(kFeed));
    SetProxySetting({ProxySetting::Mode::kAddress, proxy.Url(""), "", ""});
    const Text far = "http://feeds.example/far.xml";
    const Text near = server.Url("/feed.xml");
    Set(near, {{"noProxy", "true"}});
    const std::vector<SiteResult> results = Update({far, near});
    EXPECT_EQ(results[0].status, SiteStatus::kNew) << Cp932ToUtf8(results[0].message);
    EXPECT_EQ(results[1].status, SiteStatus::kNew) << Cp932ToUtf8(results[1].message);
    EXPECT_EQ(Choose(far), "");
    EXPECT_EQ(proxy.Requests().size(), 2u);
    EXPECT_EQ(server.Requests().size(), 1u);

    // A proxy that cannot be reached says so, and a site that goes direct does not need it.
    SetProxySetting({ProxySetting::Mode::kAddress,
                     "http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort()), "", ""});
    const Text unreachable = Jp("プロキシに接続できませんでした");
    EXPECT_EQ(Update({far})[0].message, unreachable);
    EXPECT_EQ(Choose(far), unreachable);
    EXPECT_EQ(Choose(near), "");
    // A proxy that refuses (407) says the same.
    proxy.Route("http://feeds.example/far.xml", [] {
        Response refused;
        refused.status = 407;
        refused.headers = {{"Proxy-Authenticate", "Basic realm=\"proxy\""}};
        return refused;
    }());
    SetProxySetting({ProxySetting::Mode::kAddress, proxy.Url(""), "", ""});
    EXPECT_EQ(Update({far})[0].message, unreachable);
}

TEST(ProxyAddress, OnlyHttpAndSocks5hAddressesWithAHostAreTaken) {
    EXPECT_TRUE(IsValidProxyAddress("http://proxy.example:8080"));
    EXPECT_TRUE(IsValidProxyAddress("socks5h://127.0.0.1:1080"));
    EXPECT_FALSE(IsValidProxyAddress("https://proxy.example"));
    EXPECT_FALSE(IsValidProxyAddress("socks5://proxy.example"));
    EXPECT_FALSE(IsValidProxyAddress("http://"));
    EXPECT_FALSE(IsValidProxyAddress("proxy.example:8080"));
}

TEST_F(SiteAccess, TheAutomaticUpdateAsksASiteAtItsOwnInterval) {
    const Text hourly = server.Url("/feed.xml?hourly");
    const Text every = server.Url("/feed.xml?every");
    server.Route("/feed.xml?hourly", Ok(kFeed));
    server.Route("/feed.xml?every", Ok(kFeed));
    Set(hourly, {{"interval", "60"}});
    int64_t now = 1800000000;
    UpdateOptions automatic;
    automatic.automatic = true;
    automatic.clock = [&now] { return now; };
    auto asked = [&](const std::string& target) {
        size_t n = 0;
        for (const test::Request& request : server.Requests()) n += request.target == target;
        return n;
    };
    Update({hourly, every}, automatic);
    EXPECT_EQ(asked("/feed.xml?hourly"), 1u);
    now += 30 * 60;
    std::vector<SiteResult> results = Update({hourly, every}, automatic);
    EXPECT_EQ(results[0].status, SiteStatus::kFresh);
    EXPECT_EQ(asked("/feed.xml?hourly"), 1u);
    EXPECT_EQ(asked("/feed.xml?every"), 2u);
    now += 30 * 60;
    Update({hourly, every}, automatic);
    EXPECT_EQ(asked("/feed.xml?hourly"), 2u);
    // F5 asks every site whatever its interval.
    UpdateOptions all;
    all.clock = automatic.clock;
    Update({hourly}, all);
    EXPECT_EQ(asked("/feed.xml?hourly"), 3u);
}

}  // namespace
}  // namespace varlo
