#pragma once
// Reading back the BMP files SaveBuffer writes.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vxtest {

// A 24-bit bottom-up BMP file as rows of 0xRRGGBB, top row first.
struct Bitmap {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

inline Bitmap readBmp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  Bitmap b;
  auto u32 = [&](size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
           uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
  };
  if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) return b;
  const uint32_t offset = u32(10);
  b.width = int(u32(18));
  b.height = int(u32(22));
  const size_t pitch = (size_t(b.width) * 3 + 3) & ~size_t(3);
  if (bytes.size() < offset + pitch * b.height) return {};
  b.pixels.resize(size_t(b.width) * b.height);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      const size_t p = offset + (b.height - 1 - y) * pitch + x * 3;
      b.pixels[size_t(y) * b.width + x] =
          uint32_t(uint8_t(bytes[p + 2])) << 16 | uint32_t(uint8_t(bytes[p + 1])) << 8 | uint8_t(bytes[p]);
    }
  return b;
}

}  // namespace vxtest
