#include "engine3d/device/gl_frame_buffer.h"

#include <emmintrin.h>

namespace vx {

namespace {

// How OpenGL takes a surface's rows as they are in memory; format 0 when it
// cannot.
struct Layout {
  GLenum format = 0, type = 0;
  GLint rowLength = 0;
  bool dropAlpha = false;  // 32 bits whose top byte is not alpha: it is kept 0
};

Layout layoutOf(const Surface& surface) {
  const PixelFormat& f = surface.format();
  Layout layout;
  if (f == PixelFormat::argb8888())
    layout = {GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 0};
  else if (f == PixelFormat::xrgb8888())
    layout = {GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 0, true};
  else if (f == PixelFormat::rgb888())
    layout = {GL_BGR, GL_UNSIGNED_BYTE, 0};
  else
    return {};
  const int bytes = f.bytesPerPixel();
  if (surface.pitch() % bytes != 0) return {};
  layout.rowLength = surface.pitch() / bytes;
  return layout;
}

}  // namespace

std::unique_ptr<GlFrameBuffer> GlFrameBuffer::create(int width, int height) {
  std::unique_ptr<GlFrameBuffer> fb(new GlFrameBuffer());
  fb->width_ = width;
  fb->height_ = height;
  glGenTextures(1, &fb->color_);
  glBindTexture(GL_TEXTURE_2D, fb->color_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  // Unsized, the picture is stored in the order it is read back in: reading
  // it into a canvas is a copy rather than a swizzle per pixel.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenRenderbuffers(1, &fb->depth_);
  glBindRenderbuffer(GL_RENDERBUFFER, fb->depth_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
  glGenFramebuffers(1, &fb->framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, fb->framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, fb->color_, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, fb->depth_);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return nullptr;
  // A borrowed context may hold any mask; the picture starts clear.
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  return fb;
}

GlFrameBuffer::~GlFrameBuffer() {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteRenderbuffers(1, &depth_);
  glDeleteTextures(1, &color_);
}

void GlFrameBuffer::uploadFrom(const Canvas& canvas, const CanvasRect& rect, GlStateCache& state) {
  const int w = rect.width(), h = rect.height();
  if (w <= 0 || h <= 0) return;
  const Surface& surface = canvas.surface();
  const Layout layout = layoutOf(surface);
  // Written into the colour texture, untouched by any drawing state; it is
  // unbound again so that nothing samples the picture being drawn.
  state.bindForUpload(GL_TEXTURE_2D, color_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (layout.format) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, layout.rowLength);
    glTexSubImage2D(GL_TEXTURE_2D, 0, rect.left, rect.top, w, h, layout.format, layout.type,
                    surface.pixel(rect.left, rect.top));
  } else {
    scratch_.resize(static_cast<size_t>(w) * h);
    for (int row = 0; row < h; ++row)
      surface.format().toArgbRow(surface.pixel(rect.left, rect.top + row), scratch_.data() + size_t(row) * w, w);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, rect.left, rect.top, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                    scratch_.data());
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  state.bindTexture(0, GL_TEXTURE_2D, 0);
}

void GlFrameBuffer::readInto(Canvas& canvas, const CanvasRect& rect) {
  const int w = rect.width(), h = rect.height();
  if (w <= 0 || h <= 0) return;
  Surface& surface = canvas.surface();
  const Layout layout = layoutOf(surface);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (layout.format) {
    glPixelStorei(GL_PACK_ROW_LENGTH, layout.rowLength);
    glReadPixels(rect.left, rect.top, w, h, layout.format, layout.type, surface.pixel(rect.left, rect.top));
    if (layout.dropAlpha) {
      const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
      for (int row = 0; row < h; ++row) {
        uint32_t* pixels = reinterpret_cast<uint32_t*>(surface.pixel(rect.left, rect.top + row));
        int x = 0;
        for (; x + 4 <= w; x += 4) {
          auto* four = reinterpret_cast<__m128i*>(pixels + x);
          _mm_storeu_si128(four, _mm_and_si128(_mm_loadu_si128(four), colour));
        }
        for (; x < w; ++x) pixels[x] &= 0x00FFFFFFu;
      }
    }
  } else {
    scratch_.resize(static_cast<size_t>(w) * h);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(rect.left, rect.top, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, scratch_.data());
    for (int row = 0; row < h; ++row)
      surface.format().fromArgbRow(scratch_.data() + size_t(row) * w, surface.pixel(rect.left, rect.top + row), w);
  }
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  canvas.markModified(rect);
}

}  // namespace vx
