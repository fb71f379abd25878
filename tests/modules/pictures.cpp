#include "pictures.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "program_run.h"

namespace vxtest {

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t littleEndian32(const std::string& bytes, size_t at) {
  return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
         uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
}

uint32_t bigEndian32(const std::string& bytes, size_t at) {
  return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
         uint32_t(uint8_t(bytes[at + 2])) << 8 | uint32_t(uint8_t(bytes[at + 3]));
}

}  // namespace

Picture readBmp(const std::string& path) {
  const std::string bytes = readFile(path);
  Picture b;
  if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) return b;
  const uint32_t offset = littleEndian32(bytes, 10);
  b.width = int(littleEndian32(bytes, 18));
  b.height = int(littleEndian32(bytes, 22));
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

// The header is 25 big-endian words, the window's name follows it, then
// the colour map (12 bytes an entry) and the rows of pixels.
Picture readWindow(const std::string& title) {
  char name[] = "/tmp/vxwindowXXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return {};
  close(fd);
  const std::string command = "xwd -silent -display " + testDisplay() + " -name '" + title + "' -out " + name;
  const int status = system(command.c_str());
  const std::string bytes = readFile(name);
  unlink(name);
  Picture p;
  if (status != 0 || bytes.size() < 100) return p;
  auto header = [&](int word) { return bigEndian32(bytes, size_t(word) * 4); };
  const uint32_t headerSize = header(0), width = header(4), height = header(5), byteOrder = header(7);
  const uint32_t bitsPerPixel = header(11), bytesPerLine = header(12), colors = header(19);
  const size_t start = headerSize + size_t(colors) * 12;
  if (bitsPerPixel != 32 || width > 8192 || height > 8192 || bytes.size() < start + size_t(bytesPerLine) * height)
    return p;
  p.width = int(width);
  p.height = int(height);
  p.pixels.resize(size_t(width) * height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const size_t at = start + size_t(y) * bytesPerLine + x * 4;
      const uint32_t pixel = byteOrder == 0 ? littleEndian32(bytes, at) : bigEndian32(bytes, at);
      p.pixels[size_t(y) * width + x] = pixel & 0xFFFFFF;
    }
  return p;
}

}  // namespace vxtest
