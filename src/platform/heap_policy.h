#pragma once
// How the process's heap treats large blocks.

namespace vx {

// Blocks of up to 32 MiB come from the heap, and up to 64 MiB of freed heap
// is kept, instead of each large block being a fresh mapping given back
// when freed. Loaders and a software OpenGL take and free megabytes per
// load or frame; a fresh mapping costs a page fault for every 4 KiB
// touched. Set once, at the start of the process.
void keepLargeBlocksInHeap();

}  // namespace vx
