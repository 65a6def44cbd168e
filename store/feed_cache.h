#pragma once
// The last body of each feed, kept so that a "not modified" answer can be read as the body it
// stands for. One file per feed address in a private folder; every file is written to a
// temporary file first and renamed into place, so a reader sees the old body or the new one.

#include <string>

#include "platform/text.h"

namespace varlo {

class CFeedCache {
  public:
    // A cache in `folder`; an empty folder makes a cache that holds nothing and stores nothing.
    explicit CFeedCache(std::string folder) : m_folder(std::move(folder)) {}

    // Whether the cache can store anything.
    bool Usable() const { return !m_folder.empty(); }
    // The path of the cached body of the feed at `url` (system text); empty when unusable.
    std::string BodyPath(const Text& url) const;
    // True when a body is cached for `url`.
    bool HasBody(const Text& url) const;
    // A new, empty temporary file in the cache folder (created exclusively, mode 0600); its path,
    // with its open descriptor in `fd`; empty on failure.
    std::string CreateTemp(int* fd) const;
    // Renames a temporary file of this cache into place as the body of `url`.
    bool Commit(const std::string& tempPath, const Text& url) const;
    // Copies the file at `source` into place as the body of `url`, through a temporary file.
    bool StoreCopy(const std::string& source, const Text& url) const;
    // Removes the body of `url`, if any.
    void Remove(const Text& url) const;

  private:
    std::string m_folder;
};

}  // namespace varlo
