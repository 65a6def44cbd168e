#include "platform/allocator.h"

#include <malloc.h>

namespace varlo {

void KeepLargeBlocksOutOfTheHeap() {
    // The allocator's own starting value; setting it at all keeps it from moving.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

}  // namespace varlo
