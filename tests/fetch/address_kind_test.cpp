// Which addresses a fetch nobody clicked may not reach: the user's own machine and network.
#include "fetch/address_kind.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

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

TEST(AddressKind, ThroughAProxyAHostIsLookedUpHereAndANameOfThisMachineLeadsInside) {
    // Addresses as written, looked up by nobody.
    EXPECT_TRUE(LeadsToNonPublicHost("http://127.0.0.1:8080/page"));
    EXPECT_TRUE(LeadsToNonPublicHost("http://localhost/page"));
    EXPECT_TRUE(LeadsToNonPublicHost("http://[fe80::1]/page"));
    EXPECT_FALSE(LeadsToNonPublicHost("http://192.0.2.1/page"));
    EXPECT_FALSE(LeadsToNonPublicHost("http://[2001:db8::1]/page"));
    EXPECT_FALSE(LeadsToNonPublicHost("not an address"));
    // This machine's own name, where it can look it up, is one of its own addresses.
    char name[256] = {};
    ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, nullptr, &found) != 0) GTEST_SKIP() << "no address for " << name;
    bool inside = false;
    for (const addrinfo* at = found; at; at = at->ai_next)
        inside |= IsNonPublicAddress(at->ai_addr);
    freeaddrinfo(found);
    if (!inside) GTEST_SKIP() << name << " has only public addresses here";
    EXPECT_TRUE(LeadsToNonPublicHost(std::string("http://") + name + "/page"));
}

}  // namespace
}  // namespace varlo
