#pragma once
// The named character references of HTML 4 (and "apos"), which feeds use in their texts.

#include <cstdint>
#include <string_view>

namespace varlo {

// The code point of the named reference `name` (without "&" and ";", case-sensitive); 0 when the
// name is unknown.
uint32_t LookupHtmlEntity(std::string_view name);

}  // namespace varlo
