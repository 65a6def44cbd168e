#pragma once
// The most the library keeps of each text of an article. A feed may give any of them at any
// length, and a feed-level value (its author) is repeated into every article: without a cap one
// megabyte of author in a feed of a thousand entries stores a gigabyte.

#include <cstddef>
#include <string_view>

namespace varlo {

inline constexpr size_t kMaxTitleBytes = 2048;
inline constexpr size_t kMaxAuthorBytes = 2048;
inline constexpr size_t kMaxCategoryBytes = 2048;
inline constexpr size_t kMaxLinkBytes = 8192;
// A longer key is kept as its hash alone (see StoredArticleKey in store/library.h).
inline constexpr size_t kMaxKeyBytes = 1024;

// The longest start of `utf8` of at most `most` bytes that ends between two characters.
inline std::string_view CapUtf8(std::string_view utf8, size_t most) {
    if (utf8.size() <= most) return utf8;
    size_t end = most;
    // A continuation byte (10xxxxxx) belongs to the character begun before it.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    return utf8.substr(0, end);
}

}  // namespace varlo
