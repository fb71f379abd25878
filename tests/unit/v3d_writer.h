#pragma once
// Writes V3D model files chunk by chunk, for tests. It remembers where
// every chunk header and every number the reader must check lie, which is
// where the fuzz test damages copies of a file.

#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace vxtest {

class V3DWriter {
 public:
  // Opens a chunk; its length is filled in by end().
  V3DWriter& begin(const char* tag) {
    headers.push_back(bytes.size());
    bytes.insert(bytes.end(), tag, tag + 4);
    open_.push_back(bytes.size());
    return i(0);
  }
  V3DWriter& end() {
    const size_t at = open_.back();
    open_.pop_back();
    const int32_t length = static_cast<int32_t>(bytes.size() - at - 4);
    std::memcpy(&bytes[at], &length, 4);
    return *this;
  }
  V3DWriter& i(int32_t value) { return put(&value, 4); }
  V3DWriter& f(float value) { return put(&value, 4); }
  V3DWriter& f(std::initializer_list<float> values) {
    for (float v : values) f(v);
    return *this;
  }
  V3DWriter& s(const std::string& text) { return put(text.c_str(), text.size() + 1); }
  // A count or number the reader must check before trusting it.
  V3DWriter& n(int32_t value) {
    numbers.push_back(bytes.size());
    return i(value);
  }

  // The file chunk, left open.
  V3DWriter& file(int32_t version = 1) { return begin("VX3D").n(version); }
  // A node chunk with its header, left open: at (x, y, z), unscaled, turned
  // by the quaternion (w, x, y, z).
  V3DWriter& node(const std::string& name, float x = 0, float y = 0, float z = 0,
                  std::initializer_list<float> rotation = {1, 0, 0, 0}) {
    return begin("NODE").s(name).f({x, y, z, 1, 1, 1}).f(rotation);
  }
  // A vertex chunk of positions only (no normals), one coordinate set of 2.
  V3DWriter& positions(std::initializer_list<float> xyzuv) {
    begin("VRTS").n(0).n(1).n(2).f(xyzuv);
    return end();
  }
  V3DWriter& triangles(int32_t brush, std::initializer_list<int32_t> corners) {
    begin("TRIS").n(brush);
    for (int32_t c : corners) n(c);
    return end();
  }

  void save(const std::string& path) const {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }

  std::vector<uint8_t> bytes;
  std::vector<size_t> headers;  // where each chunk starts; its length follows the tag
  std::vector<size_t> numbers;  // counts, versions, brush and vertex numbers

 private:
  V3DWriter& put(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
    return *this;
  }
  std::vector<size_t> open_;
};

}  // namespace vxtest
