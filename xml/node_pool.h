#pragma once
// Memory for XML nodes. A feed of a few megabytes has hundreds of thousands of small nodes, built
// and dropped together; carving them from large slabs makes both much cheaper than one heap block
// each, and the slabs go back to the heap as soon as no node is alive.

#include <cstddef>

namespace varlo::xmlpool {

// A block of at least `size` bytes for a node.
void* Allocate(std::size_t size);
// Returns a block from Allocate with the same size.
void Free(void* block, std::size_t size) noexcept;
// Number of blocks of the calling thread's pool handed out and not yet returned.
std::size_t LiveBlocks();

}  // namespace varlo::xmlpool
