#pragma once
// A read feed's articles in the form the library keeps: the texts as the window shows them
// (display-form titles and links, sanitized HTML of the text), in UTF-8.

#include <string>
#include <vector>

#include "feeds/rss_file.h"
#include "platform/text.h"
#include "store/library.h"

namespace varlo {

// The articles of `feed`, in feed order, each with the key it was read with. Call it soon after
// the feed was read: an article the reader dated by the time of reading (undated in the feed)
// gets date 0.
std::vector<LibraryArticle> LibraryArticlesOf(const CRssFile& feed);

}  // namespace varlo
