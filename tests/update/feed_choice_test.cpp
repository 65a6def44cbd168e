#include "update/feed_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "store/store_paths.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "update/feed_reading.h"
#include "update/feed_request.h"
#include "update/library_articles.h"

namespace varlo {
namespace {

std::string Rss(const std::vector<std::string>& guids) {
    std::string xml = "<rss version='2.0'><channel><title>t</title>";
    for (const auto& g : guids)
        xml += "<item><title>" + g + "</title><guid>" + g + "</guid></item>";
    return xml + "</channel></rss>";
}

constexpr int64_t kNow = 1800000000;

test::Response WithStatus(int status, std::vector<std::pair<std::string, std::string>> headers = {},
                          std::string body = "no") {
    test::Response r;
    r.status = status;
    r.headers = std::move(headers);
    r.body = std::move(body);
    return r;
}

class FeedChoice : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("no_proxy", "*", 1);
        ASSERT_TRUE(MakePrivateFolder(m_dir.File("cache")));
        ASSERT_TRUE(m_store.Open(m_dir.File("varlo.db")));
    }
    void Serve(const std::vector<std::string>& guids, const std::string& etag) {
        test::Response response = test::Ok(Rss(guids));
        response.etag = etag;
        m_server.Route("/feed", response);
    }
    // Chooses the site as the site list does: the feed read, the chosen feed recorded; an empty
    // feed when the download failed or was no feed.
    ChosenFeed Choose() {
        CHttpDownload download(Url());
        download.KeepFailureUnshown();
        PrepareFeedDownload(download, m_store, m_cache, Url());
        const std::string path = download.Download(m_dir.Path().string(), false, "down.xml");
        m_feed = EmptyFeed();
        m_failure = {};
        if (path.empty()) {
            m_failure = ReadChosenFailure(download, Url(), kNow);
            RecordChosenFeedFailure(m_store, Url(), m_failure, kNow);
            return {};
        }
        const FeedReading reading = ReadFeedBody(path, Url());
        if (!reading.isFeed) return {};
        m_feed = reading.feed;
        const ChosenAnswer answer{download.ResponseETag(), download.ResponseLastModified(),
                                  download.NotModified()};
        return RecordChosenLibrary(answer, m_store, m_cache, Url(), path,
                                   LibraryArticlesOf(*m_feed));
    }
    // The keys of the feed chosen last.
    std::vector<Text> Keys() const {
        std::vector<Text> keys;
        for (int i = 0; i < m_feed->GetSize(); ++i) keys.push_back(m_feed->GetAt(i)->m_strKey);
        return keys;
    }
    bool WasUnseen(const ChosenFeed& chosen, int index) const {
        const CRssItem* article = m_feed->GetAt(index);
        return article != nullptr && chosen.WasUnseen(*article);
    }
    Text Url() const { return m_server.Url("/feed"); }

    test::TempDir m_dir;
    test::LoopbackServer m_server;
    CFeedStore m_store;
    CFeedCache m_cache{m_dir.File("cache")};
    std::shared_ptr<const CRssFile> m_feed = EmptyFeed();
    ChosenFailure m_failure;  // of the last choice
};

TEST_F(FeedChoice, ChoosingShowsWhatWasUnseenThenMarksTheFeedSeenAndANotModifiedFeedReadsTheSame) {
    Serve({"a", "b"}, "\"1\"");
    ChosenFeed first = Choose();
    EXPECT_EQ(Keys(), (std::vector<Text>{"a", "b"}));
    EXPECT_TRUE(WasUnseen(first, 0) && WasUnseen(first, 1));
    EXPECT_EQ(first.newArticles, 2);
    EXPECT_EQ(m_store.UnseenCount(Url()), 0);

    ChosenFeed again = Choose();
    EXPECT_EQ(m_server.Requests().back().Header("If-None-Match"), "\"1\"");
    EXPECT_EQ(Keys(), (std::vector<Text>{"a", "b"}));
    EXPECT_FALSE(WasUnseen(again, 0));
    EXPECT_EQ(test::ReadFile(m_dir.File("down.xml")), Rss({"a", "b"}));

    Serve({"c", "a", "b"}, "\"2\"");
    ChosenFeed changed = Choose();
    EXPECT_EQ(changed.newArticles, 1);
    EXPECT_TRUE(WasUnseen(changed, 0));
    EXPECT_FALSE(WasUnseen(changed, 1));
    EXPECT_EQ(m_store.Feed(Url()).validators.etag, "\"2\"");
}

TEST_F(FeedChoice, TheMarksShownBeforeRecordingAreTheMarksTheRecordingLeaves) {
    // Read before the recording (so the list can be shown first), the unseen keys must be what
    // the recording itself finds: unread ones and new ones, never those already read.
    Serve({"a"}, "\"1\"");
    Choose();
    Serve({"b", "a"}, "\"2\"");
    CHttpDownload download(Url());
    const std::string path = download.Download(m_dir.Path().string(), false, "down.xml");
    const FeedReading recorded = ReadFeedBody(path, Url());
    RecordChosenLibrary({}, m_store, m_cache, Url(), path, LibraryArticlesOf(*recorded.feed),
                        false);  // "b" stays unread
    Serve({"c", "a", "b"}, "\"3\"");
    CHttpDownload nextDownload(Url());
    const std::string next = nextDownload.Download(m_dir.Path().string(), false, "next.xml");
    const std::set<uint64_t> before =
        UnseenBeforeRecording(m_store, Url(), *ReadFeedBody(next, Url()).feed);
    const ChosenFeed chosen = Choose();
    EXPECT_EQ(before, chosen.unseen);
    EXPECT_EQ(before.count(HashArticleKey("c")), 1u);
    EXPECT_EQ(before.count(HashArticleKey("a")), 0u);
    EXPECT_EQ(before.count(HashArticleKey("b")), 1u);
}

TEST_F(FeedChoice, AFailedChoiceIsRecordedAndANonFeedRecordsNothing) {
    test::MessageCapture messages;
    EXPECT_TRUE(Choose().unseen.empty());
    EXPECT_EQ(m_store.Feed(Url()).failureMessage, test::Sjis("サーバーがエラー 404 を返しました"));
    EXPECT_TRUE(messages.Messages().empty()) << "the caller says it, once";
    m_server.Route("/feed", test::Ok("<html><body>moved</body></html>", "text/html"));
    EXPECT_TRUE(Choose().unseen.empty());
    EXPECT_FALSE(m_store.Feed(Url()).downloaded);
    EXPECT_FALSE(m_cache.HasBody(Url()));
}

TEST_F(FeedChoice, AFailureKeepsItsReasonAndRecordsWhatTheUpdateOfEverySiteRecords) {
    test::MessageCapture messages;
    // A refusal in the words of the failures list, the wall against bots told apart. (The window
    // tests go through every status.)
    const std::vector<std::pair<test::Response, std::string>> refusals = {
        {WithStatus(500), "サーバーがエラー 500 を返しました"},
        {WithStatus(403, {{"cf-mitigated", "challenge"}}),
         "サイトがアクセスを拒否しました (ボット対策の可能性があります)"},
    };
    for (const auto& [response, reason] : refusals) {
        m_server.Route("/feed", response);
        Choose();
        EXPECT_EQ(m_failure.Message(), test::Sjis("ダウンロードに失敗しました: " + reason));
        EXPECT_EQ(m_store.Feed(Url()).failureMessage, test::Sjis(reason));
    }
    EXPECT_EQ(m_store.HostWait(WaitKey(Url()), kNow), 0) << "no wait was asked for";

    // A wait asked for holds every site of the server, as after the update of every site.
    m_server.Route("/feed", WithStatus(429, {{"Retry-After", "600"}}));
    Choose();
    EXPECT_EQ(m_failure.kind, Refusal::Kind::kWaiting);
    EXPECT_EQ(m_failure.reason, WaitingMessage(kNow + 600));
    EXPECT_EQ(m_store.HostWait(WaitKey(Url()), kNow), kNow + 600);
    EXPECT_EQ(m_store.Feed(Url()).failureMessage, WaitingMessage(kNow + 600));
    m_server.Route("/feed", WithStatus(503, {{"Retry-After", "1200"}}));
    Choose();
    EXPECT_EQ(m_store.HostWait(WaitKey(Url()), kNow), kNow + 1200);

    // Gone for good: the next update leaves it alone.
    m_server.Route("/feed", WithStatus(410));
    Choose();
    EXPECT_EQ(m_failure.Message(), test::Sjis("ダウンロードに失敗しました: サイトは終了しました"));
    EXPECT_TRUE(m_store.Feed(Url()).gone);

    EXPECT_TRUE(messages.Messages().empty()) << "nothing was shown on the way";
}

TEST_F(FeedChoice, AChosenFeedPastTheFeedCapFailsWithItsOwnMessageAndKeepsNothing) {
    test::Response bomb;
    bomb.generatedSize = 40 << 20;
    bomb.encoding = "gzip";
    m_server.Route("/feed", bomb);
    test::MessageCapture messages;
    EXPECT_TRUE(Choose().unseen.empty());
    EXPECT_EQ(m_failure.reason, test::Sjis("フィードが大きすぎます (32 MB を超えています)"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("down.xml")));
    EXPECT_FALSE(m_cache.HasBody(Url()));
}

}  // namespace
}  // namespace varlo
