#pragma once
// The files an article carries (enclosures, Media RSS content and thumbnails) and the text Media
// RSS gives it, read alike from RSS items and Atom entries.

#include "feeds/rss_item.h"
#include "xml/element.h"

namespace varlo {

// Fills the enclosures, media and media description of `item` from the element it was read from.
void ReadMedia(const CMXMLElement& element, CRssItem& item);

}  // namespace varlo
