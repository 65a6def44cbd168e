#pragma once
// The feed addresses of a subscription file and the store, for the commands that work on every
// site.

#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "store/feed_store.h"

namespace varlo {
class COpmlFile;
}

namespace varlo::cli {

// Reads the subscription file at `path` into `list`, its message boxes going to standard error.
// False when it could not be read.
bool ReadSubscriptions(const std::string& path, COpmlFile& list);

// Reads the subscription file at `path` (message boxes go to standard error) and gives the feed
// address of every site that has one, in file order. False when the file could not be read.
bool ReadFeedAddresses(const std::string& path, std::vector<Text>* urls);

// The same, with each site's title beside its feed address.
bool ReadFeedTitles(const std::string& path, std::vector<std::pair<Text, Text>>* sites);

// Opens the store, telling the user on standard error when an old one had to be moved aside or
// none could be opened.
bool OpenStore(CFeedStore& store);

}  // namespace varlo::cli
