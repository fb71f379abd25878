#pragma once
// The picture the scene is drawn into: a framebuffer object of the target
// canvas's size with a colour texture and a depth buffer. Its rows are in
// the canvas's order, row 0 the top one (the device draws the scene turned
// over to match), so canvas coordinates are framebuffer coordinates and
// rows move between the two without being turned. Canvases whose layout
// OpenGL reads and writes as it is (32-bit, and 24-bit with whole-pixel
// rows) are copied straight; others are converted a row at a time.
//
// A canvas without alpha gets none from the picture: its top byte is kept
// 0 as the picture is read back. The picture's own alpha is always written
// (masking it off would slow every clear and fragment of a software
// renderer).

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/device/gl_state_cache.h"
#include "platform/canvas.h"

namespace vx {

class GlFrameBuffer {
 public:
  // Bound for drawing; null when the framebuffer cannot be completed.
  static std::unique_ptr<GlFrameBuffer> create(int width, int height);
  ~GlFrameBuffer();
  GlFrameBuffer(const GlFrameBuffer&) = delete;
  GlFrameBuffer& operator=(const GlFrameBuffer&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // The rectangle of the canvas (of the framebuffer's size) becomes the
  // picture's there.
  void uploadFrom(const Canvas& canvas, const CanvasRect& rect, GlStateCache& state);
  // The rectangle of the picture (inside both) is written into the canvas
  // in its pixel format.
  void readInto(Canvas& canvas, const CanvasRect& rect);

 private:
  GlFrameBuffer() = default;
  int width_ = 0, height_ = 0;
  GLuint framebuffer_ = 0, color_ = 0, depth_ = 0;
  std::vector<uint32_t> scratch_;
};

}  // namespace vx
