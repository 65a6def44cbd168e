#pragma once
// The stable key of each article of a feed file: what tells an article seen before from a new
// one, whatever else about it changed. Its `guid` or Atom `id`; else its link, decoded and
// trimmed; else its title with its date text as written, or its title alone when undated. Never
// the time of reading, which would make every article new at each download.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace varlo {

class CMXMLDocument;

// The keys of the articles of a feed document, in the order the feed reader lists them (one key
// per article; two articles may share one). False when the document is not a feed: no root
// element, or RSS/RDF without a channel.
bool ArticleKeysOf(const CMXMLDocument& document, std::vector<Text>* keys);

// What the store keeps of a key: a fixed-size hash, so that a feed of huge keys cannot fill the
// disk. Two keys of one feed share a hash with a chance of about one in 10^14 for 200,000 keys.
uint64_t HashArticleKey(std::string_view key);

// Loads the feed file at `path` and gives its keys; false when it cannot be read as a feed.
bool ReadArticleKeys(const std::string& path, std::vector<Text>* keys);

}  // namespace varlo
