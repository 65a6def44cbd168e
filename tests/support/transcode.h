#pragma once
// Test pages in other encodings, made with the C library's iconv.

#include <string>
#include <string_view>

namespace varlo::test {

// `bytes` converted from encoding `from` to encoding `to` (iconv names); throws when iconv cannot
// convert them, so a test never runs on a silently wrong page.
std::string Transcode(std::string_view bytes, const char* from, const char* to);

}  // namespace varlo::test
