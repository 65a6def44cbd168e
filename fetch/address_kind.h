#pragma once
// Which addresses belong to the user's own machine or network rather than to the public
// internet: a fetch nobody clicked must not be led there by a page or a feed.

#include <sys/socket.h>

#include <string_view>

namespace varlo {

// Whether the socket address is loopback, private (10/8, 172.16/12, 192.168/16, fc00::/7),
// shared (100.64/10), link-local (169.254/16, fe80::/10) or unspecified; IPv4 written in IPv6
// counts as the IPv4 address.
bool IsNonPublicAddress(const sockaddr* address);

// The same for the host of `url` when it is written as an address, or is "localhost" or one of
// its subdomains; false for every other name (what it resolves to is checked on connecting).
bool IsNonPublicHostOf(std::string_view url);

// The same, and for a name, whether this machine's look-up of it gives any address of that kind.
// A name this machine cannot look up counts as public: behind a proxy, names may be the proxy's
// alone to find.
bool LeadsToNonPublicHost(std::string_view url);

}  // namespace varlo
