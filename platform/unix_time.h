#pragma once
// The time of the wall clock in whole seconds since 1970, as the store keeps every time.

#include <cstdint>
#include <ctime>

namespace varlo {

inline int64_t UnixNow() {
    return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace varlo
