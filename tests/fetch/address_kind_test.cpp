// Which addresses a fetch nobody clicked may not reach: the user's own machine and network.
#include "fetch/address_kind.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <string>

namespace varlo {
namespace {

bool NonPublic(const std::string& text) {
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET, text.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        return IsNonPublicAddress(reinterpret_cast<const sockaddr*>(&v4));
    }
    EXPECT_EQ(inet_pton(AF_INET6, text.c_str(), &v6.sin6_addr), 1) << text;
    v6.sin6_family = AF_INET6;
    return IsNonPublicAddress(reinterpret_cast<const sockaddr*>(&v6));
}

TEST(AddressKind, LoopbackPrivateSharedLinkLocalAndUnspecifiedAddressesAreNotPublic) {
    for (const char* address :
         {"127.0.0.1", "127.255.0.9", "10.1.2.3", "172.16.0.1", "172.31.255.255", "192.168.1.1",
          "169.254.169.254", "100.64.0.1", "100.127.255.255", "0.0.0.0", "::1", "::", "fe80::1",
          "fc00::1", "fd12:3456::1", "::ffff:127.0.0.1", "::ffff:192.168.0.1"}) {
        EXPECT_TRUE(NonPublic(address)) << address;
    }
    for (const char* address :
         {"8.8.8.8", "172.15.255.255", "172.32.0.1", "192.169.0.1", "100.63.255.255", "100.128.0.1",
          "2001:db8::1", "::ffff:93.184.216.34", "11.0.0.1"}) {
        EXPECT_FALSE(NonPublic(address)) << address;
    }
}

TEST(AddressKind, AFeedIsOnTheUsersOwnNetworkWhenItsHostIsWrittenAsSuchAnAddress) {
    EXPECT_TRUE(IsNonPublicHostOf("http://127.0.0.1:8080/feed.xml"));
    EXPECT_TRUE(IsNonPublicHostOf("http://LOCALHOST/feed"));
    EXPECT_TRUE(IsNonPublicHostOf("https://intranet.localhost/feed"));
    EXPECT_TRUE(IsNonPublicHostOf("http://[::1]:80/feed"));
    EXPECT_TRUE(IsNonPublicHostOf("http://192.168.0.10/rss"));
    // A name is judged by what it resolves to when connecting, not here.
    EXPECT_FALSE(IsNonPublicHostOf("https://example.com/feed"));
    EXPECT_FALSE(IsNonPublicHostOf("http://[2001:db8::1]/feed"));
    EXPECT_FALSE(IsNonPublicHostOf("not an address"));
}

}  // namespace
}  // namespace varlo
