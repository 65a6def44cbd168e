// Downloads that ask for compression and, for feeds, only for what changed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "fetch/http_download.h"
#include "support/loopback_server.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::LoopbackServer;
using test::MessageCapture;
using test::ReadFile;
using test::Response;

class PoliteDownload : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("no_proxy", "*", 1);
        test::WriteFile(m_dir.File("cached.xml"), "<rss>cached</rss>");
    }
    void TearDown() override { CHttpDownload::SetLimits(DownloadLimits{}); }
    std::string Folder() const { return m_dir.File("out"); }
    std::vector<std::string> FilesInFolder() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(Folder())) {
            names.push_back(e.path().filename().string());
        }
        return names;
    }

    test::TempDir m_dir;
    LoopbackServer m_server;
    MessageCapture m_messages;
};

TEST_F(PoliteDownload, ANotModifiedAnswerGivesTheCachedBodyAndAChangedFeedItsNewOne) {
    std::filesystem::create_directory(Folder());
    Response feed = test::Ok("<rss>new</rss>");
    feed.etag = "\"v2\"";
    feed.lastModified = "Tue, 01 Oct 2024 10:00:00 GMT";
    m_server.Route("/feed", feed);

    CHttpDownload changed(m_server.Url("/feed"));
    changed.SetConditional("\"v1\"", "", m_dir.File("cached.xml"));
    const std::string path = changed.Download(Folder(), false, "down.xml");
    EXPECT_EQ(ReadFile(path), "<rss>new</rss>");
    EXPECT_FALSE(changed.NotModified());
    EXPECT_EQ(changed.ResponseETag(), "\"v2\"");
    EXPECT_EQ(changed.ResponseLastModified(), "Tue, 01 Oct 2024 10:00:00 GMT");
    EXPECT_EQ(m_server.Requests()[0].Header("If-None-Match"), "\"v1\"");
    EXPECT_EQ(m_server.Requests()[0].Count("If-Modified-Since"), 0u);

    CHttpDownload same(m_server.Url("/feed"));
    same.SetConditional("\"v2\"", "Tue, 01 Oct 2024 10:00:00 GMT", m_dir.File("cached.xml"));
    EXPECT_EQ(ReadFile(same.Download(Folder(), false, "down.xml")), "<rss>cached</rss>");
    EXPECT_TRUE(same.NotModified());
    EXPECT_EQ(same.ResponseETag(), "\"v2\"");
    EXPECT_EQ(m_server.Requests()[1].Header("If-Modified-Since"), "Tue, 01 Oct 2024 10:00:00 GMT");
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"down.xml"});
}

TEST_F(PoliteDownload, WithoutACachedBodyNothingIsConditionalAndA304IsTheDesignedSilentFailure) {
    std::filesystem::create_directory(Folder());
    Response notModified;
    notModified.status = 304;
    notModified.contentLength = false;
    m_server.Route("/304", notModified);
    CHttpDownload download(m_server.Url("/304"));
    download.SetConditional("\"v1\"", "", "");
    EXPECT_EQ(download.Download(Folder(), false, "down.xml"), "");
    EXPECT_EQ(m_server.Requests()[0].Count("If-None-Match"), 0u);
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_TRUE(FilesInFolder().empty());
}

TEST_F(PoliteDownload, CompressedBodiesAreDecodedAndTheCapCountsTheDecodedSize) {
    std::filesystem::create_directory(Folder());
    const std::string text = "<rss>" + std::string(5000, 'x') + "</rss>";
    for (const char* encoding : {"gzip", "deflate"}) {
        Response response = test::Ok(text);
        response.encoding = encoding;
        m_server.Route(std::string("/") + encoding, response);
        CHttpDownload download(m_server.Url(std::string("/") + encoding));
        EXPECT_EQ(ReadFile(download.Download(Folder(), false, "down.xml")), text) << encoding;
    }
    EXPECT_NE(m_server.Requests()[0].Header("Accept-Encoding").find("deflate"), std::string::npos);

    Response wrong = test::Ok("<rss>plain</rss>");
    wrong.headers.emplace_back("Content-Encoding", "gzip");
    m_server.Route("/wrong", wrong);
    Response bomb;
    bomb.generatedSize = 4 << 20;
    bomb.encoding = "gzip";
    m_server.Route("/bomb", bomb);
    DownloadLimits limits;
    limits.maxBytes = 1 << 20;
    CHttpDownload::SetLimits(limits);
    EXPECT_EQ(CHttpDownload(m_server.Url("/wrong")).Download(Folder(), false, "w.xml"), "");
    EXPECT_EQ(CHttpDownload(m_server.Url("/bomb")).Download(Folder(), false, "b.xml"), "");
    EXPECT_EQ(m_messages.Messages(),
              (std::vector<std::string>{"サーバーが送った圧縮データを展開できませんでした",
                                        "ファイルが大きすぎます（上限 1MB）"}));
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"down.xml"});
}

TEST_F(PoliteDownload, RequestsGoThroughTheProxyNamedInTheEnvironment) {
    std::filesystem::create_directory(Folder());
    // The loopback server stands in for the proxy: it is asked for the whole address.
    m_server.Route("http://feeds.invalid/rss.xml", test::Ok("<rss>via proxy</rss>"));
    unsetenv("no_proxy");
    setenv("http_proxy", m_server.Url("").c_str(), 1);
    const std::string path =
        CHttpDownload("http://feeds.invalid/rss.xml").Download(Folder(), false, "down.xml");
    unsetenv("http_proxy");
    setenv("no_proxy", "*", 1);
    EXPECT_EQ(ReadFile(path), "<rss>via proxy</rss>");
}

}  // namespace
}  // namespace varlo
