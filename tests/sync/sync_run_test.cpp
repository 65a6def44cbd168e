#include "sync/sync_run.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "store/feed_store.h"
#include "store/library.h"
#include "subscriptions/opml_file.h"
#include "support/reader_server.h"
#include "support/test_support.h"
#include "update/feed_request.h"

namespace varlo {
namespace {

using test::FakeReaderServer;
using test::FakeSubscription;

constexpr int64_t kNow = 1800000000;

std::unique_ptr<COpmlItem> Item(const std::string& url, const std::string& title,
                                const std::string& category = "") {
    auto item = std::make_unique<COpmlItem>();
    item->m_strXmlUrl = url;
    item->m_strTitle = test::Sjis(title);
    item->m_strCategory = test::Sjis(category);
    return item;
}

// Sends the requests of the test to the loopback server as to a proxy, so that a sync server "on
// another machine" is asked without leaving this one.
class ThroughProxy {
  public:
    explicit ThroughProxy(const std::string& proxy) {
        setenv("http_proxy", proxy.c_str(), 1);
        unsetenv("no_proxy");
    }
    ~ThroughProxy() {
        unsetenv("http_proxy");
        setenv("no_proxy", "*", 1);
    }
};

constexpr const char* kRemoteApi = "http://reader.example.test/api/greader.php";

std::vector<std::string> FileUrls(const COpmlFile& file) {
    std::vector<std::string> urls;
    for (int i = 0; i < file.GetCount(); ++i) urls.push_back(file.GetAt(i)->m_strXmlUrl);
    return urls;
}

class SyncRun : public ::testing::Test {
  protected:
    SyncRun() : server("ann", "pw") {
        setenv("no_proxy", "*", 1);
        server.AddSubscription({"feed/1", "Both &amp; more", "http://a.test/feed", {"Tech"}});
        server.AddSubscription({"feed/2", "Server only", "http://s.test/feed", {"Uncategorized"}});
        server.AddItems("feed/1", 30, kNow - 3600);
        server.AddItems("feed/2", 20, kNow - 1800);
        server.SetRead(3, true);
        server.SetRead(40, true);
        server.SetStarred(7, true);
        file.Add(Item("http://a.test/feed", "A in the file", "Tech"));
        file.Add(Item("http://l.test/feed", "Local only"));
        EXPECT_TRUE(store.Open(dir.File("varlo.db")));
        account.server = server.ApiUrl();
        account.user = "ann";
        options.clock = [] { return kNow; };
    }
    SyncSummary Sync() { return RunSync(store, file, account, "pw", options); }
    std::optional<LibraryRow> ByServer(uint64_t id) {
        return CLibrary(store).FindByServerId(LongItemId(std::to_string(id)));
    }

    test::TempDir dir;
    FakeReaderServer server;
    COpmlFile file;
    CFeedStore store;
    SyncAccount account;
    SyncOptions options;
};

TEST_F(SyncRun, FirstSyncJoinsBothListsStoresTheArticlesAndTakesTheServersMarks) {
    const SyncSummary s = Sync();
    EXPECT_TRUE(s.ran);
    EXPECT_EQ(s.failed, 0);
    EXPECT_EQ(s.articles, 50);
    EXPECT_EQ(s.subscriptionsAdded, 2);  // one each way
    EXPECT_EQ(s.subscriptionsRemoved, 0);
    EXPECT_TRUE(s.fileChanged);
    EXPECT_EQ(FileUrls(file), (std::vector<std::string>{"http://a.test/feed", "http://l.test/feed",
                                                        "http://s.test/feed"}));
    // The server's title is shown as a feed's: its references decoded.
    EXPECT_EQ(file.GetAt(2)->m_strTitle, "Server only");
    EXPECT_EQ(file.GetAt(2)->m_strCategory, "");  // FreshRSS's label for none
    const auto subs = server.Subscriptions();
    ASSERT_EQ(subs.size(), 3u);
    EXPECT_EQ(subs[2].url, "http://l.test/feed");
    EXPECT_EQ(subs[2].title, "Local only");
    // The file's title went to the server for the site both had.
    EXPECT_EQ(subs[0].title, "A in the file");

    CLibrary library(store);
    EXPECT_EQ(library.UnreadTotal(), 48);
    EXPECT_EQ(library.StarredCount(), 1);
    ASSERT_TRUE(ByServer(3));
    EXPECT_TRUE(ByServer(3)->read);
    EXPECT_EQ(ByServer(3)->feedUrl, "http://a.test/feed");
    EXPECT_EQ(ByServer(3)->link, "http://example.test/feed/1/3");
    EXPECT_TRUE(ByServer(7)->starred);
    EXPECT_FALSE(ByServer(8)->read);
}

TEST_F(SyncRun, ASecondSyncWithNothingChangedSendsAndDownloadsNothingAlsoAfterARestart) {
    ASSERT_TRUE(Sync().ran);
    const int edits = server.CountRequests("edit");
    SyncSummary s = Sync();
    EXPECT_TRUE(s.ran);
    EXPECT_EQ(s.articles, 0);
    EXPECT_EQ(s.marksSent, 0);
    EXPECT_EQ(s.marksReceived, 0);
    EXPECT_EQ(s.subscriptionsAdded + s.subscriptionsRemoved, 0);
    EXPECT_FALSE(s.fileChanged);
    EXPECT_EQ(server.CountRequests("edit"), edits);

    // Another run of the program: the store opened anew.
    CFeedStore reopened;
    ASSERT_TRUE(reopened.Open(dir.File("varlo.db")));
    s = RunSync(reopened, file, account, "pw", options);
    EXPECT_TRUE(s.ran);
    EXPECT_EQ(s.articles + s.marksSent + s.marksReceived, 0);
    EXPECT_EQ(server.CountRequests("edit"), edits);
}

TEST_F(SyncRun, MarksGoBothWaysAndAQueuedMarkWinsOverTheServer) {
    ASSERT_TRUE(Sync().ran);
    CLibrary library(store);
    ASSERT_TRUE(library.SetRead(ByServer(10)->id, true));
    ASSERT_TRUE(library.SetStarred(ByServer(11)->id, true));
    server.SetRead(12, true);
    server.SetStarred(7, false);
    SyncSummary s = Sync();
    EXPECT_EQ(s.marksSent, 2);
    EXPECT_EQ(s.marksReceived, 2);
    EXPECT_TRUE(server.ReadIds().contains(10));
    EXPECT_TRUE(server.StarredIds().contains(11));
    EXPECT_TRUE(ByServer(12)->read);
    EXPECT_FALSE(ByServer(7)->starred);

    // The server cannot take the mark now: it stays queued and the server's state of that article
    // does not undo it.
    ASSERT_TRUE(library.SetRead(ByServer(13)->id, true));
    test::Response broken;
    broken.status = 500;
    server.Fault("edit-tag", broken);
    s = Sync();
    EXPECT_EQ(s.marksSent, 0);
    EXPECT_EQ(s.failed, 1);
    EXPECT_TRUE(ByServer(13)->read);
    EXPECT_FALSE(server.ReadIds().contains(13));
    s = Sync();
    EXPECT_EQ(s.marksSent, 1);
    EXPECT_TRUE(server.ReadIds().contains(13));
}

TEST_F(SyncRun, SubscriptionsRemovedOrRenamedOnEitherSideChangeTheOther) {
    ASSERT_TRUE(Sync().ran);
    file.RemoveAt(1);                                     // the site uploaded at the first sync
    server.RemoveSubscription("feed/1");                  // the site both had at the start
    file.GetAt(1)->m_strCategory = test::Sjis("読み物");  // the server's site, now in the file
    const SyncSummary s = Sync();
    EXPECT_EQ(s.subscriptionsRemoved, 2);
    EXPECT_EQ(FileUrls(file), std::vector<std::string>{"http://s.test/feed"});
    const auto subs = server.Subscriptions();
    ASSERT_EQ(subs.size(), 1u);
    EXPECT_EQ(subs[0].url, "http://s.test/feed");
    EXPECT_EQ(subs[0].labels, std::vector<std::string>{"読み物"});
    // Nothing changed since: the next sync leaves both alone.
    const SyncSummary again = Sync();
    EXPECT_EQ(again.subscriptionsAdded + again.subscriptionsRemoved, 0);
    EXPECT_EQ(server.Subscriptions().size(), 1u);
}

TEST_F(SyncRun, RemovingTheAccountForgetsItsStateAndTheServersIdsButKeepsTheArticles) {
    ASSERT_TRUE(Sync().ran);
    CLibrary library(store);
    ASSERT_TRUE(library.SetRead(ByServer(10)->id, true));
    ASSERT_TRUE(ForgetSyncState(store, account));
    EXPECT_FALSE(ByServer(10));
    EXPECT_TRUE(library.TakePendingMarks().empty());
    EXPECT_EQ(library.UnreadTotal(), 47);
    // Set up again, it starts over as a first sync: a union that removes nothing.
    file.RemoveAt(0);
    const SyncSummary s = Sync();
    EXPECT_EQ(s.subscriptionsRemoved, 0);
    EXPECT_EQ(file.GetCount(), 3);
    // The stored articles are found again by their links, not stored twice.
    EXPECT_EQ(s.articles, 0);
    EXPECT_TRUE(ByServer(10));
}

TEST_F(SyncRun, AnswersThatCannotBeReadChangeNothing) {
    ASSERT_TRUE(Sync().ran);
    server.RemoveSubscription("feed/2");
    server.SetRead(20, true);
    server.Fault("subscription/list", test::Ok("{\"subscriptions\": 7}", "application/json"));
    server.Fault("items/ids", test::Ok("<html>maintenance</html>", "text/html"));
    const SyncSummary s = Sync();
    EXPECT_TRUE(s.ran);
    EXPECT_EQ(s.failed, 2);
    EXPECT_EQ(s.failures.size(), 2u);
    // Neither an empty list of sites nor an empty set of unread articles was read into them.
    EXPECT_EQ(file.GetCount(), 3);
    EXPECT_EQ(CLibrary(store).UnreadTotal(), 48);
    // The next sync that can read them takes both changes.
    const SyncSummary next = Sync();
    EXPECT_EQ(next.subscriptionsRemoved, 1);
    EXPECT_EQ(next.marksReceived, 1);
    EXPECT_EQ(CLibrary(store).UnreadTotal(), 47);
}

TEST_F(SyncRun, TwoThousandArticlesOverPagesAndA401InTheMiddleLosesNothing) {
    server.AddItems("feed/1", 1950, kNow - 600);
    options.caps.pageItems = 250;
    test::Response refused;
    refused.status = 401;
    server.Fault("&c=500", refused, 2);
    SyncSummary s = Sync();
    EXPECT_FALSE(s.ran);
    EXPECT_EQ(s.stopped, ReaderFailure::kLogin);
    EXPECT_EQ(s.articles, 0);
    ASSERT_FALSE(s.failures.empty());
    EXPECT_EQ(s.failures.back(),
              test::Sjis("サーバーにログインできませんでした。パスワードを確かめてください。"));
    s = Sync();
    EXPECT_TRUE(s.ran);
    EXPECT_EQ(s.articles, 2000);
}

TEST_F(SyncRun, AWrongPasswordOrAServerThatAsksToWaitStopsBeforeAnythingChanges) {
    SyncSummary s = RunSync(store, file, account, "nope", options);
    EXPECT_EQ(s.stopped, ReaderFailure::kLogin);
    EXPECT_FALSE(s.fileChanged);
    EXPECT_EQ(file.GetCount(), 2);

    test::Response wait;
    wait.status = 429;
    wait.headers = {{"Retry-After", "7200"}};
    server.Fault("subscription/list", wait);
    s = Sync();
    EXPECT_EQ(s.stopped, ReaderFailure::kWaiting);
    // Kept for the server's scheme, host and port: feeds elsewhere on the host do not wait.
    EXPECT_GT(store.HostWait(WaitKey(server.ApiUrl()), kNow), kNow);
    EXPECT_EQ(store.HostWait("127.0.0.1", kNow), 0);
    // The next sync before then does not ask the server at all.
    const size_t requests = server.Http().Requests().size();
    s = Sync();
    EXPECT_EQ(s.stopped, ReaderFailure::kWaiting);
    EXPECT_EQ(server.Http().Requests().size(), requests);
}

TEST_F(SyncRun, ARemoteServerCannotPlantAddressesThatReachIntoThisMachineOrOtherSchemes) {
    const std::vector<std::string> planted = {
        "file:///etc/passwd", "javascript:alert(1)", "data:text/xml,<rss/>",
        "http://169.254.169.254/latest/meta-data/iam/", "http://127.0.0.1:22/"};
    for (size_t i = 0; i < planted.size(); ++i) {
        server.AddSubscription({"feed/p" + std::to_string(i), "Planted", planted[i], {}});
    }
    const ThroughProxy proxy(server.Http().Url(""));
    account.server = kRemoteApi;
    options.maySendInClear = [] { return true; };
    const SyncSummary s = Sync();
    EXPECT_TRUE(s.ran);
    EXPECT_EQ(FileUrls(file), (std::vector<std::string>{"http://a.test/feed", "http://l.test/feed",
                                                        "http://s.test/feed"}));
    ASSERT_EQ(s.failures.size(), planted.size());
    EXPECT_NE(s.failures.back().find("http://127.0.0.1:22/"), std::string::npos);
    // Not even taken into the last-synced set: the next sync refuses them again and writes none.
    const SyncSummary again = Sync();
    EXPECT_EQ(again.failures.size(), planted.size());
    EXPECT_EQ(file.GetCount(), 3);
}

TEST_F(SyncRun, AServerOnThisMachineMayNameItsFeedsButNoOtherScheme) {
    server.AddSubscription({"feed/p1", "Local service", "http://127.0.0.1:22/", {}});
    server.AddSubscription({"feed/p2", "Planted", "file:///etc/passwd", {}});
    const SyncSummary s = Sync();
    EXPECT_EQ(s.failures.size(), 1u);
    EXPECT_EQ(FileUrls(file).back(), "http://127.0.0.1:22/");
}

TEST_F(SyncRun, ThePasswordGoesUnencryptedToAnotherMachineOnlyWhenAllowed) {
    const ThroughProxy proxy(server.Http().Url(""));
    account.server = kRemoteApi;
    SyncSummary s = Sync();
    EXPECT_EQ(s.stopped, ReaderFailure::kInClear);
    EXPECT_EQ(server.Http().Requests().size(), 0u);
    EXPECT_EQ(file.GetCount(), 2);
    bool asked = false;
    options.maySendInClear = [&asked] { return asked = true; };
    s = Sync();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(s.ran);
    EXPECT_EQ(server.CountRequests("reader.example.test/api/greader.php/accounts/ClientLogin"), 1);
}

TEST_F(SyncRun, AListCutByTheCapNeverRemovesTheSitesBeyondIt) {
    ASSERT_TRUE(Sync().ran);  // three sites synced, listed first on the server
    for (const FakeSubscription& sub : server.Subscriptions())
        server.RemoveSubscription(sub.streamId);
    ASSERT_TRUE(Sync().ran);
    // An honest server of 10,005 subscriptions with the user's three listed last.
    for (int i = 0; i < 10002; ++i) {
        const std::string n = std::to_string(i);
        server.AddSubscription({"feed/m" + n, "Many " + n, "http://m.test/" + n, {}});
    }
    server.AddSubscription({"feed/1", "A in the file", "http://a.test/feed", {"Tech"}});
    server.AddSubscription({"feed/2", "Server only", "http://s.test/feed", {}});
    server.AddSubscription({"feed/3", "Local only", "http://l.test/feed", {}});
    SyncSummary s = Sync();
    EXPECT_EQ(s.removalsKept, 3);
    EXPECT_EQ(s.subscriptionsRemoved, 0);
    EXPECT_EQ(file.GetCount(), 10003);
    const std::vector<std::string> urls = FileUrls(file);
    for (const char* url : {"http://a.test/feed", "http://l.test/feed", "http://s.test/feed"}) {
        EXPECT_EQ(std::count(urls.begin(), urls.end(), url), 1) << url;
    }
    // Nothing was unsubscribed on the server either, and the next sync keeps them again.
    EXPECT_EQ(server.Subscriptions().size(), 10005u);
    EXPECT_EQ(Sync().removalsKept, 3);
}

TEST_F(SyncRun, AnAnswerThatDropsMostSitesOrCannotBeReadWholeRemovesOnlyWithTheUsersWord) {
    for (int i = 0; i < 98; ++i) {
        const std::string n = std::to_string(i);
        server.AddSubscription({"feed/m" + n, "Many " + n, "http://m.test/" + n, {}});
    }
    ASSERT_TRUE(Sync().ran);
    ASSERT_EQ(file.GetCount(), 101);
    // A one-site answer after a hundred synced sites.
    for (const FakeSubscription& sub : server.Subscriptions()) {
        if (sub.streamId != "feed/1") server.RemoveSubscription(sub.streamId);
    }
    std::vector<int> asked;
    options.mayRemove = [&asked](int count) {
        asked.push_back(count);
        return false;
    };
    SyncSummary s = Sync();
    EXPECT_EQ(asked, std::vector<int>{100});
    EXPECT_EQ(s.removalsKept, 100);
    EXPECT_FALSE(s.fileChanged);
    EXPECT_EQ(file.GetCount(), 101);
    options.mayRemove = [](int) { return true; };
    s = Sync();
    EXPECT_EQ(s.subscriptionsRemoved, 100);
    EXPECT_EQ(FileUrls(file), std::vector<std::string>{"http://a.test/feed"});

    // One entry of the list cannot be read: the one site it no longer names stays.
    server.AddSubscription({"feed/2", "Server only", "http://s.test/feed", {}});
    server.AddSubscription({"feed/3", "Third", "http://t.test/feed", {}});
    ASSERT_TRUE(Sync().ran);
    ASSERT_EQ(file.GetCount(), 3);
    options.mayRemove = nullptr;
    server.Fault("subscription/list",
                 test::Ok(R"({"subscriptions":[{"id":"feed/1","url":"http://a.test/feed"},)"
                          R"({"id":"feed/2","url":"http://s.test/feed"},{"id":"feed/3"}]})",
                          "application/json"));
    s = Sync();
    EXPECT_EQ(s.removalsKept, 1);
    EXPECT_EQ(file.GetCount(), 3);
}

TEST_F(SyncRun, AServerThatTricklesOneItemPerPageIsLeftAfterTenPagesKeepingWhatCame) {
    server.AddItems("feed/1", 3000, kNow - 600);
    server.SetPageLimit(1);
    const SyncSummary s = Sync();
    EXPECT_TRUE(s.partial);
    EXPECT_GE(s.failed, 1);
    EXPECT_EQ(server.CountRequests("stream/contents"), 10);
    EXPECT_EQ(s.articles, 10);
    EXPECT_EQ(CLibrary(store).Count(LibraryView::All()), 10);
    // The unread ids trickle too: left after ten pages (the starred ones fit in one), and nothing
    // is marked read from the part.
    EXPECT_EQ(server.CountRequests("items/ids"), 11);
    EXPECT_EQ(CLibrary(store).UnreadTotal(), 10);
}

TEST_F(SyncRun, ASyncWithoutEndStopsAtItsBudgetOfRequests) {
    server.AddItems("feed/1", 5000, kNow - 600);
    server.SetPageLimit(1);
    options.caps.pageItems = 10;  // one item a page is not too little for ten asked
    const SyncSummary s = Sync();
    EXPECT_TRUE(s.partial);
    EXPECT_FALSE(s.ran);
    EXPECT_EQ(s.stopped, ReaderFailure::kBudget);
    EXPECT_EQ(server.Http().Requests().size(), 2000u);
    // What came before the end is kept.
    EXPECT_GT(s.articles, 1900);
    EXPECT_EQ(CLibrary(store).Count(LibraryView::All()), s.articles);
}

TEST_F(SyncRun, TheServersOwnAddressFindsTheApiBelowItWhetherItAnswersNotFoundARedirectOrAPage) {
    account.server = server.Http().Url("");
    SyncSummary s = Sync();  // not found
    EXPECT_TRUE(s.ran);
    EXPECT_EQ(s.failed, 0);
    EXPECT_EQ(s.server, server.ApiUrl());
    EXPECT_EQ(s.articles, 50);
    server.Http().Route("/accounts/ClientLogin", test::Redirect(302, "/i/"));
    EXPECT_EQ(Sync().server, server.ApiUrl());
    server.Http().Route("/accounts/ClientLogin", test::Ok("<!DOCTYPE html><html>", "text/html"));
    s = Sync();
    EXPECT_EQ(s.server, server.ApiUrl());
    // Synced as the account of the address that answered: nothing is new the third time.
    EXPECT_EQ(s.articles + s.subscriptionsAdded, 0);

    test::LoopbackServer nothing;
    account.server = nothing.Url("/");
    s = Sync();
    EXPECT_EQ(s.stopped, ReaderFailure::kNotApi);
    EXPECT_EQ(s.failures, std::vector<Text>{test::Sjis("Google Reader API が見つかりません")});
    EXPECT_EQ(nothing.Requests().size(), 2u);
}

TEST_F(SyncRun, TwentyPagesOfLongArticlesAreStoredAsTheyComeNotHeldWhole) {
#ifdef VARLO_NO_NODE_POOL
    GTEST_SKIP() << "sanitizer builds pad and hold back every block they free: memory is measured "
                    "in the normal build";
#endif
    // 20 pages of 100 articles of 40 KB each: 80 MB in all, 4 MB an answer.
    std::string paragraph;
    while (paragraph.size() < 40000) paragraph += "<p>Long article text of many words. </p>";
    for (int i = 0; i < 2000; ++i) {
        test::FakeItem item;
        item.streamId = i % 2 ? "feed/1" : "feed/2";
        item.title = "Long " + std::to_string(i);
        item.link = "http://example.test/long/" + std::to_string(i);
        item.content = paragraph + std::to_string(i);
        item.published = item.crawled = kNow - 600;
        server.AddItem(item);
    }
    options.caps.pageItems = 100;
    const int64_t growth = test::PeakGrowthInChild([&] {
        CFeedStore child;
        if (child.Open(dir.File("varlo.db"))) RunSync(child, file, account, "pw", options);
    });
    const int64_t answer = 100 * 40100;
    std::printf("  peak growth %.1f MB (bound %.1f MB)\n", growth / 1e6,
                (4 * answer + (32 << 20)) / 1e6);
    EXPECT_LT(growth, 4 * answer + (32 << 20));
    EXPECT_EQ(CLibrary(store).Count(LibraryView::All()), 2050);
}

}  // namespace
}  // namespace varlo
