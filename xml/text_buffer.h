#pragma once
// The buffers a document's text is read into. A feed is read whole into a buffer of up to
// megabytes; memory fresh from the system costs a fault and a zeroing per page at its first write,
// which on a virtual machine costs more than reading the file (about 3 ms per megabyte). The last
// buffer a document gave back is kept for the next one (the next site of an update, the next site
// chosen), up to a size, so that reading one feed after another reuses its memory.

#include <cstddef>
#include <string>

namespace varlo {

// Buffers up to this size are kept for the next reading; larger ones go back to the system, and
// their pages go back while they are read.
inline constexpr size_t kKeptTextBufferBytes = size_t{16} << 20;

// An empty text whose capacity holds at least `bytes`: the kept buffer when it is large enough,
// else a new one. `reused` says which.
std::string TakeTextBuffer(size_t bytes, bool* reused = nullptr);

// Keeps `buffer` for the next reading when it is of the size worth keeping; else frees it.
void KeepTextBuffer(std::string&& buffer);

}  // namespace varlo
