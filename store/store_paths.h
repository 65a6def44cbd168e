#pragma once
// Where the store and the feed cache live.

#include <string>

namespace varlo {

// "varlo.db" in the program folder.
std::string StorePath();

// $XDG_CACHE_HOME/Varlo/feeds (default ~/.cache/Varlo/feeds), created private (mode 0700) when
// missing; empty when no private folder can be had there (the cache is then not used).
std::string FeedCacheFolder();

// Readies the store's file at `path` for SQLite: creates it empty with mode 0600 when missing, so
// that the store and the log files SQLite makes beside it with the same mode ("-wal", "-shm") are
// the user's alone whatever the umask, and takes group and other access from those files when an
// earlier version left them open. True unless the file could be neither made nor found.
bool PrepareStoreFile(const std::string& path);

// Overrides the cache folder (tests); empty restores the default.
void SetFeedCacheFolder(const std::string& folder);

// Makes `folder` (and missing parents) and accepts it only as a real folder (not a link) owned by
// this user that nobody else may use; true when it is one now.
bool MakePrivateFolder(const std::string& folder);

}  // namespace varlo
