#pragma once
// Cutting the tags of one name out of a web page's text.

#include <string_view>
#include <vector>

#include "platform/text.h"

namespace varlo {

// Position of the first occurrence of `part` in `text` without regard to ASCII letter case, or -1.
int FindNoCase(std::string_view text, std::string_view part);

// The text without its "<!-- ... -->" comments; a comment that is never closed is kept as it is.
Text RemoveComments(std::string_view text);

// Appends to `tags`, in page order, the text of every tag called `name` in `pageText` outside
// comments: from "<name" to its "</name>" when one follows, else to the first ">".
void FindTags(std::string_view pageText, std::vector<Text>& tags, std::string_view name);

}  // namespace varlo
