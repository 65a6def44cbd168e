#include "sync/server_address.h"

#include <gtest/gtest.h>

namespace varlo {
namespace {

constexpr const char* kRemote = "https://reader.example.test/api/greader.php";
constexpr const char* kLocal = "http://127.0.0.1:8080/api/greader.php";

TEST(SubscriptionAddresses, OnlyHttpAndHttpsToOtherMachinesComeFromARemoteServer) {
    for (const char* url : {"http://a.test/feed", "https://a.test/feed?x=1", "HTTP://A.test/",
                            "http://192.0.2.7/rss", "http://[2001:db8::1]/rss"}) {
        EXPECT_TRUE(SubscriptionAddressAllowed(url, kRemote)) << url;
    }
    for (const char* url : {"file:///etc/passwd",
                            "javascript:alert(1)",
                            "data:text/xml,<rss/>",
                            "ftp://a.test/",
                            "feed/12",
                            "",
                            "http://169.254.169.254/latest/meta-data/iam/",
                            "http://127.0.0.1:22/",
                            "http://localhost/",
                            "http://LOCALHOST./",
                            "http://a.localhost/",
                            "http://0.0.0.0/",
                            "http://[::1]/",
                            "http://[::]/",
                            "http://[fe80::1]/",
                            "http://[febf::1]/",
                            "http://[::ffff:127.0.0.1]/",
                            "http://[::ffff:169.254.169.254]/",
                            "http://127.1/",
                            "http://2130706433/",
                            "http://0x7f000001/",
                            "http://0251.0376.0251.0376/"}) {
        EXPECT_FALSE(SubscriptionAddressAllowed(url, kRemote)) << url;
    }
    // A server on the user's own machine may name that machine's feeds, never other schemes.
    EXPECT_TRUE(SubscriptionAddressAllowed("http://127.0.0.1:22/", kLocal));
    EXPECT_TRUE(SubscriptionAddressAllowed("http://[fe80::1]/", "http://[::1]/api/greader.php"));
    EXPECT_FALSE(SubscriptionAddressAllowed("file:///etc/passwd", kLocal));
}

TEST(SubscriptionAddresses, HostsAreSortedIntoLoopbackLinkLocalAndTheRest) {
    EXPECT_TRUE(IsLoopbackHost("127.45.1.2"));
    EXPECT_TRUE(IsLoopbackHost("[::1]"));
    EXPECT_FALSE(IsLoopbackHost("128.0.0.1"));
    EXPECT_FALSE(IsLoopbackHost("localhost.example.test"));
    EXPECT_TRUE(IsLinkLocalOrUnspecifiedHost("169.254.0.1"));
    EXPECT_FALSE(IsLinkLocalOrUnspecifiedHost("169.253.255.255"));
    EXPECT_FALSE(IsLinkLocalOrUnspecifiedHost("[fec0::1]"));
}

TEST(SyncServerAddresses, OnlyPlainHttpToAnotherMachineSendsThePasswordInClear) {
    EXPECT_TRUE(PasswordTravelsInClear("http://192.0.2.2/api/greader.php"));
    EXPECT_TRUE(PasswordTravelsInClear("HTTP://reader.example.test:8080"));
    EXPECT_FALSE(PasswordTravelsInClear("https://192.0.2.2/api/greader.php"));
    EXPECT_FALSE(PasswordTravelsInClear(kLocal));
    EXPECT_FALSE(PasswordTravelsInClear("http://localhost:8080/"));
}

}  // namespace
}  // namespace varlo
