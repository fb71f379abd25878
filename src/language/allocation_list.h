#pragma once
// Every block the language runtime allocates for a run (string blocks,
// object blocks, arrays, vectors) is recorded here so that all of them can be
// freed at once when the run ends.

#include <cstddef>

namespace vx {

class AllocationList {
 public:
  // Allocates size bytes (zero-filled) and records the block.
  void* allocate(size_t size);
  // Frees one block of this list early (arrays and vectors freed by the program).
  void release(void* block);
  // Frees every recorded block.
  void freeAll();
  size_t blockCount() const { return count_; }

 private:
  struct Header {
    Header* next;
    Header* prev;
  };
  Header* head_ = nullptr;
  size_t count_ = 0;
};

// The list of the running program, shared by strings, objects and arrays.
AllocationList& runAllocations();

}  // namespace vx
