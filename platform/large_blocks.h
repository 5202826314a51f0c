// AdviseLargeBlock: asks the system to back a large block of memory with
// huge pages where it can; ReleaseReadPages: gives the pages of a block's
// used-up front back before the block is freed.
//
// Input: a block the caller is about to fill (a mesh buffer, a reader's
// array). Output: none; where the system supports it, the block's memory
// is faulted in 2 MB at a time when first written instead of 4 KB at a time, which takes most of
// the system time out of filling arrays of tens of megabytes. Small blocks and systems without huge
// pages are left as they are.
#pragma once

#include <cstddef>

namespace torvane {

// Blocks below this size are not worth the advice.
inline constexpr size_t kLargeBlockBytes = size_t{4} << 20;

void AdviseLargeBlock(void* data, size_t bytes);

// The contents of [data, data + bytes) are no longer needed: the whole
// 2 MB pages inside it go back to the system, so a block read once from
// front to back can be released as it is read. The memory stays valid and
// reads as zeros afterwards. Only for a block nothing else reads.
void ReleaseReadPages(const void* data, size_t bytes);

// From now on the process keeps freed memory for its own reuse: blocks below
// 32 MB come from the heap rather than a mapping of their own, and up to
// 256 MB of free heap is kept rather than given back. Work that allocates
// and frees many blocks of megabytes (a software renderer's frames, a
// boolean's trees) then stops paying a page fault for every page of every
// new block. True when the allocator took the settings.
bool KeepFreedMemory();

// For a batch process that does one large piece of work: the next `bytes`
// of heap are taken from the system at once and backed by huge pages, and
// every thread allocates from that one heap (a thread's heap of its own
// would be faulted in 4 KB at a time). A boolean's trees and clean-up then
// fault in 2 MB at a time instead of one fault per 4 KB page, which on a
// virtual machine costs more than the work of filling them. Untouched
// pages of the range cost nothing. Call it first thing, after
// KeepFreedMemory; true when the range was advised.
bool BackHeapWithHugePages(size_t bytes);

}  // namespace torvane
