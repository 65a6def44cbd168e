#pragma once
// What the store keeps of an article's key (the readers give every article its key).

#include <cstdint>
#include <string_view>

namespace varlo {

// A fixed-size hash of a key, so that a feed of huge keys cannot fill the disk. Two keys of one
// feed share a hash with a chance of about one in 10^14 for 200,000 keys.
uint64_t HashArticleKey(std::string_view key);

}  // namespace varlo
