#pragma once
// Reading little-endian values out of a range of bytes, never past its end:
// a read that does not fit fails, reads nothing and leaves the reader
// where it was. Model file loaders read every count, offset and length
// through it, so a damaged file can only make them stop early.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace vx {

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const uint8_t* data, size_t size) : data_(data), end_(data + size) {}

  size_t remaining() const { return static_cast<size_t>(end_ - data_); }
  bool atEnd() const { return data_ == end_; }

  bool read(int32_t& value) { return copy(&value, 4); }
  bool read(uint32_t& value) { return copy(&value, 4); }
  bool read(float& value) { return copy(&value, 4); }
  bool read(uint16_t& value) { return copy(&value, 2); }
  bool read(uint8_t& value) { return copy(&value, 1); }
  // Bytes up to a 0 byte, which is passed; fails when there is none.
  bool read(std::string& text) {
    if (atEnd()) return false;
    const void* zero = std::memchr(data_, 0, remaining());
    if (!zero) return false;
    const auto* stop = static_cast<const uint8_t*>(zero);
    text.assign(reinterpret_cast<const char*>(data_), stop - data_);
    data_ = stop + 1;
    return true;
  }
  // Several values in a row; all or none.
  template <typename... Values>
  bool readAll(Values&... values) {
    const uint8_t* start = data_;
    if ((read(values) && ...)) return true;
    data_ = start;
    return false;
  }

  // The next size bytes as a reader of their own, passed over here; fails
  // when fewer remain.
  bool take(size_t size, ByteReader& part) {
    if (size > remaining()) return false;
    part = ByteReader(data_, size);
    data_ += size;
    return true;
  }
  bool skip(size_t size) {
    if (size > remaining()) return false;
    data_ += size;
    return true;
  }

 private:
  bool copy(void* value, size_t size) {
    if (size > remaining()) return false;
    std::memcpy(value, data_, size);  // the machine is little-endian, as the files are
    data_ += size;
    return true;
  }

  const uint8_t* data_ = nullptr;
  const uint8_t* end_ = nullptr;
};

}  // namespace vx
