#include "fetch/address_kind.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/text.h"

namespace varlo {
namespace {

bool IsNonPublicV4(uint32_t a) {
    return (a >> 24) == 127 || (a >> 24) == 10 || (a >> 24) == 0 ||  // loopback, private, "this"
           (a >> 20) == (172u << 4 | 1) ||                           // 172.16.0.0/12
           (a >> 16) == (192u << 8 | 168) ||                         // 192.168.0.0/16
           (a >> 16) == (169u << 8 | 254) ||                         // link-local
           (a >> 22) == (100u << 2 | 1);                             // 100.64.0.0/10
}

bool IsNonPublicV6(const in6_addr& v6) {
    if (IN6_IS_ADDR_V4MAPPED(&v6) || IN6_IS_ADDR_V4COMPAT(&v6)) {
        const uint8_t* b = v6.s6_addr + 12;
        const uint32_t v4 =
            uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
        return IsNonPublicV4(v4);
    }
    return IN6_IS_ADDR_LOOPBACK(&v6) || IN6_IS_ADDR_UNSPECIFIED(&v6) ||
           IN6_IS_ADDR_LINKLOCAL(&v6) || IN6_IS_ADDR_SITELOCAL(&v6) ||
           (v6.s6_addr[0] & 0xFE) == 0xFC;  // unique local, fc00::/7
}

struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

}  // namespace

bool IsNonPublicAddress(const sockaddr* address) {
    if (address == nullptr) return true;
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        return IsNonPublicV4(ntohl(v4->sin_addr.s_addr));
    }
    if (address->sa_family == AF_INET6) {
        return IsNonPublicV6(reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr);
    }
    return true;  // a local socket, or a family no fetch of a page uses
}

bool IsNonPublicHostOf(std::string_view url) {
    std::unique_ptr<CURLU, UrlFree> handle(curl_url());
    if (!handle ||
        curl_url_set(handle.get(), CURLUPART_URL, std::string(url).c_str(), 0) != CURLUE_OK) {
        return false;
    }
    char* part = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_HOST, &part, 0) != CURLUE_OK || part == nullptr) {
        return false;
    }
    std::string host = AsciiLowerCopy(part);
    curl_free(part);
    if (host == "localhost" || host.ends_with(".localhost")) return true;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
        in6_addr v6{};
        return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IsNonPublicV6(v6);
    }
    in_addr v4{};
    return inet_pton(AF_INET, host.c_str(), &v4) == 1 && IsNonPublicV4(ntohl(v4.s_addr));
}

bool LeadsToNonPublicHost(std::string_view url) {
    if (IsNonPublicHostOf(url)) return true;
    std::unique_ptr<CURLU, UrlFree> handle(curl_url());
    char* part = nullptr;
    if (!handle ||
        curl_url_set(handle.get(), CURLUPART_URL, std::string(url).c_str(), 0) != CURLUE_OK ||
        curl_url_get(handle.get(), CURLUPART_HOST, &part, 0) != CURLUE_OK || part == nullptr) {
        return false;
    }
    const std::string host = part;
    curl_free(part);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return false;
    bool nonPublic = false;
    for (const addrinfo* at = found; at && !nonPublic; at = at->ai_next)
        nonPublic = IsNonPublicAddress(at->ai_addr);
    freeaddrinfo(found);
    return nonPublic;
}

}  // namespace varlo
