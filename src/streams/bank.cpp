#include "streams/bank.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace vx {

namespace {

int64_t roundUp16(int64_t n) { return (n + 15) & ~int64_t{15}; }

char* allocate(int64_t capacity) {
  if (capacity == 0) return nullptr;
  if (static_cast<uint64_t>(capacity) > SIZE_MAX) throw std::bad_alloc();
  auto* storage = static_cast<char*>(std::malloc(static_cast<size_t>(capacity)));
  if (!storage) throw std::bad_alloc();
  return storage;
}

}  // namespace

vxBank::vxBank(int32_t size) {
  if (size < 0) size = 0;
  capacity_ = roundUp16(size);
  data_ = allocate(capacity_);
  if (size > 0) std::memset(data_, 0, static_cast<size_t>(size));
  size_ = size;
}

vxBank::~vxBank() { std::free(data_); }

void vxBank::resize(int32_t size) {
  if (size < 0) size = 0;
  if (size <= size_) {
    size_ = size;
    return;
  }
  if (size > capacity_) {
    int64_t capacity = capacity_ * 3 / 2;
    if (capacity < size) capacity = size;
    capacity = roundUp16(capacity);
    char* storage = allocate(capacity);
    if (size_ > 0) std::memcpy(storage, data_, static_cast<size_t>(size_));
    std::free(data_);
    data_ = storage;
    capacity_ = capacity;
  }
  std::memset(data_ + size_, 0, static_cast<size_t>(size - size_));
  size_ = size;
}

}  // namespace vx
