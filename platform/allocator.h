#pragma once
// How the program asks the C library's allocator to treat large blocks.

namespace varlo {

// Makes every large block (a downloaded feed, the text of a document) come from the system and
// go back to it when freed, at a fixed threshold. The allocator would otherwise raise its
// threshold after the first large block is freed, and later feeds would leave their memory in the
// heap: loading a document then takes noticeably more than its tree. Called once at start-up.
void KeepLargeBlocksOutOfTheHeap();

}  // namespace varlo
