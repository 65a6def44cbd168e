#include "fetch/find_feed.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/loopback_server.h"
#include "support/test_support.h"
#include "support/transcode.h"

namespace varlo {
namespace {

using test::Sjis;

// Serves one page at /blog/ and discovers the feed from it.
class FeedDiscovery : public ::testing::Test {
  protected:
    // Loopback must never go through a proxy of the machine.
    void SetUp() override { setenv("no_proxy", "*", 1); }

    std::unique_ptr<COpmlItem> Discover(const std::string& html,
                                        const std::string& target = "/blog/") {
        m_server.Route(target, test::Ok(html, "text/html"));
        m_page = m_server.Url(target);
        return FindFeed(m_page, m_dir.Path().string());
    }

    test::LoopbackServer m_server;
    test::TempDir m_dir;
    test::MessageCapture m_messages;
    std::string m_page;
};

TEST_F(FeedDiscovery, PrefersTheAtomLinkAndResolvesItAgainstThePageFolder) {
    const auto item = Discover(
        "<html><head><title>Blog</title>\n"
        "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"index.rdf\">\n"
        "<link rel=\"alternate\" type=\"application/atom+xml\" href=\"atom.xml\">\n"
        "</head><body></body></html>\n");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/blog/atom.xml"));
    EXPECT_EQ(item->m_strHtmlUrl, m_page);
    EXPECT_EQ(item->m_strTitle, "Blog");
    EXPECT_EQ(item->m_strType, "rss");
    EXPECT_EQ(item->m_strCategory, "");
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("down.html")));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(FeedDiscovery, MatchesNamesAndValuesInAnyCase) {
    const auto item = Discover(
        "<HTML><LINK REL=\"Alternate\" TYPE=\"APPLICATION/RSS+XML\" HREF=\"/rss\"></HTML>");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/rss"));
}

TEST_F(FeedDiscovery, IgnoresLinksInsideClosedCommentsOnly) {
    auto item = Discover(
        "<!-- <link rel=\"alternate\" type=\"application/rss+xml\" href=\"old.xml\"> -->"
        "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"new.xml\">");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/blog/new.xml"));
    item = Discover(
        "<!-- never closed"
        "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"hidden.xml\">");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/blog/hidden.xml"));
}

TEST_F(FeedDiscovery, TakesTheFirstLinkOfAKindNotTheCommentsFeedAfterIt) {
    // A WordPress page: the site's feed, then its comments feed. The last one used to win.
    auto item = Discover(
        "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"Blog &raquo; Feed\" "
        "href=\"feed/\">"
        "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"Blog &raquo; Comments "
        "Feed\" href=\"comments/feed/\">");
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/blog/feed/"));
    // Atom still beats RSS, and among Atom links the first counts too.
    item = Discover(
        "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"rss.xml\">"
        "<link rel=\"alternate\" type=\"application/atom+xml\" href=\"atom.xml\">"
        "<link rel=\"alternate\" type=\"application/atom+xml\" href=\"comments.atom\">");
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/blog/atom.xml"));
}

TEST_F(FeedDiscovery, KeepsAnAbsoluteFeedAddressAsWritten) {
    const auto item = Discover(
        "<link rel=\"alternate\" type=\"application/atom+xml\" "
        "href=\"https://feeds.example.com/a/../Atom?x=1\">");
    EXPECT_EQ(item->m_strXmlUrl, "https://feeds.example.com/a/../Atom?x=1");
}

TEST_F(FeedDiscovery, TakesTheTitleAndFeedAddressAsTheUserSeesThem) {
    const auto item = Discover(
        "<title>\n  Tom &amp;amp; Jerry&#039;s &lt;b&gt;blog&lt;/b&gt;\n</title><link "
        "rel=alternate "
        "type=application/rss+xml href=\"/feed?a=1&amp;b=2\">");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_strTitle, "Tom &amp; Jerry's blog");
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/feed?a=1&b=2"));
}

TEST_F(FeedDiscovery, TakesTheTitleOnlyWhenItsEndTagIsSpelledLikeItsStart) {
    auto item = Discover("<TITLE>Mixed</title><p>no links</p>");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_strTitle, "");
    item = Discover("<p>no title</p>");
    EXPECT_EQ(item->m_strTitle, m_page);
    EXPECT_EQ(item->m_strXmlUrl, "");
    EXPECT_EQ(item->m_strType, "rss");
}

TEST_F(FeedDiscovery, ReadsEmptyTagsQuotedAndUnquotedValues) {
    auto item = Discover("<link rel='alternate' type='application/rss+xml' href='a.xml' />");
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/blog/a.xml"));
    item = Discover("<link rel=alternate type=application/rss+xml href=b.xml title=B>");
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/blog/b.xml"));
}

TEST_F(FeedDiscovery, DoesNotTakeAnAlternateStylesheet) {
    const auto item =
        Discover("<link rel=\"alternate stylesheet\" type=\"application/rss+xml\" href=\"x.xml\">");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_strXmlUrl, "");
}

TEST_F(FeedDiscovery, ReadsTheTitleOfAPageInEachJapaneseEncoding) {
    const char* page =
        "<html><head><title>日本語のブログ</title>"
        "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"../フィード.rdf\">"
        "</head></html>\n";
    for (const char* encoding : {"UTF-8", "EUC-JP", "ISO-2022-JP", "SHIFT_JIS"}) {
        const auto item = Discover(test::Transcode(page, "UTF-8", encoding));
        ASSERT_NE(item, nullptr) << encoding;
        EXPECT_EQ(item->m_strTitle, Sjis("日本語のブログ")) << encoding;
        // The link's characters are sent as the code page's bytes, percent-encoded.
        EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/%83t%83B%81[%83h.rdf")) << encoding;
    }
}

TEST_F(FeedDiscovery, ResolvesRelativeLinksOfEveryKind) {
    const std::string links =
        "<link rel=alternate type=application/rss+xml href=\"../up/rss.xml\">"
        "<link rel=alternate type=application/atom+xml href=\"//cdn.example.net/atom\">";
    const auto item = Discover(links, "/a/b/page.html?p=1");
    EXPECT_EQ(item->m_strXmlUrl, "http://cdn.example.net/atom");
    const auto rss =
        Discover("<link rel=alternate type=application/rss+xml href=\"/feed/\">", "/a/b/page.html");
    EXPECT_EQ(rss->m_strXmlUrl, m_server.Url("/feed/"));
}

TEST_F(FeedDiscovery, KeepsOnlyWebAddressesAndTrimsTheWhiteSpaceAroundThem) {
    for (const char* href :
         {"javascript:alert(1)", " JavaScript:alert(1)", "data:text/xml,<rss/>",
          "file:///etc/passwd", "javascript://%0Aalert(1)", "ftp://example.com/feed"}) {
        const auto item = Discover(std::string("<link rel=alternate type=application/rss+xml "
                                               "href=\"") +
                                   href + "\">");
        ASSERT_NE(item, nullptr) << href;
        EXPECT_EQ(item->m_strXmlUrl, "") << href;
    }
    // A link to anything else is as if it were not there: the next one counts.
    const auto next = Discover(
        "<link rel=alternate type=application/atom+xml href=\"javascript:alert(1)\">"
        "<link rel=alternate type=application/rss+xml href=\"data:,x\">"
        "<link rel=alternate type=application/rss+xml href=\"rss.xml\">");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->m_strXmlUrl, m_server.Url("/blog/rss.xml"));

    const auto item =
        Discover("<link rel=alternate type=application/atom+xml href=\"\n\t atom.xml \r\n\">");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_strXmlUrl, m_server.Url("/blog/atom.xml"));

    // A typed page address keeps no white space around it either.
    m_server.Route("/p", test::Ok("<link rel=alternate type=application/rss+xml href=f>"));
    const auto typed = FindFeed(" " + m_server.Url("/p") + "\t\r\n", m_dir.Path().string());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->m_strHtmlUrl, m_server.Url("/p"));
    EXPECT_EQ(typed->m_strXmlUrl, m_server.Url("/f"));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(FeedDiscovery, ReportsAPageThatCannotBeFetched) {
    m_page = m_server.Url("/missing.html");
    bool cancelled = true;
    const auto item = FindFeed(m_page, m_dir.Path().string(), false, &cancelled);
    EXPECT_EQ(item, nullptr);
    EXPECT_FALSE(cancelled) << "a failure is no cancel";
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0],
              "ダウンロードに失敗しました: サーバーがエラー 404 を返しました");
}

TEST(UrlResolution, LeavesAbsoluteAddressesAsWritten) {
    EXPECT_EQ(ResolveUrl("HTTP://Example.com/a/../b", "http://x.example/"),
              "HTTP://Example.com/a/../b");
}

TEST(UrlResolution, ResolvesEveryKindOfRelativeLinkByTheStandardRules) {
    const Text page = "http://example.com/blog/2024/index.html?page=2#top";
    struct Case {
        const char* link;
        const char* expected;
    };
    for (const Case& c : {
             Case{"atom.xml", "http://example.com/blog/2024/atom.xml"},
             Case{"./atom.xml", "http://example.com/blog/2024/atom.xml"},
             Case{"/feed", "http://example.com/feed"},
             Case{"//cdn.example.net/rss", "http://cdn.example.net/rss"},
             Case{"../rss.xml", "http://example.com/blog/rss.xml"},
             Case{"../../../../rss.xml", "http://example.com/rss.xml"},
             Case{"?feed=rss2", "http://example.com/blog/2024/index.html?feed=rss2"},
             Case{"#comments", "http://example.com/blog/2024/index.html?page=2#comments"},
             Case{"", "http://example.com/blog/2024/index.html?page=2"},
             Case{"feed dir/a.xml", "http://example.com/blog/2024/feed%20dir/a.xml"},
         }) {
        EXPECT_EQ(ResolveUrl(c.link, page), c.expected) << c.link;
    }
}

TEST(UrlResolution, JoinsToAPageAddressWithoutAPath) {
    EXPECT_EQ(ResolveUrl("atom.xml", "http://example.com"), "http://example.com/atom.xml");
    EXPECT_EQ(ResolveUrl("/atom.xml", "https://example.com"), "https://example.com/atom.xml");
}

TEST(UrlResolution, GivesTheLinkBackWhenThePageAddressCannotBeParsed) {
    EXPECT_EQ(ResolveUrl("atom.xml", "not an address"), "atom.xml");
    EXPECT_EQ(ResolveUrl("atom.xml", ""), "atom.xml");
}

TEST_F(FeedDiscovery, AnAddressThatAsksForCredentialsIsTakenAsTheFeedWhenTheCallerCanAskForThem) {
    test::Response refused;
    refused.status = 401;
    refused.headers = {{"WWW-Authenticate", "Basic realm=\"r\""}};
    m_server.Route("/private.xml", refused);
    const Text address = m_server.Url("/private.xml");
    bool unauthorized = false;
    test::MessageCapture messages;
    const auto item = FindFeed(address, m_dir.Path().string(), false, nullptr, &unauthorized);
    ASSERT_TRUE(item);
    EXPECT_TRUE(unauthorized);
    EXPECT_EQ(item->m_strXmlUrl, address);
    EXPECT_TRUE(messages.Messages().empty());
    // A caller that cannot ask keeps the failure.
    EXPECT_FALSE(FindFeed(address, m_dir.Path().string(), false));
    EXPECT_EQ(messages.Messages().size(), 1u);
}

}  // namespace
}  // namespace varlo
