#include "platform/heap_policy.h"

#include <malloc.h>

namespace vx {

void keepLargeBlocksInHeap() {
  constexpr int kLargestHeapBlock = 32 << 20;
  constexpr int kKeptFreeHeap = 64 << 20;
  mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
  mallopt(M_TRIM_THRESHOLD, kKeptFreeHeap);
}

}  // namespace vx
