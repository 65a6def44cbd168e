// The servers users sync with, each in its own dialect of the Google Reader API (see
// FakeReaderServer): the same round trip of subscriptions, articles and marks against every one,
// then what each refuses and how a sync says so.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "encoding/codepage.h"
#include "store/feed_store.h"
#include "store/library.h"
#include "subscriptions/opml_file.h"
#include "support/reader_server.h"
#include "support/test_support.h"
#include "sync/reader_client.h"
#include "sync/sync_run.h"

namespace varlo {
namespace {

using test::FakeReaderServer;
using test::ReaderDialect;

constexpr int64_t kNow = 1800000000;
constexpr const char* kLongPrefix = "tag:google.com,2005:reader/item/";

// How each server names the stream of the site "http://a.test/feed".
std::string StreamOf(ReaderDialect dialect) {
    switch (dialect) {
        case ReaderDialect::kFreshRss:
            return "feed/1";
        case ReaderDialect::kMiniflux:
            return "feed/12";
        case ReaderDialect::kBazQux:
            return "feed/http://a.test/feed";
        case ReaderDialect::kOldReader:
            return "feed/5c4f0a1b00000000000000a1";
    }
    return {};
}

std::unique_ptr<COpmlItem> Item(const std::string& url, const std::string& title) {
    auto item = std::make_unique<COpmlItem>();
    item->m_strXmlUrl = url;
    item->m_strTitle = title;
    return item;
}

std::vector<std::string> FileUrls(const COpmlFile& file) {
    std::vector<std::string> urls;
    for (int i = 0; i < file.GetCount(); ++i) urls.push_back(file.GetAt(i)->m_strXmlUrl);
    return urls;
}

std::vector<std::string> ServerUrls(const FakeReaderServer& server) {
    std::vector<std::string> urls;
    for (const auto& s : server.Subscriptions()) urls.push_back(s.url);
    return urls;
}

class Dialect : public ::testing::TestWithParam<ReaderDialect> {
  protected:
    Dialect() : server("ann", "api-pass", GetParam()) {
        setenv("no_proxy", "*", 1);
        server.AddSubscription({StreamOf(GetParam()), "A", "http://a.test/feed", {"Tech"}});
        server.AddItems(StreamOf(GetParam()), 6, kNow - 3600);
        server.SetRead(2, true);
        server.SetStarred(3, true);
        file.Add(Item("http://a.test/feed", "A"));
        file.Add(Item("http://l.test/feed", "Local"));
        EXPECT_TRUE(store.Open(dir.File("varlo.db")));
        account = {server.ApiUrl(), "ann"};
        options.clock = [] { return kNow; };
        // A page of two: every dialect's continuations are followed.
        options.caps.pageItems = 2;
        options.caps.pageIds = 2;
    }
    SyncSummary Sync(const std::string& password = "api-pass") {
        SyncSummary s = RunSync(store, file, account, password, options);
        for (const Text& failure : s.failures) ADD_FAILURE() << Cp932ToUtf8(failure);
        return s;
    }
    std::optional<LibraryRow> Row(uint64_t id) {
        return CLibrary(store).FindByServerId(server.LongId(id));
    }

    test::TempDir dir;
    FakeReaderServer server;
    COpmlFile file;
    CFeedStore store;
    SyncAccount account;
    SyncOptions options;
};

TEST_P(Dialect, SubscriptionsArticlesAndMarksMakeTheRoundTrip) {
    // The first sync: the file's own site goes to the server, the server's articles and marks
    // come to the library, each article under the id the server gave it.
    SyncSummary s = Sync();
    ASSERT_TRUE(s.ran);
    EXPECT_EQ(s.articles, 6);
    EXPECT_EQ(ServerUrls(server),
              (std::vector<std::string>{"http://a.test/feed", "http://l.test/feed"}));
    for (uint64_t id = 1; id <= 6; ++id) {
        ASSERT_TRUE(Row(id)) << id;
        EXPECT_EQ(Row(id)->feedUrl, "http://a.test/feed");
        EXPECT_EQ(Row(id)->read, id == 2) << id;
        EXPECT_EQ(Row(id)->starred, id == 3) << id;
    }

    // Marks made here go to the server.
    CLibrary library(store);
    ASSERT_TRUE(library.SetRead(Row(1)->id, true));
    ASSERT_TRUE(library.SetRead(Row(2)->id, false));
    ASSERT_TRUE(library.SetStarred(Row(4)->id, true));
    s = Sync();
    ASSERT_TRUE(s.ran);
    EXPECT_EQ(s.marksSent, 3);
    EXPECT_EQ(server.ReadIds(), (std::set<uint64_t>{1}));
    EXPECT_EQ(server.StarredIds(), (std::set<uint64_t>{3, 4}));

    // Marks made on the server come here.
    server.SetRead(5, true);
    server.SetStarred(3, false);
    s = Sync();
    ASSERT_TRUE(s.ran);
    EXPECT_EQ(s.marksReceived, 2);
    EXPECT_TRUE(Row(5)->read);
    EXPECT_FALSE(Row(3)->starred);
    EXPECT_TRUE(Row(4)->starred);

    // A site taken out of the file is unsubscribed under the stream id the server gave it.
    file.RemoveAt(1);
    s = Sync();
    ASSERT_TRUE(s.ran);
    EXPECT_EQ(s.subscriptionsRemoved, 1);
    EXPECT_EQ(ServerUrls(server), std::vector<std::string>{"http://a.test/feed"});
    EXPECT_EQ(FileUrls(file), std::vector<std::string>{"http://a.test/feed"});

    // Every item id went back in the long form, and nothing was refused for its form.
    EXPECT_TRUE(server.Refused().empty()) << server.Refused().front();
    const std::string escapedPrefix = "tag%3Agoogle.com%2C2005%3Areader%2Fitem%2F";
    int ids = 0;
    for (const test::Request& request : server.Http().Requests()) {
        if (request.target.find("edit-tag") == std::string::npos) continue;
        for (size_t at = request.body.find("i="); at != std::string::npos;
             at = request.body.find("&i=", at + 1)) {
            ++ids;
            const size_t value = request.body[at] == '&' ? at + 3 : at + 2;
            EXPECT_EQ(request.body.compare(value, escapedPrefix.size(), escapedPrefix), 0)
                << request.body;
        }
    }
    EXPECT_EQ(ids, 3);
}

INSTANTIATE_TEST_SUITE_P(EveryServer, Dialect,
                         ::testing::Values(ReaderDialect::kFreshRss, ReaderDialect::kMiniflux,
                                           ReaderDialect::kBazQux, ReaderDialect::kOldReader),
                         [](const ::testing::TestParamInfo<ReaderDialect>& shown) {
                             switch (shown.param) {
                                 case ReaderDialect::kFreshRss:
                                     return "FreshRss";
                                 case ReaderDialect::kMiniflux:
                                     return "Miniflux";
                                 case ReaderDialect::kBazQux:
                                     return "BazQux";
                                 case ReaderDialect::kOldReader:
                                     return "TheOldReader";
                             }
                             return "";
                         });

class DialectQuirks : public ::testing::Test {
  protected:
    DialectQuirks() { setenv("no_proxy", "*", 1); }
    static std::string Utf8(const Text& text) { return Cp932ToUtf8(text); }
};

TEST_F(DialectQuirks, MinifluxTakesOnlyItsApiPasswordAndOnlyTheLongFormOfItemIds) {
    FakeReaderServer server("ann-api", "api-pass", ReaderDialect::kMiniflux);
    server.AddSubscription({"feed/12", "A", "http://a.test/feed", {}});
    server.AddItems("feed/12", 2, kNow - 60);
    // The web login's password is not the API's.
    CReaderClient web(server.ApiUrl());
    const ReaderStatus refused = web.Login("ann", "web-pass");
    EXPECT_EQ(refused.failure, ReaderFailure::kLogin);
    EXPECT_EQ(Utf8(refused.message),
              "サーバーにログインできませんでした。パスワードを確かめてください。");

    CReaderClient client(server.ApiUrl());
    ASSERT_TRUE(client.Login("ann-api", "api-pass").Ok());
    std::vector<std::string> unread;
    ASSERT_TRUE(client.UnreadIds(&unread).Ok());
    EXPECT_EQ(unread, (std::vector<std::string>{server.LongId(2), server.LongId(1)}));
    // The short form, which it did not take until 2025: refused, and the refusal names the
    // request.
    const ReaderStatus shortForm = client.EditTag({"1"}, kReadState, "");
    EXPECT_EQ(shortForm.failure, ReaderFailure::kServer);
    EXPECT_EQ(Utf8(shortForm.message), "同期サーバーが既読とスターの変更を断りました (HTTP 400)");
    EXPECT_TRUE(client.EditTag({server.LongId(1)}, kReadState, "").Ok());
    EXPECT_EQ(server.ReadIds(), (std::set<uint64_t>{1}));
}

TEST_F(DialectQuirks, BazQuxRefusesBareHexIdsAndAnEmptyContinuation) {
    FakeReaderServer server("ann", "pw", ReaderDialect::kBazQux);
    server.AddSubscription({"feed/http://a.test/feed", "A", "http://a.test/feed", {}});
    server.AddItems("feed/http://a.test/feed", 5, kNow - 60);
    ReaderCaps caps;
    caps.pageItems = 2;
    CReaderClient client(server.ApiUrl(), {}, caps);
    ASSERT_TRUE(client.Login("ann", "pw").Ok());
    std::vector<ReaderItem> items;
    ASSERT_TRUE(client.ReadingList(0, &items).Ok());
    EXPECT_EQ(items.size(), 5u);
    EXPECT_EQ(server.CountRequests("c=null"), 0);
    EXPECT_TRUE(server.Refused().empty());

    const ReaderStatus bare = client.EditTag({"0000000000000001"}, "", kStarredState);
    EXPECT_TRUE(bare.Ok()) << "all digits is the short form, which it takes";
    const ReaderStatus hex = client.EditTag({"000000000000000a"}, kReadState, "");
    EXPECT_EQ(Utf8(hex.message), "同期サーバーが既読とスターの変更を断りました (HTTP 500)");
    // The client itself never sends that form: an id read bare is sent long.
    EXPECT_EQ(LongItemId("000000000000000a"), std::string(kLongPrefix) + "000000000000000a");
}

TEST_F(DialectQuirks, TheOldReaderNeedsAPasswordAndNumbersItemsPastSixtyFourBits) {
    FakeReaderServer server("ann@example.com", "set-later", ReaderDialect::kOldReader);
    // An account made by signing in through another service has no password: nothing is sent
    // and the user is told what to do.
    CReaderClient client(server.ApiUrl());
    const ReaderStatus none = client.Login("ann@example.com", "");
    EXPECT_EQ(none.failure, ReaderFailure::kLogin);
    EXPECT_EQ(Utf8(none.message),
              "API パスワードがありません。ほかのサービスでサインインして作ったアカウントでも、"
              "サーバーでパスワードを設定してから入れてください。");
    EXPECT_EQ(server.CountRequests("ClientLogin"), 0);

    ASSERT_TRUE(client.Login("ann@example.com", "set-later").Ok());
    server.AddItems("feed/5c4f0a1b0000000000000001", 1, kNow - 60);
    std::vector<ReaderItem> items;
    ASSERT_TRUE(client.ReadingList(0, &items).Ok());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, std::string(kLongPrefix) + "5c4f0a1b0000000000000001");
    std::vector<std::string> unread;
    ASSERT_TRUE(client.UnreadIds(&unread).Ok());
    EXPECT_EQ(unread, std::vector<std::string>{items[0].id}) << "bare in the list, the same id";
}

TEST_F(DialectQuirks, ArticlesOfAStreamTheServersListDoesNotNameAreSaidToBeLeftOut) {
    FakeReaderServer server("ann", "pw", ReaderDialect::kMiniflux);
    server.AddSubscription({"feed/12", "A", "http://a.test/feed", {}});
    server.AddItems("feed/12", 2, kNow - 60);
    server.AddItems("feed/99", 3, kNow - 60);  // a feed its list does not hold
    test::TempDir dir;
    CFeedStore store;
    ASSERT_TRUE(store.Open(dir.File("varlo.db")));
    COpmlFile file;
    file.Add(Item("http://a.test/feed", "A"));
    SyncOptions options;
    options.clock = [] { return kNow; };
    const SyncSummary s = RunSync(store, file, {server.ApiUrl(), "ann"}, "pw", options);
    EXPECT_TRUE(s.ran);
    EXPECT_EQ(s.articles, 2);
    ASSERT_EQ(s.failures.size(), 1u);
    EXPECT_EQ(Utf8(s.failures[0]),
              "同期サーバーの記事のうち 3 件は、購読の一覧にないストリームのものなので保存しません"
              "でした (feed/99)");
}

}  // namespace
}  // namespace varlo
