#include "update/feed_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "store/store_paths.h"
#include "support/loopback_server.h"
#include "support/test_support.h"
#include "update/feed_reading.h"
#include "update/library_articles.h"

namespace varlo {
namespace {

std::string Rss(const std::vector<std::string>& guids) {
    std::string xml = "<rss version='2.0'><channel><title>t</title>";
    for (const auto& g : guids)
        xml += "<item><title>" + g + "</title><guid>" + g + "</guid></item>";
    return xml + "</channel></rss>";
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
        PrepareFeedDownload(download, m_store, m_cache, Url());
        const std::string path = download.Download(m_dir.Path().string(), false, "down.xml");
        m_feed = EmptyFeed();
        if (path.empty()) {
            RecordChosenFeedFailure(m_store, Url());
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
    EXPECT_EQ(m_store.Feed(Url()).failureMessage, test::Sjis("ダウンロードに失敗しました"));
    m_server.Route("/feed", test::Ok("<html><body>moved</body></html>", "text/html"));
    EXPECT_TRUE(Choose().unseen.empty());
    EXPECT_FALSE(m_store.Feed(Url()).downloaded);
    EXPECT_FALSE(m_cache.HasBody(Url()));
}

TEST_F(FeedChoice, AChosenFeedPastTheFeedCapFailsWithItsOwnMessageAndKeepsNothing) {
    test::Response bomb;
    bomb.generatedSize = 40 << 20;
    bomb.encoding = "gzip";
    m_server.Route("/feed", bomb);
    test::MessageCapture messages;
    EXPECT_TRUE(Choose().unseen.empty());
    ASSERT_FALSE(messages.Messages().empty());
    EXPECT_EQ(messages.Messages().front(), "フィードが大きすぎます (32 MB を超えています)");
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("down.xml")));
    EXPECT_FALSE(m_cache.HasBody(Url()));
}

}  // namespace
}  // namespace varlo
