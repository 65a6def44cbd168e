#pragma once
// What an address of a sync answer or of the sync server itself may be used for: subscriptions a
// server sends are kept only when a feed update could fetch them without reaching into the user's
// own machine or its network's metadata services, and a password goes in clear only to the
// user's own machine.

#include <optional>
#include <string>
#include <string_view>

namespace varlo {

// An absolute address taken apart: scheme and host lower case, IP addresses in their usual form
// (curl's parser turns "2130706433" and "0x7f.1" into "127.0.0.1"), the port filled in from the
// scheme when the address names none.
struct AddressParts {
    std::string scheme;
    std::string host;  // without the brackets of an IPv6 address
    int port = 0;
};

// The parts of `url`; none when it is no absolute address.
std::optional<AddressParts> ParseAddress(std::string_view url);

// Whether `host` is this machine: "localhost" and its subdomains, 127.0.0.0/8, ::1 and IPv4
// loopback written in IPv6.
bool IsLoopbackHost(std::string_view host);
// Whether `host` is link-local (169.254.0.0/16, fe80::/10) or unspecified (0.0.0.0, ::).
bool IsLinkLocalOrUnspecifiedHost(std::string_view host);

// Whether a subscription address sent by the sync server at `server` may be written to the
// subscription file: http and https only, and loopback, link-local and unspecified hosts only
// from a server on loopback itself (a server of the user's own machine).
bool SubscriptionAddressAllowed(std::string_view url, std::string_view server);

// Whether a login to `server` would send the password unencrypted to another machine: plain
// http to anything but loopback.
bool PasswordTravelsInClear(std::string_view server);

}  // namespace varlo
