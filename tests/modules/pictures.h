#pragma once
// Pictures the tests read back: BMP files that programs save, and XWD
// dumps of windows of the test X server (xwd).

#include <cstdint>
#include <string>
#include <vector>

namespace vxtest {

// Rows of 0xRRGGBB, top row first; empty when the file could not be read.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  bool empty() const { return pixels.empty(); }
};

// A 24-bit bottom-up BMP file.
Picture readBmp(const std::string& path);

// The window of the test X server whose name is title, as xwd dumps it
// (32-bit pixels of a TrueColor visual).
Picture readWindow(const std::string& title);

}  // namespace vxtest
