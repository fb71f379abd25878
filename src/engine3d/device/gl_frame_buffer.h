#pragma once
// The picture the scene is drawn into: a framebuffer object of the target
// canvas's size with a colour texture and a depth buffer. OpenGL keeps rows
// bottom up and canvases top down; the copies between them turn the rows
// over, so canvas coordinates map onto the framebuffer with y reversed.

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
  // The whole canvas (of the framebuffer's size) becomes the picture.
  void uploadFrom(const Canvas& canvas, GlStateCache& state);
  // The rectangle of the picture (canvas coordinates, inside both) is
  // written into the canvas in its pixel format.
  void readInto(Canvas& canvas, const CanvasRect& rect);

 private:
  GlFrameBuffer() = default;
  int width_ = 0, height_ = 0;
  GLuint framebuffer_ = 0, color_ = 0, depth_ = 0;
  std::vector<uint32_t> scratch_;
};

}  // namespace vx
