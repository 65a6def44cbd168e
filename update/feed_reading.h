#pragma once
// One reading of a downloaded feed: its body parsed once into the feed and its articles, each
// article with its key, and the messages the reading would have shown. Made on a worker and never
// changed afterwards, the feed is shared by whatever needs it: the article list and the preview
// page of the chosen site, and the articles the library records.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "feeds/rss_file.h"
#include "platform/text.h"

namespace varlo {

// A message box the reading would have shown: its text and style.
using ReadingMessage = std::pair<Text, unsigned>;

struct FeedReading {
    // Never null; empty when the body is no feed.
    std::shared_ptr<const CRssFile> feed;
    // The body was read as a feed.
    bool isFeed = false;
    // What the reader would have shown, in order; the caller decides where it goes.
    std::vector<ReadingMessage> messages;
};

// Reads the feed body at `path`, downloaded from `address` (which relative links are resolved
// against), on any thread, showing nothing. An empty path reads nothing: an empty feed.
FeedReading ReadFeedBody(const std::string& path, const Text& address);

// A reading of no body: an empty feed.
std::shared_ptr<const CRssFile> EmptyFeed();

}  // namespace varlo
