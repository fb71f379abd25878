#pragma once
// Canvases for the canvas tests, and their pixels drawn as text: one line
// per row, '#' for a pixel whose colour is not black, '.' for black.

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace vxtest {

struct NamedFormat {
  const char* name;
  vx::PixelFormat format;
};

// Test names show the format's name.
inline void PrintTo(const NamedFormat& f, std::ostream* out) { *out << f.name; }

inline std::vector<NamedFormat> canvasFormats() {
  return {{"rgb565", vx::PixelFormat::rgb565()},     {"rgb555", vx::PixelFormat::rgb555()},
          {"rgb888", vx::PixelFormat::rgb888()},     {"xrgb8888", vx::PixelFormat::xrgb8888()},
          {"argb8888", vx::PixelFormat::argb8888()}, {"argb1555", vx::PixelFormat::argb1555()}};
}

inline std::unique_ptr<vx::Canvas> makeCanvas(int width, int height,
                                              const vx::PixelFormat& format = vx::PixelFormat::xrgb8888(),
                                              int flags = 0) {
  vx::SurfaceContext context;
  context.frontFormat = format;
  return vx::Canvas::create(nullptr, width, height, flags, context);
}

inline std::string picture(vx::Canvas& canvas) {
  std::string text;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) text += (canvas.getPixelFast(x, y) & 0xFFFFFF) ? '#' : '.';
    text += '\n';
  }
  return text;
}

// Rows given one string each, joined as picture() writes them.
inline std::string rows(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) (text += line) += '\n';
  return text;
}

}  // namespace vxtest
