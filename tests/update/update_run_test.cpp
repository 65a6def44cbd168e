#include "update/update_run.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>

#include "encoding/codepage.h"
#include "store/library.h"
#include "store/store_paths.h"
#include "store/write_guard.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "update/feed_request.h"
#include "update/server_answer.h"
#include "xml/document.h"

namespace varlo {
namespace {

using test::LoopbackServer;
using test::Ok;
using test::Response;

std::string Rss(const std::vector<std::string>& guids) {
    std::string xml =
        "<?xml version='1.0' encoding='UTF-8'?><rss version='2.0'><channel>"
        "<title>t</title>";
    for (const auto& g : guids)
        xml += "<item><title>" + g + "</title><guid>" + g + "</guid></item>";
    return xml + "</channel></rss>";
}

Response Feed(const std::vector<std::string>& guids, std::string etag = "",
              std::string encoding = "") {
    Response response = Ok(Rss(guids));
    response.etag = std::move(etag);
    response.encoding = std::move(encoding);
    return response;
}

Response Status(int status) {
    Response response;
    response.status = status;
    response.body = status == 304 ? "" : "no";
    response.contentLength = status != 304;
    return response;
}

Response Hang() {
    Response response;
    response.stallBeforeHeaders = true;
    return response;
}

class UpdateRun : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("no_proxy", "*", 1);
        ASSERT_TRUE(MakePrivateFolder(m_dir.File("cache")));
        ASSERT_TRUE(m_store.Open(m_dir.File("varlo.db")));
        m_options.limits.lowSpeedTime = std::chrono::seconds(1);
        m_options.limits.lowSpeedBytes = 1;
    }

    // Drives an update as the window does, on a thread that never writes to the store: every
    // write goes through the run's writer.
    std::vector<SiteResult> Update(const std::vector<Text>& urls) {
        const uint64_t forbidden = ForbiddenStoreWrites();
        StoreWritesForbiddenHere readsOnly;
        CUpdateRun run(m_store, Cache(), urls, m_options);
        while (run.Step(100)) {
        }
        EXPECT_EQ(ForbiddenStoreWrites(), forbidden) << "a write on the driving thread";
        EXPECT_EQ(run.Finished(), run.Total());
        return run.Results();
    }
    CFeedCache Cache() const { return CFeedCache(m_dir.File("cache")); }
    // Files in the cache folder, temporary ones included.
    size_t CacheFiles() const {
        return static_cast<size_t>(
            std::distance(std::filesystem::directory_iterator(m_dir.File("cache")), {}));
    }

    test::TempDir m_dir;
    CFeedStore m_store;
    UpdateOptions m_options;
    LoopbackServer m_server;
};

TEST_F(UpdateRun, ManySitesOnOneServerEachEndOnItsOwnAndOneBadSiteStopsNoOther) {
    m_server.Route("/plain", Feed({"a", "b"}, "\"p1\""));
    m_server.Route("/gzip", Feed({"g"}, "\"g1\"", "gzip"));
    m_server.Route("/deflate", Feed({"d1", "d2", "d3"}, "", "deflate"));
    m_server.Route("/missing", Status(404));
    m_server.Route("/tofile", test::Redirect(302, "file:///etc/passwd"));
    m_server.Route("/hang", Hang());
    m_server.Route("/page", Ok("<html><body>not a feed</body></html>", "text/html"));
    const std::vector<Text> urls = {
        m_server.Url("/plain"),   m_server.Url("/gzip"),    m_server.Url("/deflate"),
        m_server.Url("/missing"), m_server.Url("/tofile"),  m_server.Url("/hang"),
        m_server.Url("/page"),    "ftp://example.com/feed", m_server.Url("/plain")};
    const auto results = Update(urls);
    ASSERT_EQ(results.size(), urls.size());
    EXPECT_EQ(results[0].status, SiteStatus::kNew);
    EXPECT_EQ(results[0].newArticles, 2);
    EXPECT_EQ(results[1].newArticles, 1);
    EXPECT_EQ(results[2].newArticles, 3);
    for (size_t i = 3; i < 8; ++i) {
        EXPECT_EQ(results[i].status, SiteStatus::kFailed) << urls[i];
        EXPECT_FALSE(results[i].message.empty()) << urls[i];
        EXPECT_EQ(m_store.UnseenCount(urls[i]), -1);
        EXPECT_EQ(m_store.Feed(urls[i]).failureMessage, results[i].message);
    }
    EXPECT_EQ(results[3].message, test::Sjis("サーバーがエラー 404 を返しました"));
    EXPECT_EQ(results[5].message, test::Sjis("操作がタイムアウトしました"));
    // The same address twice is fetched once and reported twice.
    EXPECT_EQ(results[8].newArticles, 2);
    EXPECT_EQ(m_server.Requests().size(), 7u);

    // Every feed request is the designed one, asking for compression and naming Varlo.
    for (const auto& request : m_server.Requests()) {
        EXPECT_EQ(request.version, "HTTP/1.0");
        EXPECT_EQ(request.Header("Accept"), "text/*");
        EXPECT_NE(request.Header("Accept-Encoding").find("gzip"), std::string::npos);
        EXPECT_EQ(request.Header("User-Agent").rfind("Mozilla/4.0 (compatible; Varlo/", 0), 0u);
        EXPECT_EQ(request.Count("If-None-Match"), 0u);
    }
    // Only the bodies of the three feeds are left in the cache.
    EXPECT_EQ(CacheFiles(), 3u);
}

TEST_F(UpdateRun, ASecondUpdateAsksConditionallyAndCountsExactlyTheNewArticles) {
    m_server.Route("/etag", Feed({"a", "b"}, "\"v1\""));
    Response dated = Feed({"x"});
    dated.lastModified = "Tue, 01 Oct 2024 10:00:00 GMT";
    m_server.Route("/dated", dated);
    m_server.Route("/changing", Feed({"1", "2", "3"}, "\"c1\""));
    const std::vector<Text> urls = {m_server.Url("/etag"), m_server.Url("/dated"),
                                    m_server.Url("/changing")};
    Update(urls);
    m_store.MarkSeen(urls[0]);
    m_server.Route("/changing", Feed({"4", "2", "5", "3"}, "\"c2\"", "gzip"));

    const auto results = Update(urls);
    EXPECT_EQ(results[0].status, SiteStatus::kUnchanged);
    EXPECT_EQ(results[1].status, SiteStatus::kUnchanged);
    EXPECT_EQ(results[2].status, SiteStatus::kNew);
    EXPECT_EQ(results[2].newArticles, 2);
    EXPECT_EQ(m_store.UnseenCount(urls[0]), 0);
    EXPECT_EQ(m_store.UnseenCount(urls[2]), 5);
    EXPECT_EQ(m_store.Feed(urls[2]).validators.etag, "\"c2\"");

    std::map<std::string, test::Request> second;
    const auto requests = m_server.Requests();
    for (size_t i = 3; i < requests.size(); ++i) second[requests[i].target] = requests[i];
    EXPECT_EQ(second["/etag"].Header("If-None-Match"), "\"v1\"");
    EXPECT_EQ(second["/dated"].Header("If-Modified-Since"), "Tue, 01 Oct 2024 10:00:00 GMT");
    EXPECT_EQ(second["/changing"].Header("If-None-Match"), "\"c1\"");

    // Without the cached body, the validators are not sent and the whole feed comes again.
    Cache().Remove(urls[0]);
    Update({urls[0]});
    EXPECT_EQ(m_server.Requests().back().Count("If-None-Match"), 0u);
}

TEST_F(UpdateRun, EachBodyIsParsedOnceAndAFeedBehindServerWarningsIsRecorded) {
    m_server.Route("/a", Feed({"a1", "a2"}));
    m_server.Route("/b", Feed({"b1"}, "", "gzip"));
    // PHP's warnings printed before the feed make their markup the document's root.
    m_server.Route("/warned", Ok("<br />\n<b>Warning</b>: x<br />\n" + Rss({"w1", "w2"})));
    const std::vector<Text> urls = {m_server.Url("/a"), m_server.Url("/b")};
    const uint64_t before = CMXMLDocument::ParseCount();
    const auto results = Update(urls);
    EXPECT_EQ(CMXMLDocument::ParseCount() - before, urls.size());
    EXPECT_EQ(results[0].newArticles, 2);
    EXPECT_EQ(results[1].newArticles, 1);

    const auto warned = Update({m_server.Url("/warned")});
    EXPECT_EQ(warned[0].status, SiteStatus::kNew) << Cp932ToUtf8(warned[0].message);
    EXPECT_EQ(warned[0].newArticles, 2);
}

TEST_F(UpdateRun, ASearchIndexDamagedFromOutsideIsRebuiltAndTheRunSaysSo) {
    m_server.Route("/a", Feed({"a1", "a2"}));
    const Text url = m_server.Url("/a");
    Update({url});
    {
        // Another program, or a disk that lost writes, garbles the index's record of segments.
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(m_dir.File("varlo.db").c_str(), &other), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(other,
                               "UPDATE article_search_data SET block = x'0102030405' WHERE id = 10",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(other);
    }
    m_server.Route("/a", Feed({"a3", "a1", "a2"}));
    CUpdateRun run(m_store, Cache(), {url}, m_options);
    while (run.Step(100)) {
    }
    ASSERT_EQ(run.Results()[0].status, SiteStatus::kNew) << Cp932ToUtf8(run.Results()[0].message);
    EXPECT_EQ(Cp932ToUtf8(run.Notice()),
              "検索の索引が壊れていたため、保存してある記事から作り直しました。");
    EXPECT_EQ(CLibrary(m_store).Search("a3").size(), 1u);
}

TEST_F(UpdateRun, AnUnfitValidatorIsNotKeptSoTheServerIsNeverSentItBack) {
    // A server that would answer 431 from then on if its 90 KB ETag came back.
    Response huge = Feed({"a"});
    huge.headers.emplace_back("ETag", "\"" + std::string(90 * 1024, 'e') + "\"");
    m_server.Route("/huge", huge);
    Response control = Feed({"b"});
    control.headers.emplace_back("ETag", "\"a\rb\"");
    m_server.Route("/control", control);
    const std::vector<Text> urls = {m_server.Url("/huge"), m_server.Url("/control")};
    for (const auto& result : Update(urls)) {
        EXPECT_EQ(result.status, SiteStatus::kNew) << result.xmlUrl;
        EXPECT_EQ(m_store.Feed(result.xmlUrl).validators.etag, "") << result.xmlUrl;
    }
    // Kept by an earlier version: neither sent nor kept any longer.
    m_store.RecordSuccess(urls[0], {"\"a\rb\"", std::string(2000, 'x')}, {"a"}, 1700000000);
    Update({urls[0]});
    EXPECT_EQ(m_server.Requests().back().Count("If-None-Match"), 0u);
    EXPECT_EQ(m_server.Requests().back().Count("If-Modified-Since"), 0u);
    EXPECT_EQ(m_store.Feed(urls[0]).validators.etag, "");
    EXPECT_EQ(m_store.Feed(urls[0]).validators.lastModified, "");
}

TEST_F(UpdateRun, AResponseHeadTooLargeForLibcurlFailsInJapanese) {
    Response response = Feed({"a"});
    response.headers.emplace_back("ETag", "\"" + std::string(1 << 20, 'e') + "\"");
    m_server.Route("/f", response);
    const auto results = Update({m_server.Url("/f")});
    EXPECT_EQ(results[0].status, SiteStatus::kFailed);
    EXPECT_EQ(results[0].message, test::Sjis("サーバーの応答ヘッダーが大きすぎます"));
    EXPECT_EQ(CacheFiles(), 0u);
}

TEST_F(UpdateRun, BrokenAnswersAreFailuresThatWriteNothing) {
    // 304 to an unconditional request: there is no body it could stand for.
    m_server.Route("/304", Status(304));
    // A body that claims a compression it does not have.
    Response wrong = Ok(Rss({"a"}));
    wrong.headers.emplace_back("Content-Encoding", "gzip");
    m_server.Route("/wrong", wrong);
    // A small compressed body beyond the feed cap once decompressed (under the cap of other
    // downloads): nothing of it is read or kept.
    Response bomb;
    bomb.generatedSize = 40 << 20;
    bomb.encoding = "gzip";
    m_server.Route("/bomb", bomb);
    // The server takes a while to compress the bomb before its first byte: nothing here hangs.
    m_options.limits.lowSpeedTime = std::chrono::seconds(600);
    const std::vector<Text> urls = {m_server.Url("/304"), m_server.Url("/wrong"),
                                    m_server.Url("/bomb")};
    const auto results = Update(urls);
    for (const auto& result : results) {
        EXPECT_EQ(result.status, SiteStatus::kFailed) << result.xmlUrl;
        EXPECT_FALSE(Cache().HasBody(result.xmlUrl));
        EXPECT_FALSE(m_store.Feed(result.xmlUrl).downloaded);
    }
    EXPECT_EQ(results[1].message, test::Sjis("サーバーが送った圧縮データを展開できませんでした"));
    EXPECT_EQ(results[2].message, test::Sjis("フィードが大きすぎます (32 MB を超えています)"));
    EXPECT_EQ(CacheFiles(), 0u);
}

TEST_F(UpdateRun,
       TransfersWaitForASlotWithAtMostEightAtOnceAndTwoPerHostAndCancelKeepsTheFinished) {
    std::vector<std::unique_ptr<LoopbackServer>> hosts;
    std::vector<Text> urls = {m_server.Url("/quick1"), m_server.Url("/quick2")};
    m_server.Route("/quick1", Feed({"q"}));
    m_server.Route("/quick2", Feed({"r"}));
    for (int h = 2; h <= 6; ++h) {
        hosts.push_back(std::make_unique<LoopbackServer>("127.0.0." + std::to_string(h)));
        for (int i = 0; i < 3; ++i) {
            const std::string path = "/hang" + std::to_string(i);
            hosts.back()->Route(path, Hang());
            urls.push_back(hosts.back()->Url(path));
        }
    }
    m_options.limits.lowSpeedTime = std::chrono::seconds(600);
    CUpdateRun run(m_store, Cache(), urls, m_options);
    while (run.Finished() < 2) ASSERT_TRUE(run.Step(100));
    auto running = run.RunningHosts();
    EXPECT_EQ(running.size(), 8u);
    std::map<std::string, int> perHost;
    for (const auto& host : running) ++perHost[host];
    for (const auto& [host, count] : perHost) EXPECT_LE(count, 2) << host;

    run.Cancel();
    EXPECT_TRUE(run.Done());
    EXPECT_TRUE(run.Cancelled());
    EXPECT_TRUE(run.RunningHosts().empty());
    EXPECT_FALSE(run.Step(0));
    const auto results = run.Results();
    EXPECT_EQ(results[0].status, SiteStatus::kNew);
    EXPECT_EQ(results[1].status, SiteStatus::kNew);
    for (size_t i = 2; i < results.size(); ++i) EXPECT_EQ(results[i].status, SiteStatus::kPending);
    EXPECT_EQ(m_store.UnseenCount(urls[0]), 1);
    EXPECT_EQ(m_store.UnseenCount(urls[2]), -1);
    // The cancelled transfers leave no temporary file behind.
    EXPECT_EQ(CacheFiles(), 2u);
}

Response WithHeaders(Response response, std::vector<std::pair<std::string, std::string>> headers) {
    for (auto& header : headers) response.headers.push_back(std::move(header));
    return response;
}

TEST_F(UpdateRun, AHostThatAsksToWaitMakesEachOfItsSitesWaitAlsoAfterARestart) {
    LoopbackServer busy("127.0.0.2");
    busy.Route("/a", WithHeaders(Status(429), {{"Retry-After", "600"}}));
    busy.Route("/b", Feed({"b"}));
    // A 503 without a readable wait is an error like any other.
    busy.Route("/down", WithHeaders(Status(503), {{"Retry-After", "later"}}));
    m_server.Route("/feed", Feed({"f"}));
    const int64_t before = static_cast<int64_t>(std::time(nullptr));
    auto results = Update({busy.Url("/down"), busy.Url("/a")});
    EXPECT_EQ(results[0].status, SiteStatus::kFailed);
    EXPECT_EQ(results[0].message, test::Sjis("サーバーがエラー 503 を返しました"));
    ASSERT_EQ(results[1].status, SiteStatus::kWaiting);
    EXPECT_GE(results[1].until, before + 600);
    EXPECT_LE(results[1].until, static_cast<int64_t>(std::time(nullptr)) + 600);
    EXPECT_EQ(results[1].message, WaitingMessage(results[1].until));
    EXPECT_EQ(busy.Requests().size(), 2u);

    // The next update, in another run of the program, asks no site of that host; other hosts
    // are asked as ever.
    CFeedStore reopened;
    ASSERT_TRUE(reopened.Open(m_dir.File("varlo.db")));
    CUpdateRun run(reopened, Cache(), {busy.Url("/b"), m_server.Url("/feed")}, m_options);
    while (run.Step(100)) {
    }
    results = run.Results();
    EXPECT_EQ(results[0].status, SiteStatus::kWaiting);
    EXPECT_EQ(results[0].until, reopened.HostWait(WaitKey(busy.Url("/b")), before));
    EXPECT_EQ(results[1].status, SiteStatus::kNew);
    EXPECT_EQ(busy.Requests().size(), 2u);
    EXPECT_EQ(run.SitesWith(SiteStatus::kWaiting), 1);
}

TEST_F(UpdateRun, AWaitHoldsItsOwnSchemeHostAndPortAndAWaitKeptByHostAloneHoldsEveryPort) {
    EXPECT_EQ(WaitKey("HTTPS://Reader.Example.test/api/greader.php"),
              "https://reader.example.test:443");
    EXPECT_EQ(WaitKey("http://reader.example.test/feed"), "http://reader.example.test:80");
    EXPECT_EQ(WaitKey("http://[::1]:81/x"), "http://[::1]:81");
    LoopbackServer other("127.0.0.1");
    other.Route("/feed", Feed({"o"}));
    m_server.Route("/feed", Feed({"f"}));
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    // A sync server beside the feeds asked to wait a day.
    ASSERT_TRUE(m_store.SetHostWait(WaitKey(other.Url("/api/greader.php")), now + 86400));
    auto results = Update({other.Url("/feed"), m_server.Url("/feed")});
    EXPECT_EQ(results[0].status, SiteStatus::kWaiting);
    EXPECT_EQ(results[1].status, SiteStatus::kNew);
    // A wait kept before waits had ports holds the whole host until it ends.
    ASSERT_TRUE(m_store.SetHostWait("127.0.0.1", now + 600));
    results = Update({m_server.Url("/feed")});
    EXPECT_EQ(results[0].status, SiteStatus::kWaiting);
}

TEST_F(UpdateRun, TheAutomaticUpdateLeavesFeedsStillFreshAndEveryOtherUpdateAsksThem) {
    m_server.Route("/age", WithHeaders(Feed({"a"}, "\"a1\""), {{"Cache-Control", "max-age=600"}}));
    m_server.Route("/expires",
                   WithHeaders(Feed({"e"}), {{"Date", "Tue, 01 Oct 2024 08:00:00 GMT"},
                                             {"Expires", "Tue, 01 Oct 2024 09:00:00 GMT"}}));
    m_server.Route("/zero", WithHeaders(Feed({"z"}), {{"Cache-Control", "max-age=0"}}));
    m_server.Route("/plain", Feed({"p"}));
    const std::vector<Text> urls = {m_server.Url("/age"), m_server.Url("/expires"),
                                    m_server.Url("/zero"), m_server.Url("/plain")};
    Update(urls);
    EXPECT_EQ(m_server.Requests().size(), 4u);

    m_options.automatic = true;
    auto results = Update(urls);
    EXPECT_EQ(results[0].status, SiteStatus::kFresh);
    EXPECT_EQ(results[1].status, SiteStatus::kFresh);
    EXPECT_EQ(results[2].status, SiteStatus::kUnchanged);
    EXPECT_EQ(results[3].status, SiteStatus::kUnchanged);
    EXPECT_EQ(m_server.Requests().size(), 6u);

    // F5 asks them all, conditionally; an answer without a promise of freshness ends one.
    m_options.automatic = false;
    m_server.Route("/age", Feed({"a"}, "\"a1\""));
    results = Update(urls);
    EXPECT_EQ(results[0].status, SiteStatus::kUnchanged);
    EXPECT_EQ(m_server.Requests().size(), 10u);
    const auto requests = m_server.Requests();
    const auto age = std::find_if(requests.rbegin(), requests.rend(),
                                  [](const auto& r) { return r.target == "/age"; });
    EXPECT_EQ(age->Header("If-None-Match"), "\"a1\"");
    EXPECT_EQ(m_store.Feed(urls[0]).freshUntil, 0);
    m_options.automatic = true;
    EXPECT_EQ(Update({urls[0]})[0].status, SiteStatus::kUnchanged);
}

TEST_F(UpdateRun, AGoneSiteIsLeftOutUntilItAnswersAgain) {
    m_server.Route("/gone", Status(410));
    const Text url = m_server.Url("/gone");
    auto results = Update({url});
    EXPECT_EQ(results[0].status, SiteStatus::kGone);
    EXPECT_EQ(results[0].message, test::Sjis("サイトは終了しました"));
    EXPECT_TRUE(m_store.Feed(url).gone);
    EXPECT_EQ(Update({url})[0].status, SiteStatus::kGone);
    EXPECT_EQ(m_server.Requests().size(), 1u);

    // Chosen by hand, the site answered with its feed once more.
    m_server.Route("/gone", Feed({"back"}));
    EXPECT_GT(m_store.RecordSuccess(url, {}, {"back"}, 1), 0);
    EXPECT_FALSE(m_store.Feed(url).gone);
    EXPECT_EQ(Update({url})[0].status, SiteStatus::kUnchanged);
    EXPECT_EQ(m_server.Requests().size(), 2u);
}

TEST_F(UpdateRun, ARefusalFromAWallAgainstBotsSaysSo) {
    m_server.Route("/challenge", WithHeaders(Status(403), {{"cf-mitigated", "challenge"}}));
    Response page = Ok("<!DOCTYPE html><html><title>Just a moment...</title></html>", "text/html");
    page.status = 503;
    m_server.Route("/page", page);
    m_server.Route("/forbidden", Status(403));
    const auto results =
        Update({m_server.Url("/challenge"), m_server.Url("/page"), m_server.Url("/forbidden")});
    const Text wall = test::Sjis("サイトがアクセスを拒否しました (ボット対策の可能性があります)");
    EXPECT_EQ(results[0].message, wall);
    EXPECT_EQ(results[1].message, wall);
    EXPECT_EQ(results[2].message, test::Sjis("サーバーがエラー 403 を返しました"));
    for (const auto& result : results) EXPECT_EQ(result.status, SiteStatus::kFailed);
}

}  // namespace
}  // namespace varlo

namespace varlo {
namespace {

// Bodies read while the store writes are recorded together, a bounded number of articles to a
// transaction: however they are grouped, each site gets its own count and every article is kept.
TEST_F(UpdateRun, ManySitesRecordedInGroupsEachKeepTheirOwnArticlesAndCounts) {
    constexpr int kSites = 24;
    constexpr int kArticles = 150;  // more in all than one transaction takes
    std::vector<Text> urls;
    for (int site = 0; site < kSites; ++site) {
        std::vector<std::string> guids;
        for (int i = 0; i < kArticles + site; ++i) {
            guids.push_back("s" + std::to_string(site) + "a" + std::to_string(i));
        }
        const std::string path = "/feed" + std::to_string(site);
        m_server.Route(path, Feed(guids));
        urls.push_back(m_server.Url(path));
    }
    const auto results = Update(urls);
    ASSERT_EQ(results.size(), urls.size());
    CLibrary library(m_store);
    int64_t total = 0;
    for (int site = 0; site < kSites; ++site) {
        EXPECT_EQ(results[site].status, SiteStatus::kNew) << site;
        EXPECT_EQ(results[site].newArticles, kArticles + site) << site;
        EXPECT_EQ(library.Count(LibraryView::Site(urls[site])), kArticles + site) << site;
        total += kArticles + site;
    }
    EXPECT_EQ(library.Count(LibraryView::Unread()), total);
    EXPECT_EQ(library.Search("s23a0").size(), 1u);
    EXPECT_TRUE(library.CheckSearchIndex());
    // A second update finds nothing new in any of them.
    for (const SiteResult& result : Update(urls)) EXPECT_EQ(result.newArticles, 0);
}

}  // namespace
}  // namespace varlo
