#include "fetch/ras_connection.h"

#include <gtest/gtest.h>

#include "support/fake_dialup.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::FakeDialupService;

TEST(DialupEntries, ListsTheEntriesInTheServicesOrder) {
    FakeDialupService service;
    service.entries = std::vector<std::string>{"office", "home"};
    CRasConnection ras(service);
    ASSERT_TRUE(ras.EnumEntries());
    std::vector<Text> list = {"kept"};
    ras.FillEntryList(list);
    EXPECT_EQ(list, (std::vector<Text>{"kept", "office", "home"}));
}

TEST(DialupEntries, AnUnreadableListGivesNoEntries) {
    FakeDialupService service;
    service.entries = std::nullopt;
    CRasConnection ras(service);
    EXPECT_FALSE(ras.EnumEntries());
    std::vector<Text> list;
    ras.FillEntryList(list);
    EXPECT_TRUE(list.empty());
}

TEST(DialupDialling, DialsAKnownEntryAndReportsTheConnection) {
    FakeDialupService service;
    service.entries = std::vector<std::string>{"office"};
    CRasConnection ras(service);
    EXPECT_TRUE(ras.Dial("office"));
    EXPECT_EQ(service.calls, std::vector<std::string>{"dial office"});
}

TEST(DialupDialling, ALineAlreadyOpenCountsAsSuccess) {
    FakeDialupService service;
    service.entries = std::vector<std::string>{"office"};
    service.outcome = DialOutcome::kAlreadyOpen;
    EXPECT_TRUE(CRasConnection(service).Dial("office"));
    service.outcome = DialOutcome::kFailed;
    EXPECT_FALSE(CRasConnection(service).Dial("office"));
}

TEST(DialupDialling, AnEmptyNameDialsNothingAndSaysNothing) {
    test::MessageCapture messages;
    FakeDialupService service;
    service.available = false;
    EXPECT_FALSE(CRasConnection(service).Dial(""));
    EXPECT_TRUE(service.calls.empty());
    EXPECT_TRUE(messages.Messages().empty());
}

TEST(DialupDialling, AMissingEntryIsNotDialled) {
    FakeDialupService service;
    service.entries = std::vector<std::string>{"office"};
    EXPECT_FALSE(CRasConnection(service).Dial("deleted"));
    EXPECT_TRUE(service.calls.empty());
}

TEST(DialupDialling, NamesThatAreNotPlainFileNamesAreRefused) {
    FakeDialupService service;
    service.entries = std::vector<std::string>{"../../etc/passwd", "-opt", "a b", "x;y", "ok"};
    CRasConnection ras(service);
    for (const char* name : {"../../etc/passwd", "-opt", "a b", "x;y", ".hidden"}) {
        EXPECT_FALSE(ras.Dial(name)) << name;
    }
    EXPECT_TRUE(service.calls.empty());
    EXPECT_TRUE(ras.Dial("ok"));
}

TEST(DialupDialling, WithoutDialupNetworkingTheUserIsTold) {
    test::MessageCapture messages;
    FakeDialupService service;
    service.available = false;
    EXPECT_FALSE(CRasConnection(service).Dial("office"));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "ダイヤルアップネットワークを利用できません");
}

TEST(DialupHangUp, HangsUpTheOneActiveConnection) {
    FakeDialupService service;
    service.connections = 1;
    EXPECT_TRUE(CRasConnection(service).HangUp());
    EXPECT_EQ(service.calls, std::vector<std::string>{"hangup"});
}

TEST(DialupHangUp, WithNoConnectionItSucceedsWithoutHangingUp) {
    FakeDialupService service;
    service.connections = 0;
    EXPECT_TRUE(CRasConnection(service).HangUp());
    EXPECT_TRUE(service.calls.empty());
}

TEST(DialupHangUp, SeveralConnectionsOrAnUnreadableListHangUpNothing) {
    FakeDialupService service;
    service.connections = 2;
    EXPECT_FALSE(CRasConnection(service).HangUp());
    service.connections = std::nullopt;
    EXPECT_FALSE(CRasConnection(service).HangUp());
    EXPECT_TRUE(service.calls.empty());
}

}  // namespace
}  // namespace varlo
