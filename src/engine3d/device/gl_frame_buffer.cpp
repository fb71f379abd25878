#include "engine3d/device/gl_frame_buffer.h"

#include "engine3d/device/gl_texture_cache.h"

#include <algorithm>
#include <cstring>

namespace vx {

std::unique_ptr<GlFrameBuffer> GlFrameBuffer::create(int width, int height) {
  std::unique_ptr<GlFrameBuffer> fb(new GlFrameBuffer());
  fb->width_ = width;
  fb->height_ = height;
  glGenTextures(1, &fb->color_);
  glBindTexture(GL_TEXTURE_2D, fb->color_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenRenderbuffers(1, &fb->depth_);
  glBindRenderbuffer(GL_RENDERBUFFER, fb->depth_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
  glGenFramebuffers(1, &fb->framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, fb->framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, fb->color_, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, fb->depth_);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return nullptr;
  return fb;
}

GlFrameBuffer::~GlFrameBuffer() {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteRenderbuffers(1, &depth_);
  glDeleteTextures(1, &color_);
}

void GlFrameBuffer::uploadFrom(const Canvas& canvas, GlStateCache& state) {
  const Surface& surface = canvas.surface();
  scratch_.resize(static_cast<size_t>(width_) * height_);
  // OpenGL's rows go up from the bottom.
  surfaceToArgb(surface, scratch_.data(), true);
  // Written into the colour texture, untouched by any drawing state; it is
  // unbound again so that nothing samples the picture being drawn.
  state.bindForUpload(GL_TEXTURE_2D, color_);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, scratch_.data());
  state.bindTexture(0, GL_TEXTURE_2D, 0);
}

void GlFrameBuffer::readInto(Canvas& canvas, const CanvasRect& rect) {
  const int w = rect.width(), h = rect.height();
  if (w <= 0 || h <= 0) return;
  scratch_.resize(static_cast<size_t>(w) * h);
  glReadPixels(rect.left, height_ - rect.bottom, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, scratch_.data());
  Surface& surface = canvas.surface();
  const PixelFormat& format = surface.format();
  const int bytes = format.bytesPerPixel();
  // 32-bit canvases in the framebuffer's own order take the rows as they
  // are, less the alpha they do not keep.
  const bool argb = format == PixelFormat::argb8888();
  const bool xrgb = format == PixelFormat::xrgb8888();
  for (int row = 0; row < h; ++row) {
    const uint32_t* source = scratch_.data() + static_cast<size_t>(h - 1 - row) * w;
    uint8_t* pixel = surface.pixel(rect.left, rect.top + row);
    if (argb) {
      std::memcpy(pixel, source, static_cast<size_t>(w) * 4);
    } else if (xrgb) {
      uint32_t* target = reinterpret_cast<uint32_t*>(pixel);
      for (int x = 0; x < w; ++x) target[x] = source[x] & 0x00FFFFFFu;
    } else {
      for (int x = 0; x < w; ++x, pixel += bytes) format.write(pixel, source[x]);
    }
  }
  canvas.markModified(rect);
}

}  // namespace vx
