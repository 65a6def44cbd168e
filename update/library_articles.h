#pragma once
// A read feed's articles in the form the library keeps: the texts as the window shows them
// (display-form titles and links, sanitized HTML of the text), in UTF-8.

#include <string>
#include <vector>

#include "feeds/rss_file.h"
#include "platform/text.h"
#include "store/library.h"

namespace varlo {

// Article i of `feed` with key i of `keys` (the two lists come from the same file; articles
// beyond the shorter list are left out). Call it soon after the feed was read: an article the
// reader dated by the time of reading (undated in the feed) gets date 0.
std::vector<LibraryArticle> LibraryArticlesOf(const CRssFile& feed, const std::vector<Text>& keys);

// Reads the feed file at `path`, downloaded from `address`, into its keys and library articles,
// without showing any message; false when it is no feed.
bool ReadLibraryArticles(const std::string& path, const Text& address, std::vector<Text>* keys,
                         std::vector<LibraryArticle>* articles);

}  // namespace varlo
