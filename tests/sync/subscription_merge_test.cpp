#include "sync/subscription_merge.h"

#include <gtest/gtest.h>

namespace varlo {
namespace {

SyncedSite Site(const char* url, const char* title = "t", const char* category = "") {
    return SyncedSite{url, title, category};
}

std::vector<Text> Urls(const std::vector<SyncedSite>& sites) {
    std::vector<Text> out;
    for (const auto& s : sites) out.push_back(s.xmlUrl);
    return out;
}

TEST(SubscriptionMerge, FirstSyncIsAUnionAndKeepsTheFilesNames) {
    const auto m = MergeSubscriptions({Site("a", "A local"), Site("b")},
                                      {Site("a", "A server", "News"), Site("c")}, {}, true);
    EXPECT_TRUE(m.removeLocal.empty());
    EXPECT_TRUE(m.removeServer.empty());
    EXPECT_EQ(Urls(m.addLocal), std::vector<Text>{"c"});
    EXPECT_EQ(Urls(m.addServer), std::vector<Text>{"b"});
    ASSERT_EQ(m.changeServer.size(), 1u);
    EXPECT_EQ(m.changeServer[0], Site("a", "A local"));
    EXPECT_TRUE(m.changeLocal.empty());
    EXPECT_EQ(Urls(m.synced), (std::vector<Text>{"a", "b", "c"}));
}

TEST(SubscriptionMerge, ARemovalOnOneSideSinceTheLastSyncRemovesOnTheOther) {
    const std::vector<SyncedSite> base{Site("a"), Site("b"), Site("c")};
    // b deleted in the file, c deleted on the server, d new in the file, e new on the server.
    const auto m = MergeSubscriptions({Site("a"), Site("c"), Site("d")},
                                      {Site("a"), Site("b"), Site("e")}, base, false);
    EXPECT_EQ(m.removeServer, std::vector<Text>{"b"});
    EXPECT_EQ(m.removeLocal, std::vector<Text>{"c"});
    EXPECT_EQ(Urls(m.addServer), std::vector<Text>{"d"});
    EXPECT_EQ(Urls(m.addLocal), std::vector<Text>{"e"});
    EXPECT_EQ(Urls(m.synced), (std::vector<Text>{"a", "d", "e"}));
}

TEST(SubscriptionMerge, ASiteNeverSyncedIsAddedNotRemoved) {
    // Missing from the server but not in the last-synced set: a new local site, uploaded.
    const auto m = MergeSubscriptions({Site("a"), Site("n")}, {Site("a")}, {Site("a")}, false);
    EXPECT_TRUE(m.removeLocal.empty());
    EXPECT_EQ(Urls(m.addServer), std::vector<Text>{"n"});
}

TEST(SubscriptionMerge, AnEmptyServerListRemovesNothing) {
    const std::vector<SyncedSite> base{Site("a"), Site("b")};
    const auto m = MergeSubscriptions({Site("a"), Site("b"), Site("new")}, {}, base, false);
    EXPECT_TRUE(m.removeLocal.empty());
    EXPECT_TRUE(m.removeServer.empty());
    // Only the site the last sync never saw goes up; the last-synced set is kept.
    EXPECT_EQ(Urls(m.addServer), std::vector<Text>{"new"});
    EXPECT_EQ(Urls(m.synced), (std::vector<Text>{"a", "b", "new"}));
}

TEST(SubscriptionMerge, TheSideThatChangedANameWins) {
    const std::vector<SyncedSite> base{Site("a", "A", "X"), Site("b", "B", "X"),
                                       Site("c", "C", "X")};
    const auto m = MergeSubscriptions(
        {Site("a", "A2", "X"), Site("b", "B", "X"), Site("c", "C local", "")},
        {Site("a", "A", "X"), Site("b", "B", "Y"), Site("c", "C server", "Z")}, base, false);
    ASSERT_EQ(m.changeServer.size(), 2u);
    EXPECT_EQ(m.changeServer[0], Site("a", "A2", "X"));
    // Changed on both sides since the last sync: the file's names win.
    EXPECT_EQ(m.changeServer[1], Site("c", "C local", ""));
    ASSERT_EQ(m.changeLocal.size(), 1u);
    EXPECT_EQ(m.changeLocal[0], Site("b", "B", "Y"));
    EXPECT_EQ(m.synced[1], Site("b", "B", "Y"));
}

TEST(SubscriptionMerge, DeclinedSitesStayLocalAndDuplicatesAndBlankAddressesCountOnce) {
    const auto m = MergeSubscriptions({Site("a"), Site(" a "), Site(""), Site("d")}, {Site("b")},
                                      {}, true, {"d"});
    EXPECT_EQ(Urls(m.addServer), std::vector<Text>{"a"});
    EXPECT_EQ(Urls(m.synced), (std::vector<Text>{"a", "b"}));
}

TEST(SubscriptionMerge, NothingChangedMeansAnEmptyMerge) {
    const std::vector<SyncedSite> sites{Site("a", "A", "X"), Site("b")};
    const auto m = MergeSubscriptions(sites, sites, sites, false);
    EXPECT_TRUE(m.Empty());
    EXPECT_EQ(m.synced, sites);
}

}  // namespace
}  // namespace varlo
