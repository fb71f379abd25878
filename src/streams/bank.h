#pragma once
// A bank: a resizable block of raw memory that programs address by byte
// offset. The logical size is what BankSize reports; the storage behind it
// (the capacity) is a multiple of 16 bytes and never smaller.

#include <cstdint>

namespace vx {

class vxBank {
 public:
  // A negative size makes an empty bank. Throws std::bad_alloc when the
  // storage cannot be had.
  explicit vxBank(int32_t size);
  virtual ~vxBank();
  vxBank(const vxBank&) = delete;
  vxBank& operator=(const vxBank&) = delete;

  char* data() const { return data_; }
  int32_t size() const { return size_; }
  int64_t capacity() const { return capacity_; }

  // Shrinking keeps the storage; growing zeroes the bytes that (re)appear,
  // and beyond the capacity moves to storage of capacity x 3 / 2 (or the new
  // size, when that is more) rounded up to 16. A negative size counts as 0.
  void resize(int32_t size);

  // True when the count bytes from offset lie inside the bank. An empty
  // range is inside up to the end; a negative count never is.
  bool contains(int32_t offset, int32_t count) const {
    return offset >= 0 && count >= 0 && static_cast<int64_t>(offset) + count - 1 < size_;
  }

 private:
  char* data_ = nullptr;
  int32_t size_ = 0;
  int64_t capacity_ = 0;
};

}  // namespace vx
