#pragma once
// Deterministic feeds for the benchmarks: RSS 2.0, RSS 1.0 and Atom 1.0 with Japanese UTF-8 text.

#include <cstddef>
#include <string>

namespace varlo::bench {

enum class FeedKind { Rss20, Rss10, Atom10 };

// A feed of about `bytes` bytes (or of exactly `items` items when `items` is not 0).
std::string GenerateFeed(FeedKind kind, size_t bytes, size_t items = 0);
// Writes bytes to a file; false on failure.
bool WriteBenchFile(const std::string& path, const std::string& bytes);

}  // namespace varlo::bench
