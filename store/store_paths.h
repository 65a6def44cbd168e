#pragma once
// Where the store and the feed cache live.

#include <string>

namespace varlo {

// "varlo.db" in the program folder.
std::string StorePath();

// $XDG_CACHE_HOME/Varlo/feeds (default ~/.cache/Varlo/feeds), created private (mode 0700) when
// missing; empty when no private folder can be had there (the cache is then not used).
std::string FeedCacheFolder();

// Overrides the cache folder (tests); empty restores the default.
void SetFeedCacheFolder(const std::string& folder);

// Makes `folder` (and missing parents) and accepts it only as a real folder (not a link) owned by
// this user that nobody else may use; true when it is one now.
bool MakePrivateFolder(const std::string& folder);

}  // namespace varlo
