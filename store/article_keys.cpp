#include "store/article_keys.h"

namespace varlo {

uint64_t HashArticleKey(std::string_view key) {
    // FNV-1a over the bytes, then a final mix so that keys differing only at the end still
    // differ in every bit.
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ULL;
    hash ^= hash >> 33;
    return hash;
}

}  // namespace varlo
