#pragma once
// Joining addresses as a browser does, on text in any ASCII-compatible encoding (code page 932
// included: none of the delimiters can be a trail byte).

#include <string>
#include <string_view>

namespace varlo {

// True when the address starts with a scheme ("http:", "mailto:"): letters, digits, "+", "-" and
// "." after a first letter, then ":".
bool HasScheme(std::string_view address);

// The scheme in lower case ("https" for "HTTPS://…"), or "" when the address has none.
std::string SchemeOf(std::string_view address);

// True when the address is absolute with the scheme http or https (in any case).
bool IsWebAddress(std::string_view address);

// The absolute address of `reference` relative to `base` by the standard resolution rules (dot
// segments removed, a query or fragment alone kept on the base's path). An absolute reference, an
// empty base or a base without a scheme gives `reference` unchanged.
std::string ResolveAddress(std::string_view reference, std::string_view base);

}  // namespace varlo
