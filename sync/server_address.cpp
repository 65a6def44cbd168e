#include "sync/server_address.h"

#include <arpa/inet.h>
#include <curl/curl.h>

#include <charconv>
#include <cstring>
#include <memory>

#include "fetch/curl_url.h"
#include "platform/text.h"

namespace varlo {
namespace {

// The four bytes of an IPv4 address, also of one written in IPv6 (::ffff:a.b.c.d); none for any
// other host.
std::optional<in_addr_t> Ipv4Of(const std::string& host, in6_addr* v6, bool* isV6) {
    *isV6 = false;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return ntohl(v4.s_addr);
    if (inet_pton(AF_INET6, host.c_str(), v6) != 1) return std::nullopt;
    *isV6 = true;
    static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::memcmp(v6->s6_addr, kMapped, sizeof kMapped) != 0) return std::nullopt;
    in_addr_t value = 0;
    for (int i = 12; i < 16; ++i) value = (value << 8) | v6->s6_addr[i];
    return value;
}

// The host as inet_pton takes it: no brackets, no zone ("fe80::1%eth0"), no final dot.
std::string BareHost(std::string_view host) {
    if (host.starts_with('[') && host.ends_with(']')) host = host.substr(1, host.size() - 2);
    host = host.substr(0, host.find('%'));
    // "localhost." is the same name as "localhost".
    while (host.ends_with('.')) host.remove_suffix(1);
    return AsciiLowerCopy(host);
}

}  // namespace

std::optional<AddressParts> ParseAddress(std::string_view url) {
    CurlUrl handle(curl_url());
    const std::string text(url);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, text.c_str(),
                                CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) != CURLUE_OK) {
        return std::nullopt;
    }
    AddressParts parts;
    parts.scheme = AsciiLowerCopy(UrlPart(handle.get(), CURLUPART_SCHEME));
    parts.host = BareHost(UrlPart(handle.get(), CURLUPART_HOST));
    const std::string port = UrlPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    std::from_chars(port.data(), port.data() + port.size(), parts.port);
    if (parts.scheme.empty() || parts.host.empty()) return std::nullopt;
    return parts;
}

bool IsLoopbackHost(std::string_view name) {
    const std::string host = BareHost(name);
    if (host == "localhost" || host.ends_with(".localhost")) return true;
    in6_addr v6{};
    bool isV6 = false;
    if (const auto v4 = Ipv4Of(host, &v6, &isV6)) return (*v4 >> 24) == 127;
    return isV6 && IN6_IS_ADDR_LOOPBACK(&v6);
}

bool IsLinkLocalOrUnspecifiedHost(std::string_view name) {
    const std::string host = BareHost(name);
    in6_addr v6{};
    bool isV6 = false;
    if (const auto v4 = Ipv4Of(host, &v6, &isV6)) {
        return (*v4 >> 16) == 0xA9FE || *v4 == 0;  // 169.254.0.0/16, 0.0.0.0
    }
    return isV6 && (IN6_IS_ADDR_LINKLOCAL(&v6) || IN6_IS_ADDR_UNSPECIFIED(&v6));
}

bool SubscriptionAddressAllowed(std::string_view url, std::string_view server) {
    const auto parts = ParseAddress(url);
    if (!parts || (parts->scheme != "http" && parts->scheme != "https")) return false;
    if (!IsLoopbackHost(parts->host) && !IsLinkLocalOrUnspecifiedHost(parts->host)) return true;
    // A server on the user's own machine may name feeds of that machine (a local FreshRSS that
    // reads a local service); one elsewhere has no business there.
    const auto own = ParseAddress(server);
    return own && IsLoopbackHost(own->host);
}

bool PasswordTravelsInClear(std::string_view server) {
    const auto parts = ParseAddress(server);
    if (!parts) return false;  // not sent anywhere
    return parts->scheme == "http" && !IsLoopbackHost(parts->host);
}

}  // namespace varlo
