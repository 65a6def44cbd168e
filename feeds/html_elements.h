#pragma once
// The element names of HTML, which tell markup in a title from text that merely holds angle
// brackets ("Option<T>", "List<String>").

#include <string_view>

namespace varlo {

// True when `name` (ASCII letters and digits, any case) names an element of HTML, current or
// obsolete, that feeds put in their texts.
bool IsHtmlElementName(std::string_view name);

}  // namespace varlo
