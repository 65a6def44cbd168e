// Whole articles fetched for every new article of the sites that ask for them: after an update,
// a few pages at a time per host, never into the user's own network unless the feed is there.
#include "update/whole_articles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "encoding/codepage.h"
#include "store/feed_cache.h"
#include "store/site_settings.h"
#include "store/store_paths.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "update/update_run.h"

namespace varlo {
namespace {

using test::LoopbackServer;
using test::Ok;
using test::Request;
using test::Response;

std::string Page(const std::string& word) {
    return "<html><head><title>" + word +
           "</title></head><body><nav><a href='/'>top</a></nav>"
           "<article><h1>" +
           word +
           "</h1>"
           "<p>市は火曜日、川に架かる古い吊り橋の点検を始めた。" +
           word +
           "の錆が見つかり、通行は当面、歩行者に限られる。</p>"
           "<p>点検は来月まで続き、結果は市のホームページで公表される予定だ。</p>"
           "<p>住民からは、早く補修してほしいという声が上がっている。</p></article></body></html>";
}

class WholeArticles : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("no_proxy", "*", 1);
        ASSERT_TRUE(MakePrivateFolder(m_dir.File("feeds")));
        ASSERT_TRUE(m_store.Open(m_dir.File("varlo.db")));
    }
    // A feed at `path` whose articles link to `pages` of the same server.
    void ServeFeed(const std::string& path, const std::vector<std::string>& pages) {
        std::string xml =
            "<?xml version='1.0' encoding='UTF-8'?><rss version='2.0'><channel>"
            "<title>t</title>";
        for (const std::string& page : pages) {
            xml += "<item><title>" + page + "</title><guid>" + page + "</guid><link>" +
                   m_server.Url(page) + "</link><description>line</description></item>";
        }
        m_server.Route(path, Ok(xml + "</channel></rss>"));
    }
    void Update(const std::vector<Text>& urls) {
        const CFeedCache cache(m_dir.File("feeds"));
        CUpdateRun run(m_store, cache, urls, {});
        while (run.Step(200)) {
        }
    }
    size_t RequestsFor(const std::string& target) {
        size_t count = 0;
        for (const Request& request : m_server.Requests()) count += request.target == target;
        return count;
    }

    test::TempDir m_dir;
    LoopbackServer m_server;
    CFeedStore m_store;
};

TEST_F(WholeArticles, OnlyTheNewArticlesOfTheSitesThatAskAreFetchedAtMostTwoPagesAtATimePerHost) {
    ServeFeed("/whole.xml", {"/old.html"});
    ServeFeed("/plain.xml", {"/plain.html"});
    const Text whole = m_server.Url("/whole.xml");
    const Text plain = m_server.Url("/plain.xml");
    Update({whole, plain});
    SiteSettings settings;
    settings.fullText = true;
    ASSERT_TRUE(SaveSiteSettings(m_store, whole, settings));

    // Each page is held until another is asked for at the same time (or none is left to ask
    // for): a fetch that broke the limit would show more at once.
    std::mutex mutex;
    std::condition_variable changed;
    int inFlight = 0, mostAtOnce = 0, answered = 0;
    const std::vector<std::string> pages = {"/a.html", "/b.html", "/c.html", "/d.html", "/e.html"};
    m_server.SetHandler([&](const Request& request) -> std::optional<Response> {
        if (!request.target.ends_with(".html")) return std::nullopt;
        std::unique_lock lock(mutex);
        mostAtOnce = std::max(mostAtOnce, ++inFlight);
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(10), [&] {
            return inFlight >= 2 || answered + inFlight >= static_cast<int>(pages.size());
        });
        --inFlight;
        ++answered;
        changed.notify_all();
        static const std::map<std::string, std::string> rivers = {{"/a.html", "鴨川"},
                                                                  {"/b.html", "桂川"},
                                                                  {"/c.html", "宇治川"},
                                                                  {"/d.html", "木津川"},
                                                                  {"/e.html", "淀川"}};
        return Ok(Page(rivers.at(request.target)), "text/html; charset=utf-8");
    });
    std::vector<std::string> feedPages = pages;
    feedPages.push_back("/old.html");
    ServeFeed("/whole.xml", feedPages);
    ServeFeed("/plain.xml", {"/plain.html", "/plain2.html"});
    CLibrary library(m_store);
    const int64_t mark = library.LastArticleId();
    Update({whole, plain});

    std::unique_ptr<CWholeArticles> fetch = WholeArticlesAfter(m_store, mark);
    ASSERT_NE(fetch, nullptr);
    EXPECT_EQ(fetch->Total(), pages.size());
    EXPECT_EQ(KeepWholeArticles(m_store, fetch->Run()), 5);
    EXPECT_EQ(mostAtOnce, 2);
    EXPECT_EQ(fetch->Finished(), pages.size());
    EXPECT_EQ(RequestsFor("/old.html") + RequestsFor("/plain2.html"), 0u);
    // The search finds what only the whole article says; the feed's text stays as it was.
    const std::vector<int64_t> hits = library.Search("宇治川");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(library.Article(hits[0])->html, "line");
    EXPECT_NE(library.FullText(hits[0])->find("宇治川の錆"), std::string::npos);
    // Nothing is fetched twice.
    EXPECT_EQ(WholeArticlesAfter(m_store, mark), nullptr);
}

TEST_F(WholeArticles, AFetchNobodyClickedReachesThisMachineOnlyForAFeedServedFromIt) {
    m_server.Route("/page.html", Ok(Page("橋"), "text/html; charset=utf-8"));
    const std::string link = m_server.Url("/page.html");
    // A feed of the public internet whose article links here: refused before connecting.
    CWholeArticles outside({{1, link, "https://example.com/feed.xml"}}, nullptr);
    EXPECT_TRUE(outside.Run().empty());
    EXPECT_EQ(outside.Finished(), 1u);
    EXPECT_EQ(RequestsFor("/page.html"), 0u);
    const WholeArticleFetch refused = [&] {
        SiteRequest request;
        request.publicOnly = true;
        return FetchWholeArticle(link, request, nullptr);
    }();
    EXPECT_EQ(refused.failure, Jp("ページはこのコンピューターかその内側のネットワークにあります"));

    // The feed is served from this machine: its pages may be too.
    CWholeArticles inside({{1, link, m_server.Url("/feed.xml")}}, nullptr);
    const auto found = inside.Run();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].second.find("橋の錆"), std::string::npos);

    // Cancelled before it starts: nothing is asked for.
    const size_t before = m_server.Requests().size();
    CWholeArticles cancelled({{1, link, m_server.Url("/feed.xml")}}, nullptr);
    cancelled.Cancel();
    EXPECT_TRUE(cancelled.Run().empty());
    EXPECT_EQ(m_server.Requests().size(), before);
}

TEST_F(WholeArticles, ThroughAProxyEachRequestsHostIsLookedUpBeforeItIsSent) {
    // The loopback server stands in for the proxy: it is asked for whole addresses. The proxy is
    // on this machine, as proxies often are; the pages it is asked for must not be.
    const std::string inside = m_server.Url("/page.html");
    m_server.Route(inside, Ok(Page("橋"), "text/html; charset=utf-8"));
    m_server.Route("http://192.0.2.1/page.html", Ok(Page("道"), "text/html; charset=utf-8"));
    m_server.Route("http://192.0.2.1/away.html", test::Redirect(302, inside));
    m_server.Route("http://localhost/page.html", Ok(Page("港"), "text/html; charset=utf-8"));
    unsetenv("no_proxy");
    setenv("http_proxy", m_server.Url("").c_str(), 1);
    auto fetch = [](const std::string& link) {
        SiteRequest request;
        request.publicOnly = true;
        return FetchWholeArticle(link, request, nullptr);
    };
    const WholeArticleFetch direct = fetch(inside);
    const WholeArticleFetch named = fetch("http://localhost/page.html");
    const WholeArticleFetch redirected = fetch("http://192.0.2.1/away.html");
    const WholeArticleFetch outside = fetch("http://192.0.2.1/page.html");
    unsetenv("http_proxy");
    setenv("no_proxy", "*", 1);

    const Text refusal = Jp("ページはこのコンピューターかその内側のネットワークにあります");
    EXPECT_EQ(direct.failure, refusal);
    EXPECT_EQ(named.failure, refusal);
    EXPECT_EQ(redirected.failure, refusal) << "the redirection is not followed";
    EXPECT_EQ(RequestsFor(inside), 0u);
    EXPECT_EQ(RequestsFor("http://localhost/page.html"), 0u);
    EXPECT_EQ(RequestsFor("http://192.0.2.1/away.html"), 1u);
    // A page of the public internet comes through the proxy as before.
    EXPECT_EQ(outside.failure, Text());
    EXPECT_NE(outside.article.text.find("道の錆"), std::string::npos);
}

}  // namespace
}  // namespace varlo
