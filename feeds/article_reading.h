#pragma once
// How one article element becomes an article, shared by the reading of a whole tree and the
// reading of articles taken out of the tree as they are parsed.

#include <memory>

#include "feeds/rss_item.h"
#include "xml/element.h"

namespace varlo {

// An article from an RSS or RDF "item" (`rdf`: RDF items have no "pubDate" and take their
// category from "dc:subject"). `ownLink` tells whether the item gave its own address; without
// one, the article's address is the channel's "rdf:about", which the caller sets.
std::unique_ptr<CRssItem> ReadRssItem(const CMXMLElement& item, bool rdf, bool* ownLink);

// An article from an Atom 0.3 or 1.0 "entry".
std::unique_ptr<CRssItem> ReadAtomEntry(const CMXMLElement& entry, bool atom03);

}  // namespace varlo
