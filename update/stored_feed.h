#pragma once
// Stored articles of the library as a feed, so that the preview page shows them with the same
// page, style sheet, sanitizer and policy as a downloaded feed: one article chosen in a view of
// the library, or a site's stored articles when its download failed.

#include <vector>

#include "feeds/rss_file.h"
#include "platform/text.h"
#include "store/library.h"

namespace varlo {

// A feed titled `siteTitle` (system text; "" for none) whose articles are `rows`, in that order.
// Titles are plain text; the stored HTML is the article's content and goes through the page's
// sanitizer again.
CRssFile StoredFeed(const std::vector<LibraryRow>& rows, const Text& siteTitle);

// An article key as the system holds it (code page 932 with carried references), as the library
// keeps it: UTF-8 text.
std::string LibraryKeyOf(const Text& key);

}  // namespace varlo
