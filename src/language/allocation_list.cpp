#include "language/allocation_list.h"

#include <cstdlib>
#include <new>

namespace vx {

namespace {
// Keeps the payload aligned for any object the runtime stores in a block.
constexpr size_t kHeaderSize = 16;
static_assert(sizeof(void*) * 2 <= kHeaderSize);
}  // namespace

void* AllocationList::allocate(size_t size) {
  auto* header = static_cast<Header*>(std::calloc(1, kHeaderSize + size));
  if (!header) throw std::bad_alloc();
  header->next = head_;
  header->prev = nullptr;
  if (head_) head_->prev = header;
  head_ = header;
  ++count_;
  return reinterpret_cast<char*>(header) + kHeaderSize;
}

void AllocationList::release(void* block) {
  if (!block) return;
  auto* header = reinterpret_cast<Header*>(static_cast<char*>(block) - kHeaderSize);
  if (header->prev)
    header->prev->next = header->next;
  else
    head_ = header->next;
  if (header->next) header->next->prev = header->prev;
  --count_;
  std::free(header);
}

void AllocationList::freeAll() {
  while (head_) {
    Header* next = head_->next;
    std::free(head_);
    head_ = next;
  }
  count_ = 0;
}

AllocationList& runAllocations() {
  static AllocationList list;
  return list;
}

}  // namespace vx
