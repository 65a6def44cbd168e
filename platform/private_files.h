#pragma once
// Files and folders only their owner may read. What Varlo keeps (the store, the feed cache, the
// preview page, downloads, settings) tells which sites a user reads and when: nobody else on the
// machine should be able to read it, whatever the umask of the process.

#include <sys/types.h>

#include <string>

namespace varlo {

// The mode of every file Varlo creates for itself.
constexpr mode_t kPrivateFileMode = 0600;
// The mode of every folder Varlo creates.
constexpr mode_t kPrivateFolderMode = 0700;

// Creates each missing folder of `folder` (parents first) with kPrivateFolderMode; folders that
// exist already are left as they are. True when `folder` is a folder at the end.
bool MakeFolders(const std::string& folder);

// Takes read and write away from group and others on an existing file of this user's (a link is
// never followed). True when the file is private afterwards or does not exist.
bool MakeFilePrivate(const std::string& path);

}  // namespace varlo
