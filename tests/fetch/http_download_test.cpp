#include "fetch/http_download.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "encoding/codepage.h"
#include "fetch/download_progress.h"
#include "fetch/relayed_progress.h"
#include "platform/message_pump.h"
#include "support/loopback_server.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::LoopbackServer;
using test::MessageCapture;
using test::Response;

std::string Body(size_t size) {
    std::string body;
    for (size_t i = 0; i < size; ++i) body += static_cast<char>('A' + i % 23);
    return body;
}

// What a progress object went through, kept beyond the object's life.
struct ProgressLog {
    std::vector<std::string> events;
    std::vector<std::string> counters;  // counter text (UTF-8) at each update shown in the window
    CDownloadProgress* current = nullptr;
};

class RecordingProgress : public CDownloadProgress {
  public:
    explicit RecordingProgress(std::shared_ptr<ProgressLog> log) : m_log(std::move(log)) {
        m_log->current = this;
    }
    ~RecordingProgress() override { m_log->current = nullptr; }

  protected:
    void OpenWindow() override {
        m_log->events.push_back("open " + Cp932ToUtf8(MessageText()) + "|" +
                                Cp932ToUtf8(FileText()));
    }
    void CloseWindow() override { m_log->events.push_back("close"); }
    void ShowFields() override { m_log->counters.push_back(Cp932ToUtf8(CounterText())); }

  private:
    std::shared_ptr<ProgressLog> m_log;
};

class HttpDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Loopback must never go through a proxy of the machine.
        setenv("no_proxy", "*", 1);
        setenv("NO_PROXY", "*", 1);
        m_previousFactory = SetDownloadProgressFactory(
            [log = m_log] { return std::make_unique<RecordingProgress>(log); });
    }
    void TearDown() override {
        // Suites that test proxies rely on the lower-case variable alone.
        unsetenv("NO_PROXY");
        SetDownloadProgressFactory(m_previousFactory);
        CHttpDownload::SetLimits(DownloadLimits{});
    }

    std::string Fetch(const std::string& target, const char* name = "down.xml",
                      bool progress = false) {
        CHttpDownload download(m_server.Url(target));
        std::string path = download.Download(m_dir.Path().string(), progress, name);
        m_announced = download.AnnouncedLength();
        m_received = download.Received();
        return path;
    }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(m_dir.Path() / name);
    }
    // Names in the download folder, sorted.
    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    LoopbackServer m_server;
    test::TempDir m_dir;
    MessageCapture m_messages;
    std::shared_ptr<ProgressLog> m_log = std::make_shared<ProgressLog>();
    DownloadProgressFactory m_previousFactory;
    uint32_t m_announced = 0;
    uint32_t m_received = 0;
};

TEST_F(HttpDownloadTest, WritesTheBodyWithContentLengthAndReturnsThePath) {
    m_server.Route("/feed.xml", test::Ok("<rss>hello</rss>"));
    std::string path = Fetch("/feed.xml");
    EXPECT_EQ(path, m_dir.File("down.xml"));
    EXPECT_EQ(test::ReadFile(path), "<rss>hello</rss>");
    EXPECT_EQ(m_announced, 16u);
    EXPECT_EQ(m_received, 16u);
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(HttpDownloadTest, WritesABodyWithoutContentLengthToTheEnd) {
    Response response = test::Ok(Body(5000));
    response.contentLength = false;
    m_server.Route("/x", response);
    std::string path = Fetch("/x");
    EXPECT_EQ(test::ReadFile(path), Body(5000));
    EXPECT_EQ(m_announced, 0u);
}

TEST_F(HttpDownloadTest, DecodesChunkedTransferEncoding) {
    Response response = test::Ok(Body(10000));
    response.chunked = true;
    response.chunkSize = 333;
    m_server.Route("/c", response);
    EXPECT_EQ(test::ReadFile(Fetch("/c")), Body(10000));
}

TEST_F(HttpDownloadTest, SendsOneWellFormedGetWithTheFixedHeaders) {
    m_server.Route("/feed?a=1&b=2", test::Ok("x"));
    ASSERT_FALSE(Fetch("/feed?a=1&b=2").empty());
    auto requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/feed?a=1&b=2");
    EXPECT_EQ(requests[0].version, "HTTP/1.0");
    EXPECT_EQ(requests[0].Count("Accept"), 1u);
    EXPECT_EQ(requests[0].Header("Accept"), "text/*");
    EXPECT_EQ(requests[0].Count("User-Agent"), 1u);
    EXPECT_EQ(requests[0].Header("User-Agent"),
              "Mozilla/4.0 (compatible; Varlo/1.1.0; +https://varlo.example.org/)");
    EXPECT_EQ(requests[0].raw.find("\r\n\r\n"), requests[0].raw.size() - 4);
}

TEST_F(HttpDownloadTest, SendsTheAddressAsPercentEncodedUtf8) {
    // A Japanese path leaves as UTF-8, never as the code page's bytes.
    m_server.Route("/a%20b/%E6%97%A5.xml", test::Ok("x"));
    CHttpDownload download(test::Sjis("  ") + m_server.Url("/a b/") + test::Sjis("日.xml\r\n"));
    EXPECT_EQ(test::ReadFile(download.Download(m_dir.Path().string(), false, "down.xml")), "x");
    ASSERT_EQ(m_server.Requests().size(), 1u);
    EXPECT_EQ(m_server.Requests()[0].target, "/a%20b/%E6%97%A5.xml");
}

TEST_F(HttpDownloadTest, StatusNotFoundGivesAnEmptyResultNoFileAndNoMessage) {
    Response response = test::Ok("<html>missing</html>");
    response.status = 404;
    m_server.Route("/gone", response);
    EXPECT_EQ(Fetch("/gone"), "");
    EXPECT_FALSE(Exists("down.xml"));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(HttpDownloadTest, AnEarlierFileIsLeftAloneWhenTheStatusIsRefused) {
    test::WriteFile(m_dir.File("down.xml"), "old");
    Response response;
    response.status = 500;
    m_server.Route("/err", response);
    EXPECT_EQ(Fetch("/err"), "");
    EXPECT_EQ(test::ReadFile(m_dir.File("down.xml")), "old");
}

TEST_F(HttpDownloadTest, FollowsPermanentAndTemporaryRedirections) {
    m_server.Route("/old", test::Redirect(301, m_server.Url("/middle")));
    m_server.Route("/middle", test::Redirect(302, "/new"));
    m_server.Route("/new", test::Ok("moved here"));
    EXPECT_EQ(test::ReadFile(Fetch("/old")), "moved here");
    EXPECT_EQ(m_server.Requests().size(), 3u);
}

TEST_F(HttpDownloadTest, RefusesARedirectionToALocalFile) {
    test::WriteFile(m_dir.File("secret.txt"), "private");
    m_server.Route("/evil", test::Redirect(302, "file://" + m_dir.File("secret.txt")));
    EXPECT_EQ(Fetch("/evil"), "");
    EXPECT_FALSE(Exists("down.xml"));
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0], "http と https 以外のアドレスには接続できません");
}

TEST_F(HttpDownloadTest, RefusesAnAddressThatIsNotHttp) {
    test::WriteFile(m_dir.File("secret.txt"), "private");
    CHttpDownload download("file://" + m_dir.File("secret.txt"));
    EXPECT_EQ(download.Download(m_dir.Path().string(), false, "down.xml"), "");
    EXPECT_FALSE(Exists("down.xml"));
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_NE(m_messages.Messages()[0].find("http または https のアドレスではありません"),
              std::string::npos);
}

TEST(ShownAddress, AVeryLongAddressIsCutShortWithoutSplittingACharacter) {
    const std::string page = "data:text/html," + std::string(1 << 20, 'a');
    EXPECT_EQ(NotWebAddressText(page),
              test::Sjis(page.substr(0, 200) + "… は http または https "
                                               "のアドレスではありません"));
    // "日" is two bytes in the system's text: the cut falls before it, not in its middle.
    const std::string japanese = std::string(199, 'a') + test::Sjis("日本");
    EXPECT_EQ(ShownAddress(japanese), std::string(199, 'a') + test::Sjis("…"));
    EXPECT_EQ(ShownAddress("http://short/"), "http://short/");
}

TEST_F(HttpDownloadTest, StopsAfterTenRedirections) {
    for (int i = 0; i < 12; ++i) {
        m_server.Route("/r" + std::to_string(i), test::Redirect(302, "/r" + std::to_string(i + 1)));
    }
    m_server.Route("/r12", test::Ok("too far"));
    EXPECT_EQ(Fetch("/r0"), "");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0], "リダイレクトの回数が多すぎます");
    EXPECT_EQ(m_server.Requests().size(), 11u);
}

TEST_F(HttpDownloadTest, AConnectionDroppedInTheBodyIsANetworkError) {
    Response response = test::Ok(Body(10000));
    response.dropAfter = 3000;
    m_server.Route("/drop", response);
    EXPECT_EQ(Fetch("/drop", "down.xml", true), "");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0], "サーバーとの接続が切断されました");
    // The window is gone before the message appears.
    ASSERT_FALSE(m_log->events.empty());
    EXPECT_EQ(m_log->events.back(), "close");
}

TEST_F(HttpDownloadTest, AServerThatStopsSendingTimesOut) {
    DownloadLimits limits;
    limits.stallTimeout = std::chrono::milliseconds(300);
    CHttpDownload::SetLimits(limits);
    Response response = test::Ok(Body(10000));
    response.stallAfter = 2000;
    m_server.Route("/stall", response);
    EXPECT_EQ(Fetch("/stall"), "");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0], "操作がタイムアウトしました");
}

TEST_F(HttpDownloadTest, AServerThatNeverAnswersTimesOut) {
    DownloadLimits limits;
    limits.stallTimeout = std::chrono::milliseconds(300);
    CHttpDownload::SetLimits(limits);
    Response response;
    response.stallBeforeHeaders = true;
    m_server.Route("/silent", response);
    EXPECT_EQ(Fetch("/silent"), "");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0], "操作がタイムアウトしました");
    EXPECT_FALSE(Exists("down.xml"));
}

// Installs a hook for the download's waits for its lifetime.
class ScopedWaitingHook {
  public:
    explicit ScopedWaitingHook(MessagePumpHook hook)
        : m_previous(SetWaitingPumpHook(std::move(hook))) {}
    ~ScopedWaitingHook() { SetWaitingPumpHook(std::move(m_previous)); }

  private:
    MessagePumpHook m_previous;
};

TEST_F(HttpDownloadTest, ServersThatTrickleOrTakeTooLongFailAsATimeOut) {
    test::WriteFile(m_dir.File("down.xml"), "previous");
    DownloadLimits limits;
    limits.minSpeed = 64;
    limits.minSpeedTime = std::chrono::milliseconds(300);
    CHttpDownload::SetLimits(limits);
    Response trickle = test::Ok(Body(10000));
    trickle.trickle = std::chrono::milliseconds(25);  // 40 bytes a second: always a byte in time
    m_server.Route("/trickle", trickle);
    EXPECT_EQ(Fetch("/trickle"), "");

    limits = DownloadLimits{};
    limits.totalTimeout = std::chrono::milliseconds(300);
    CHttpDownload::SetLimits(limits);
    Response steady = test::Ok(Body(100000));
    steady.trickle = std::chrono::milliseconds(1);  // fast enough, but it would take minutes
    m_server.Route("/long", steady);
    EXPECT_EQ(Fetch("/long"), "");

    // A fast body that would go on for long: the data never lets the download wait. Neither its
    // end nor the size cap may come first, however fast the machine moves the bytes.
    limits.maxBytes = uint64_t{1} << 42;
    CHttpDownload::SetLimits(limits);
    Response endless;
    endless.generatedSize = uint64_t{1} << 41;
    endless.contentLength = false;
    m_server.Route("/endless", endless);
    EXPECT_EQ(Fetch("/endless"), "");

    const std::vector<std::string> expected(3, "操作がタイムアウトしました");
    EXPECT_EQ(m_messages.Messages(), expected);
    EXPECT_EQ(FileNames(), std::vector<std::string>{"down.xml"});
    EXPECT_EQ(test::ReadFile(m_dir.File("down.xml")), "previous");
}

TEST_F(HttpDownloadTest, ASlowButSteadyServerIsNotCutShort) {
    DownloadLimits limits;
    limits.minSpeed = 16;
    limits.minSpeedTime = std::chrono::milliseconds(100);
    CHttpDownload::SetLimits(limits);
    Response slow = test::Ok(Body(300));
    slow.trickle = std::chrono::milliseconds(1);
    m_server.Route("/slow", slow);
    EXPECT_EQ(test::ReadFile(Fetch("/slow")), Body(300));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(HttpDownloadTest, TimeSpentInTheMessagePumpCountsForNoLimit) {
    DownloadLimits limits;
    limits.stallTimeout = limits.minSpeedTime = limits.totalTimeout =
        std::chrono::milliseconds(200);
    limits.minSpeed = 1000;
    CHttpDownload::SetLimits(limits);
    m_server.Route("/n", test::Ok(Body(5000)));
    // The user reads a dialog for a while after each piece: 600 ms in all.
    ScopedMessagePumpHook hook([] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
    EXPECT_EQ(test::ReadFile(Fetch("/n")), Body(5000));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(HttpDownloadTest, ADownloadWithoutWindowIsCancelledWhileItWaitsForTheServer) {
    test::WriteFile(m_dir.File("down.xml"), "previous");
    Response stalled = test::Ok(Body(10000));
    stalled.stallAfter = 2000;
    m_server.Route("/stall", stalled);
    bool runningInside = false;
    ScopedWaitingHook waiting([&] {
        runningInside = CHttpDownload::IsRunning();
        EXPECT_TRUE(CHttpDownload::CancelRunning());
    });
    EXPECT_EQ(Fetch("/stall"), "");
    EXPECT_TRUE(runningInside);
    EXPECT_FALSE(CHttpDownload::IsRunning());
    EXPECT_FALSE(CHttpDownload::CancelRunning());
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(FileNames(), std::vector<std::string>{"down.xml"});
    EXPECT_EQ(test::ReadFile(m_dir.File("down.xml")), "previous");
}

TEST_F(HttpDownloadTest, ASlowDownloadShowsItsWindowLateAndItsButtonCancels) {
    Response stalled = test::Ok(Body(10000));
    stalled.stallAfter = 3000;
    m_server.Route("/stall", stalled);
    CHttpDownload download(m_server.Url("/stall"));
    // Two whole pieces have come when the server stops sending.
    ScopedWaitingHook waiting([&] {
        if (m_log->current->IsWindowOpen() && download.Received() == 2046) {
            m_log->current->OnCancelButton();
        }
    });
    download.ShowProgressAfter(std::chrono::milliseconds(50));
    EXPECT_EQ(download.Download(m_dir.Path().string(), false, "down.xml"), "");
    ASSERT_EQ(m_log->events.size(), 2u);
    EXPECT_EQ(m_log->events[0], "open ダウンロード中です|down.xml");
    EXPECT_EQ(m_log->events[1], "close");
    ASSERT_FALSE(m_log->counters.empty());
    EXPECT_EQ(m_log->counters.back(), "2046/10000バイト");
    EXPECT_EQ(m_messages.Messages(), std::vector<std::string>{"中止しますか？"});
    EXPECT_FALSE(Exists("down.xml"));
}

TEST_F(HttpDownloadTest, ARefusedConnectionIsReportedInJapanese) {
    // A port that was free a moment ago and has no listener now.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    close(fd);
    CHttpDownload download("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/a");
    EXPECT_EQ(download.Download(m_dir.Path().string(), false, "down.xml"), "");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0], "サーバーに接続できませんでした");
}

TEST_F(HttpDownloadTest, PumpsOnceAfterTheStatusAndOnceAfterEachChunk) {
    m_server.Route("/p", test::Ok(Body(3000)));
    int pumps = 0;
    ScopedMessagePumpHook hook([&] { ++pumps; });
    ASSERT_FALSE(Fetch("/p").empty());
    EXPECT_EQ(pumps, 1 + 3);  // 1023 + 1023 + 954
}

TEST_F(HttpDownloadTest, CancelOnTheThirdChunkDropsThatChunkAndTheFile) {
    m_server.Route("/big", test::Ok(Body(20000)));
    test::WriteFile(m_dir.File("down.xml"), "previous");
    int pumps = 0;
    std::vector<std::string> filesDuringTransfer;
    ScopedMessagePumpHook hook([&] {
        // The first pump follows the status, the fourth the third chunk.
        if (++pumps == 4) {
            filesDuringTransfer = FileNames();
            m_log->current->OnCancelButton();
        }
    });
    EXPECT_EQ(Fetch("/big", "down.xml", true), "");
    EXPECT_EQ(pumps, 4);
    // The body goes to a temporary file beside the target, never into the target itself.
    ASSERT_EQ(filesDuringTransfer.size(), 2u);
    EXPECT_EQ(filesDuringTransfer[0], "down.xml");
    EXPECT_EQ(filesDuringTransfer[1].rfind("down.xml.", 0), 0u);
    EXPECT_EQ(m_received, 3069u);
    EXPECT_EQ(FileNames(), std::vector<std::string>{"down.xml"});
    EXPECT_EQ(test::ReadFile(m_dir.File("down.xml")), "previous");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0], "中止しますか？");
    EXPECT_EQ(m_messages.Styles()[0], unsigned{kMbOkCancel | kMbIconQuestion});
    EXPECT_EQ(m_log->events.back(), "close");
}

TEST_F(HttpDownloadTest, AnsweringCancelToTheQuestionLetsTheTransferGoOn) {
    m_server.Route("/big", test::Ok(Body(5000)));
    m_messages.SetAnswer(kIdCancel);
    int pumps = 0;
    ScopedMessagePumpHook hook([&] {
        if (++pumps == 2) m_log->current->OnCancelButton();
    });
    std::string path = Fetch("/big", "down.xml", true);
    EXPECT_EQ(test::ReadFile(path), Body(5000));
}

TEST_F(HttpDownloadTest, WithoutAProgressWindowNothingCanCancel) {
    m_server.Route("/big", test::Ok(Body(5000)));
    ScopedMessagePumpHook hook([&] { EXPECT_FALSE(m_log->current->IsWindowOpen()); });
    EXPECT_EQ(test::ReadFile(Fetch("/big")), Body(5000));
    EXPECT_TRUE(m_log->events.empty());
}

TEST_F(HttpDownloadTest, CounterShowsReceivedOfAnnouncedLength) {
    m_server.Route("/n", test::Ok(Body(5000)));
    ASSERT_FALSE(Fetch("/n", "down.xml", true).empty());
    ASSERT_GE(m_log->counters.size(), 3u);
    // Opening, then SetTotal, then the first chunk.
    EXPECT_EQ(m_log->counters[2], "1023/5000バイト");
    EXPECT_EQ(m_log->counters.back(), "5000/5000バイト");
    ASSERT_FALSE(m_log->events.empty());
    EXPECT_EQ(m_log->events.front(), "open ダウンロード中です|down.xml");
}

TEST_F(HttpDownloadTest, CounterShowsOnlyTheReceivedBytesWithoutALength) {
    Response response = test::Ok(Body(2500));
    response.contentLength = false;
    m_server.Route("/n", response);
    ASSERT_FALSE(Fetch("/n", "down.xml", true).empty());
    std::vector<std::string> expected = {"", "1023バイト", "2046バイト", "2500バイト"};
    EXPECT_EQ(m_log->counters, expected);
}

TEST_F(HttpDownloadTest, TheCloseBoxOnlyHidesTheWindow) {
    m_server.Route("/n", test::Ok(Body(5000)));
    int pumps = 0;
    ScopedMessagePumpHook hook([&] {
        if (++pumps == 2) m_log->current->OnCloseBox();
    });
    std::string path = Fetch("/n", "down.xml", true);
    EXPECT_EQ(test::ReadFile(path), Body(5000));
    // Updates after the close reached no window.
    EXPECT_EQ(m_log->counters.back(), "1023/5000バイト");
    EXPECT_EQ(std::count(m_log->events.begin(), m_log->events.end(), "close"), 1);
}

TEST_F(HttpDownloadTest, AGivenNameOverwritesAnExistingFile) {
    test::WriteFile(m_dir.File("down.xml"), std::string(10000, 'o'));
    m_server.Route("/f", test::Ok("new"));
    EXPECT_EQ(Fetch("/f"), m_dir.File("down.xml"));
    EXPECT_EQ(test::ReadFile(m_dir.File("down.xml")), "new");
    EXPECT_FALSE(Exists("down(1).xml"));
}

TEST_F(HttpDownloadTest, WithoutANameTheAddressNamesAUniqueFile) {
    m_server.Route("/dir/feed.xml", test::Ok("v"));
    test::WriteFile(m_dir.File("feed.xml"), "old");
    EXPECT_EQ(Fetch("/dir/feed.xml", nullptr), m_dir.File("feed(1).xml"));
    EXPECT_EQ(Fetch("/dir/feed.xml", nullptr), m_dir.File("feed(2).xml"));
    EXPECT_EQ(test::ReadFile(m_dir.File("feed.xml")), "old");
}

TEST_F(HttpDownloadTest, AnAddressEndingInASlashIsSavedAsTheTemporaryPage) {
    m_server.Route("/", test::Ok("<html/>"));
    EXPECT_EQ(Fetch("/", nullptr), m_dir.File("MorvaHttpTemp.html"));
    EXPECT_EQ(Fetch("/", nullptr), m_dir.File("MorvaHttpTemp(1).html"));
}

TEST_F(HttpDownloadTest, AnAddressWithoutSchemeCannotBeSplit) {
    CHttpDownload download("www.example.com/feed.xml");
    EXPECT_EQ(download.Download(m_dir.Path().string(), true, "down.xml"), "");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0], "www.example.com/feed.xmlの解析に失敗しました");
    EXPECT_TRUE(m_log->events.empty());
}

TEST_F(HttpDownloadTest, AnAddressWithoutSlashAndNoNameFailsSilently) {
    CHttpDownload download("nonsense");
    EXPECT_EQ(download.Download(m_dir.Path().string(), false, nullptr), "");
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(HttpDownloadTest, AnEmptyBodyGivesAnEmptyFile) {
    m_server.Route("/empty", test::Ok(""));
    std::string path = Fetch("/empty");
    ASSERT_EQ(path, m_dir.File("down.xml"));
    EXPECT_TRUE(Exists("down.xml"));
    EXPECT_EQ(test::ReadFile(path), "");
}

TEST_F(HttpDownloadTest, ABodyOverTheSizeLimitIsRefusedAndRemoved) {
    DownloadLimits limits;
    limits.maxBytes = 4096;
    CHttpDownload::SetLimits(limits);
    Response response = test::Ok(Body(10000));
    response.contentLength = false;
    m_server.Route("/huge", response);
    EXPECT_EQ(Fetch("/huge"), "");
    EXPECT_FALSE(Exists("down.xml"));
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].rfind("ファイルが大きすぎます", 0), 0u);
}

TEST_F(HttpDownloadTest, AnAnnouncedLengthOverTheLimitIsRefusedBeforeReading) {
    DownloadLimits limits;
    limits.maxBytes = 4096;
    CHttpDownload::SetLimits(limits);
    m_server.Route("/huge", test::Ok(Body(10000)));
    int pumps = 0;
    ScopedMessagePumpHook hook([&] { ++pumps; });
    EXPECT_EQ(Fetch("/huge"), "");
    EXPECT_EQ(pumps, 0);
    EXPECT_FALSE(Exists("down.xml"));
    EXPECT_EQ(m_messages.Messages().size(), 1u);
}

TEST_F(HttpDownloadTest, APlantedLinkIsReplacedAndItsTargetKeepsItsContent) {
    test::TempDir elsewhere;
    const std::string victim = elsewhere.File("victim.txt");
    test::WriteFile(victim, "precious");
    std::filesystem::create_symlink(victim, m_dir.File("down.xml"));
    std::filesystem::create_symlink(victim, m_dir.File("page.html"));
    m_server.Route("/f", test::Ok("chosen by the server"));

    EXPECT_EQ(Fetch("/f"), m_dir.File("down.xml"));
    EXPECT_EQ(Fetch("/f", nullptr), m_dir.File("f"));
    m_server.Route("/page.html", test::Ok("another"));
    EXPECT_EQ(Fetch("/page.html", nullptr), m_dir.File("page(1).html"));

    EXPECT_EQ(test::ReadFile(victim), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink(m_dir.File("down.xml")));
    EXPECT_EQ(test::ReadFile(m_dir.File("down.xml")), "chosen by the server");
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir.File("page.html")));
    EXPECT_EQ(test::ReadFile(m_dir.File("page(1).html")), "another");
}

TEST_F(HttpDownloadTest, AFailedDownloadLeavesThePreviousFileAndNoTemporaryFile) {
    test::WriteFile(m_dir.File("down.xml"), "previous");
    Response dropped = test::Ok(Body(10000));
    dropped.dropAfter = 3000;
    m_server.Route("/drop", dropped);
    DownloadLimits limits;
    limits.maxBytes = 4096;
    CHttpDownload::SetLimits(limits);
    Response huge = test::Ok(Body(10000));
    huge.contentLength = false;
    m_server.Route("/huge", huge);

    EXPECT_EQ(Fetch("/drop"), "");
    EXPECT_EQ(Fetch("/huge"), "");
    EXPECT_EQ(m_messages.Messages().size(), 2u);
    EXPECT_EQ(FileNames(), std::vector<std::string>{"down.xml"});
    EXPECT_EQ(test::ReadFile(m_dir.File("down.xml")), "previous");
}

TEST_F(HttpDownloadTest, ANewFileIsReadableByItsOwnerOnlyWhateverTheUmask) {
    m_server.Route("/f", test::Ok("x"));
    for (const mode_t umaskGiven : {mode_t{022}, mode_t{0}}) {
        const mode_t mask = umask(umaskGiven);
        std::string path = Fetch("/f");
        umask(mask);
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
}

TEST_F(HttpDownloadTest, AFolderThatCannotBeWrittenIsReportedNotThrown) {
    m_server.Route("/f", test::Ok("x"));
    CHttpDownload download(m_server.Url("/f"));
    EXPECT_EQ(download.Download(m_dir.File("missing-folder"), false, "down.xml"), "");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_NE(m_messages.Messages()[0].find("を作成できませんでした"), std::string::npos);
}

// ---- Validators a server sends

TEST_F(HttpDownloadTest, AValidatorTooLongOrHoldingAControlCharacterIsNeitherKeptNorSent) {
    const std::vector<std::pair<std::string, std::string>> unfit = {
        {"ETag", "\"" + std::string(2000, 'e') + "\""},
        {"ETag", "\"a\rb\""},
        {"Last-Modified", "Tue, 01 Oct 2024\x01 10:00:00 GMT"},
        {"Last-Modified", std::string(1025, 'x')},
    };
    for (const auto& [name, value] : unfit) {
        SCOPED_TRACE(name + " of " + std::to_string(value.size()) + " bytes");
        Response response = test::Ok("<rss/>");
        response.headers.emplace_back(name, value);
        m_server.Route("/f", response);
        CHttpDownload first(m_server.Url("/f"));
        // The transfer goes on as if the server had sent none.
        ASSERT_EQ(first.Download(m_dir.Path().string(), false, "down.xml"), m_dir.File("down.xml"));
        EXPECT_EQ(first.ResponseETag(), "");
        EXPECT_EQ(first.ResponseLastModified(), "");
        // One kept by an earlier version is not sent back either.
        CHttpDownload second(m_server.Url("/f"));
        second.SetConditional(name == "ETag" ? value : "", name == "ETag" ? "" : value,
                              m_dir.File("down.xml"));
        ASSERT_NE(second.Download(m_dir.Path().string(), false, "down.xml"), "");
        EXPECT_EQ(m_server.Requests().back().Count("If-None-Match"), 0u);
        EXPECT_EQ(m_server.Requests().back().Count("If-Modified-Since"), 0u);
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(HttpDownloadTest, AValidatorOfOneKilobyteIsKeptAndSentBack) {
    const std::string etag = "\"" + std::string(1022, 'e') + "\"";
    Response response = test::Ok("<rss/>");
    response.etag = etag;
    m_server.Route("/f", response);
    CHttpDownload first(m_server.Url("/f"));
    ASSERT_NE(first.Download(m_dir.Path().string(), false, "down.xml"), "");
    EXPECT_EQ(first.ResponseETag(), etag);
    CHttpDownload second(m_server.Url("/f"));
    second.SetConditional(etag, "", m_dir.File("down.xml"));
    ASSERT_NE(second.Download(m_dir.Path().string(), false, "down.xml"), "");
    EXPECT_TRUE(second.NotModified());
}

TEST_F(HttpDownloadTest, AResponseHeadTooLargeForLibcurlFailsWithAJapaneseMessage) {
    // One header of 1 MB, or five of 90 KB each (over the whole head's limit).
    Response oneHeader = test::Ok("<rss/>");
    oneHeader.headers.emplace_back("ETag", "\"" + std::string(1 << 20, 'e') + "\"");
    m_server.Route("/one", oneHeader);
    Response manyHeaders = test::Ok("<rss/>");
    for (int i = 0; i < 5; ++i) {
        manyHeaders.headers.emplace_back("X-Header-" + std::to_string(i),
                                         std::string(90 * 1024, 'h'));
    }
    m_server.Route("/many", manyHeaders);
    for (const char* target : {"/one", "/many"}) {
        SCOPED_TRACE(target);
        MessageCapture messages;
        EXPECT_EQ(Fetch(target), "");
        EXPECT_EQ(messages.Messages(),
                  std::vector<std::string>{"サーバーの応答ヘッダーが大きすぎます"});
        EXPECT_TRUE(FileNames().empty());
    }
}

TEST(UniqueFileName, KeepsAFreeName) {
    test::TempDir dir;
    EXPECT_EQ(MakeUniqueFileName(dir.File("feed.xml")), dir.File("feed.xml"));
}

TEST(UniqueFileName, NumbersBeforeTheExtensionAndCountsUp) {
    test::TempDir dir;
    test::WriteFile(dir.File("feed.xml"), "");
    test::WriteFile(dir.File("feed(1).xml"), "");
    EXPECT_EQ(MakeUniqueFileName(dir.File("feed.xml")), dir.File("feed(2).xml"));
}

TEST(UniqueFileName, ADotInTheFolderIsNotTakenForAnExtension) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.Path() / "a.b");
    test::WriteFile(dir.File("a.b/feed"), "");
    EXPECT_EQ(MakeUniqueFileName(dir.File("a.b/feed")), dir.File("a.b/feed(1)"));
}

TEST_F(HttpDownloadTest, ADownloadOnAWorkerIsShownAndCancelledFromTheWindowsThread) {
    Response stalled = test::Ok(Body(10000));
    stalled.stallAfter = 3000;
    m_server.Route("/stall", stalled);
    // Hooks and windows belong to the thread that installed them: the worker must use neither.
    bool pumpedHere = false;
    ScopedWaitingHook waiting([&] { pumpedHere = true; });
    CRelayedProgress progress;
    // The window's thread learns of a change when it happens, one notice at a time.
    std::mutex mutex;
    std::condition_variable noticed;
    int notices = 0;
    progress.OnChange([&] {
        std::lock_guard lock(mutex);
        ++notices;
        noticed.notify_all();
    });
    CHttpDownload download(m_server.Url("/stall"));
    download.SetProgress(&progress);
    download.ShowProgressAfter(std::chrono::milliseconds(1));
    std::string path = "unset";
    std::atomic<bool> ended{false};
    std::thread worker([&] {
        path = download.Download(m_dir.Path().string(), false, "down.xml");
        ended = true;
    });
    // The fields the window's thread shows follow the download: its window and two whole pieces.
    CRelayedProgress::Fields fields;
    for (int taken = 0;;) {
        {
            std::unique_lock lock(mutex);
            if (!noticed.wait_for(lock, std::chrono::seconds(30),
                                  [&] { return notices > taken; })) {
                ADD_FAILURE() << "no notice of the download's progress";
                break;
            }
            EXPECT_EQ(notices, taken + 1) << "no second notice before the fields were taken";
            taken = notices;
        }
        fields = progress.Take();
        if (fields.windowOpen && fields.position == 2046) break;
    }
    EXPECT_EQ(fields.message, Jp("ダウンロード中です"));
    EXPECT_EQ(fields.counter, Jp("2046/10000バイト"));
    EXPECT_FALSE(CHttpDownload::IsRunning()) << "Esc here reaches only this thread's downloads";
    progress.CancelFromAfar();
    worker.join();
    EXPECT_EQ(path, "");
    EXPECT_TRUE(download.Cancelled());
    EXPECT_FALSE(progress.Take().windowOpen);
    EXPECT_FALSE(pumpedHere);
    EXPECT_TRUE(m_log->events.empty()) << "no window of the installed factory was made";
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_FALSE(Exists("down.xml"));
}

}  // namespace
}  // namespace varlo
