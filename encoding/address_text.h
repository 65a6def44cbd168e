#pragma once
// Addresses leave the system as UTF-8: libcurl and the browser are handed the same bytes.

#include <string>
#include <string_view>

namespace varlo {

// The address as it is handed to libcurl or the browser: white space around it trimmed, converted
// from code page 932 to UTF-8 as plain text (Cp932TextToUtf8: carried references becoming their
// characters, a carried "&" the "&" it stands for), and every byte that
// an address may not hold as it is (controls, spaces, 8-bit bytes) percent-encoded, except in the
// host name, which stays UTF-8 for the resolver to handle. Existing "%XX" escapes are kept.
std::string AddressToUtf8(std::string_view cp932);

}  // namespace varlo
