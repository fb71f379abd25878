#pragma once
// Writes 3D Studio files chunk by chunk, for tests: each chunk's length is
// filled in when it ends.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace vxtest {

class ThreeDSWriter {
 public:
  ThreeDSWriter& begin(uint16_t id) {
    w(id);
    open_.push_back(bytes.size());
    return i(0);
  }
  ThreeDSWriter& end() {
    const size_t at = open_.back();
    open_.pop_back();
    const uint32_t length = static_cast<uint32_t>(bytes.size() - at + 2);
    std::memcpy(&bytes[at], &length, 4);
    return *this;
  }
  ThreeDSWriter& w(uint16_t value) { return put(&value, 2); }
  ThreeDSWriter& i(uint32_t value) { return put(&value, 4); }
  ThreeDSWriter& f(std::initializer_list<float> values) {
    for (float v : values) put(&v, 4);
    return *this;
  }
  ThreeDSWriter& s(const std::string& text) { return put(text.c_str(), text.size() + 1); }

  // A key-framer track of keys (frame, then the value's floats), without
  // spline values.
  ThreeDSWriter& track(uint16_t id, std::initializer_list<std::initializer_list<float>> keys) {
    begin(id).w(0).i(0).i(0).w(static_cast<uint16_t>(keys.size())).w(0);
    for (const auto& key : keys) {
      i(static_cast<uint32_t>(*key.begin()));
      w(0);
      for (auto v = key.begin() + 1; v != key.end(); ++v) f({*v});
    }
    return end();
  }

  std::vector<uint8_t> bytes;

 private:
  ThreeDSWriter& put(const void* data, size_t size) {
    bytes.insert(bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return *this;
  }
  std::vector<size_t> open_;
};

}  // namespace vxtest
