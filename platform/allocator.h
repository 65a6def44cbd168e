#pragma once
// How the program asks the C library's allocator and the system to treat large blocks.

#include <cstddef>
#include <string>

namespace varlo {

// Makes every large block (a downloaded feed, the text of a document) come from the system and
// go back to it when freed, at a fixed threshold. The allocator would otherwise raise its
// threshold after the first large block is freed, and later feeds would leave their memory in the
// heap: loading a document then takes noticeably more than its tree. Called once at start-up.
void KeepLargeBlocksOutOfTheHeap();

// The system's page size in bytes.
std::size_t SystemPageSize();

// Grows the heap by `bytes` at once and asks the system to back that part with huge pages. A
// feed's articles are thousands of small blocks; each new small page they fill costs a page fault,
// which on a virtual machine costs more than the bytes it serves. A huge page is one fault for 512
// of them. The heap keeps what it grew rather than giving it back at each free. For a process that
// reads feeds and ends (the command line). Called once at start-up, after the allocator's other
// settings.
void GrowHeapOnHugePages(std::size_t bytes);

// Asks the system to back the whole pages of a large block with huge pages where it can: a block
// of megabytes is otherwise filled one small page (and one page fault) at a time, which costs
// more than the work done on its bytes. Small blocks are left alone.
void AdviseHugePages(void* block, std::size_t bytes);

// Makes the system back the whole pages of a block with memory now, in one call, rather than at
// one page fault per page as they are first written: on a virtual machine a fault costs more than
// the bytes it serves. For a block about to be filled whole (a file read into it). Small blocks
// and systems that cannot are left alone.
void PopulatePages(void* block, std::size_t bytes);

// Gives the whole pages of `text`'s buffer past its end back to the system, without moving the
// text (a shrink would copy it). What lies past the end is never read, so the pages may go.
void ReleaseUnusedCapacity(std::string& text);

// Gives back to the system the whole pages lying inside [begin, begin + size) of a block still in
// use, whose bytes will never be read again (they would read as zeros). Answers where the pages
// given back end (`begin` when there were none).
const char* ReleasePagesWithin(const char* begin, std::size_t size);

}  // namespace varlo
