#pragma once
// Where the user guide's HTML page lies: installed with the package beside the other documents,
// or built into the build folder when Varlo runs from there.

#include <string>

#include "preview/preview_page.h"

namespace varlo {

// The anchor of the guide's list of keywords (UTF-8), the one its heading "キーワード" gets.
inline constexpr const char* kHelpKeywordsSection = "キーワード";

// The guide for a program lying in `executableFolder`: PREFIX/share/doc/varlo/user-guide.html
// for a program in PREFIX/bin, else BUILD/help/user-guide.html for one in a folder of the build
// folder BUILD; the first that exists, as an absolute path without "." or ".." segments; "" when
// neither does.
std::string HelpPagePathFor(const std::string& executableFolder);

// The page of `guide` coloured in `scheme` (user-guide-dark.html beside user-guide.html); `guide`
// itself for Auto, or when that page is missing.
std::string HelpPageIn(const std::string& guide, PageScheme scheme);

// HelpPagePathFor the folder of the running program.
std::string HelpPagePath();

}  // namespace varlo
