#pragma once
// The feed addresses of a subscription file, for the commands that work on every site.

#include <string>
#include <vector>

#include "platform/text.h"

namespace varlo::cli {

// Reads the subscription file at `path` (message boxes go to standard error) and gives the feed
// address of every site that has one, in file order. False when the file could not be read.
bool ReadFeedAddresses(const std::string& path, std::vector<Text>* urls);

}  // namespace varlo::cli
