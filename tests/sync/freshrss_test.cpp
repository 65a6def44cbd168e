// Sync against a real FreshRSS (1.24.3 from ../shared/freshrss, served by PHP on loopback): marks
// and subscriptions both ways, a second sync that changes nothing, and a restart of both. Skipped
// where ../shared/freshrss is absent.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "encoding/codepage.h"
#include "store/feed_store.h"
#include "store/library.h"
#include "subscriptions/opml_file.h"
#include "support/test_support.h"
#include "sync/sync_run.h"

namespace varlo {
namespace {

const std::string kFreshRss = VARLO_FRESHRSS;

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0) {
        port = ntohs(a.sin_port);
    }
    close(fd);
    return port;
}

// Whether something accepts connections on the port now.
bool Listening(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

std::string Rss(const std::string& name, int port, int count) {
    std::string xml = "<?xml version='1.0' encoding='UTF-8'?><rss version='2.0'><channel><title>" +
                      name + "</title><link>http://127.0.0.1:" + std::to_string(port) + "/" + name +
                      "/</link>";
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        xml += "<item><title>" + name + " " + n +
               "</title><link>http://127.0.0.1:" + std::to_string(port) + "/" + name + "/" + n +
               "</link><guid>" + name + n + "</guid><pubDate>Mon, 07 Dec 2026 1" + n +
               ":00:00 GMT</pubDate><description>text " + n + "</description></item>";
    }
    return xml + "</channel></rss>";
}

class FreshRss : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(kFreshRss + "/start.sh")) {
            GTEST_SKIP() << "../shared/freshrss is absent: the sync test against a real FreshRSS "
                            "is skipped";
        }
        if (std::system("command -v php >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "php is not installed (scripts/deps.sh installs it): the sync test "
                            "against a real FreshRSS is skipped";
        }
        setenv("no_proxy", "*", 1);
        m_port = FreePort();
        ASSERT_TRUE(Start());
        const std::string feeds = m_dir.File("fr/FreshRSS/p/t");
        std::filesystem::create_directories(feeds);
        test::WriteFile(feeds + "/a.xml", Rss("a", m_port, 2));
        test::WriteFile(feeds + "/b.xml", Rss("b", m_port, 3));
        ASSERT_TRUE(m_store.Open(m_dir.File("varlo.db")));
        m_account.server = "http://127.0.0.1:" + std::to_string(m_port) + "/api/greader.php";
        m_account.user = "ann";
    }
    void TearDown() override {
        Stop();
        // The server's own account of a failure: which request it refused and why.
        if (HasFailure()) {
            for (const char* log : {"fr/server.log", "fr/FreshRSS/data/users/_/log_api.txt",
                                    "fr/FreshRSS/data/users/ann/log.txt"}) {
                const std::string text = test::ReadFile(m_dir.File(log));
                std::cout << "--- " << log << "\n"
                          << text.substr(text.size() > 4000 ? text.size() - 4000 : 0) << "\n";
            }
        }
    }

    // Starts the server (installing it the first time) and waits until it answers.
    bool Start() {
        const std::string command = kFreshRss + "/start.sh '" + m_dir.File("fr") + "' " +
                                    std::to_string(m_port) + " ann apipass123";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return false;
        char line[64] = {};
        const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
        pclose(pipe);
        m_pid = read ? std::atoi(line) : 0;
        return m_pid > 0 && Listening(m_port);
    }
    // Stops the server's process group and waits until the port is free again.
    void Stop() {
        if (m_pid <= 0) return;
        kill(-m_pid, SIGTERM);
        m_pid = 0;
        for (int i = 0; i < 500 && Listening(m_port); ++i) poll(nullptr, 0, 10);
    }
    std::string Feed(const char* name) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/t/" + name + ".xml";
    }
    std::string Link(const char* name, int n) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/" + name + "/" + std::to_string(n);
    }
    SyncSummary Sync(CFeedStore& store) { return RunSync(store, m_file, m_account, "apipass123"); }
    std::unique_ptr<CReaderClient> Client() {
        auto client = std::make_unique<CReaderClient>(m_account.server);
        EXPECT_TRUE(client->Login("ann", "apipass123").Ok());
        return client;
    }

    test::TempDir m_dir;
    int m_port = 0;
    int m_pid = 0;
    CFeedStore m_store;
    COpmlFile m_file;
    SyncAccount m_account;
};

TEST_F(FreshRss, MarksAndSubscriptionsGoBothWaysAndSurviveARestart) {
    auto item = std::make_unique<COpmlItem>();
    item->m_strTitle = "Site A";
    item->m_strXmlUrl = Feed("a");
    m_file.Add(std::move(item));

    // The site only Varlo has goes to the server, which downloads its feed; its articles come
    // back.
    SyncSummary s = Sync(m_store);
    ASSERT_TRUE(s.ran) << (s.failures.empty() ? "" : Cp932ToUtf8(s.failures[0]));
    EXPECT_EQ(s.failed, 0);
    EXPECT_EQ(s.subscriptionsAdded, 1);
    EXPECT_EQ(s.articles, 2);

    // On the server: another site, and an article read. In Varlo: an article starred.
    auto client = Client();
    std::string streamB;
    ASSERT_TRUE(client->QuickAdd(Feed("b"), &streamB).Ok());
    CLibrary library(m_store);
    const auto a1 = library.FindByLink(Feed("a"), Link("a", 1));
    const auto a2 = library.FindByLink(Feed("a"), Link("a", 2));
    ASSERT_TRUE(a1 && a2);
    ASSERT_TRUE(client->EditTag({a1->serverId}, kReadState, "").Ok());
    ASSERT_TRUE(library.SetStarred(a2->id, true));

    s = Sync(m_store);
    ASSERT_TRUE(s.ran);
    EXPECT_EQ(s.subscriptionsAdded, 1);
    EXPECT_EQ(s.articles, 3);
    EXPECT_EQ(s.marksSent, 1);
    EXPECT_EQ(s.marksReceived, 1);
    ASSERT_EQ(m_file.GetCount(), 2);
    EXPECT_EQ(m_file.GetAt(1)->m_strXmlUrl, Feed("b"));
    EXPECT_TRUE(library.FindByLink(Feed("a"), Link("a", 1))->read);
    std::vector<std::string> starred;
    ASSERT_TRUE(client->StarredIds(&starred).Ok());
    EXPECT_EQ(starred, std::vector<std::string>{a2->serverId});

    // Nothing changed: nothing sent, nothing downloaded again.
    s = Sync(m_store);
    ASSERT_TRUE(s.ran);
    EXPECT_EQ(s.articles + s.marksSent + s.marksReceived, 0);
    EXPECT_EQ(s.subscriptionsAdded + s.subscriptionsRemoved, 0);

    // Both restarted: the same state on each side, and still nothing to do.
    Stop();
    ASSERT_TRUE(Start());
    CFeedStore reopened;
    ASSERT_TRUE(reopened.Open(m_dir.File("varlo.db")));
    s = Sync(reopened);
    ASSERT_TRUE(s.ran);
    EXPECT_EQ(s.articles + s.marksSent + s.marksReceived, 0);
    EXPECT_EQ(s.subscriptionsAdded + s.subscriptionsRemoved, 0);
    CLibrary again(reopened);
    EXPECT_TRUE(again.FindByLink(Feed("a"), Link("a", 1))->read);
    EXPECT_TRUE(again.FindByLink(Feed("a"), Link("a", 2))->starred);
    EXPECT_EQ(again.UnreadTotal(), 4);
    std::vector<std::string> unread;
    ASSERT_TRUE(Client()->UnreadIds(&unread).Ok());
    EXPECT_EQ(unread.size(), 4u);
}

}  // namespace
}  // namespace varlo
