#include "platform/window_presenter.h"

#include <algorithm>

#include "platform/canvas.h"
#include "platform/window_gl.h"

namespace vx {

namespace {

// The SDL layout of a canvas format, or 0 when the pixels must be converted.
uint32_t sdlFormatOf(const PixelFormat& f) {
  if (f == PixelFormat::rgb565()) return SDL_PIXELFORMAT_RGB565;
  if (f == PixelFormat::rgb555()) return SDL_PIXELFORMAT_RGB555;
  if (f == PixelFormat::rgb888()) return SDL_PIXELFORMAT_BGR24;  // bytes B, G, R
  if (f == PixelFormat::xrgb8888() || f == PixelFormat::argb8888()) return SDL_PIXELFORMAT_RGB888;
  return 0;
}

// Whether OpenGL takes the canvas's rows as they are: 32-bit ones, and
// 24-bit ones whose rows hold whole pixels. Others show as converted, so
// that the window shows the very colours the canvas reads back.
bool glTakesRows(const Canvas& canvas) {
  const PixelFormat& f = canvas.format();
  if (f == PixelFormat::xrgb8888() || f == PixelFormat::argb8888()) return true;
  return f == PixelFormat::rgb888() && canvas.pitch() % 3 == 0;
}

}  // namespace

SDL_Rect letterboxRect(int width, int height, int outWidth, int outHeight) {
  if (int64_t(outWidth) * height > int64_t(outHeight) * width) {
    const int w = static_cast<int>(int64_t(outHeight) * width / height);
    return {(outWidth - w) / 2, 0, w, outHeight};
  }
  const int h = static_cast<int>(int64_t(outWidth) * height / width);
  return {0, (outHeight - h) / 2, outWidth, h};
}

namespace {

bool windowShown() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || SDL_strcmp(driver, "dummy") != 0) return true;
  const char* asked = SDL_getenv("VX_PRESENT_HEADLESS");
  return asked && SDL_strcmp(asked, "1") == 0;
}

}  // namespace

WindowPresenter::WindowPresenter(SDL_Window* window)
    : window_(window), shows_(windowShown()), gl_(WindowGL::create(window)) {}

WindowPresenter::~WindowPresenter() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
}

const uint32_t* WindowPresenter::convert(const Canvas& canvas, const uint16_t (*ramps)[256]) {
  const int width = canvas.width(), height = canvas.height();
  converted_.resize(size_t(width) * height);
  const PixelFormat& format = canvas.format();
  for (int y = 0; y < height; ++y) {
    uint32_t* row = converted_.data() + size_t(y) * width;
    format.toArgbRow(canvas.bits() + static_cast<intptr_t>(y) * canvas.pitch(), row, width);
    if (!ramps) continue;
    for (int x = 0; x < width; ++x) {
      const uint32_t argb = row[x];
      row[x] = uint32_t(ramps[0][(argb >> 16) & 255] >> 8) << 16 | uint32_t(ramps[1][(argb >> 8) & 255] >> 8) << 8 |
               (ramps[2][argb & 255] >> 8);
    }
  }
  return converted_.data();
}

bool WindowPresenter::present(const Canvas& canvas, PresentFit fit, const uint16_t (*ramps)[256]) {
  if (!shows_) {
    ++frames_;
    return true;
  }
  if (!gl_) return presentWithRenderer(canvas, fit, ramps);
  int outWidth = 0, outHeight = 0;
  gl_->drawableSize(outWidth, outHeight);
  shown_ = fit == PresentFit::Letterbox ? letterboxRect(canvas.width(), canvas.height(), outWidth, outHeight)
                                        : SDL_Rect{0, 0, outWidth, outHeight};
  gl_->show(canvas, shown_, ramps || !glTakesRows(canvas) ? convert(canvas, ramps) : nullptr);
  ++frames_;
  return true;
}

// SDL's software renderer: the window's own surface, without OpenGL.
bool WindowPresenter::prepare(int width, int height, uint32_t format) {
  if (!renderer_) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) return false;
  }
  if (texture_ && textureWidth_ == width && textureHeight_ == height && textureFormat_ == format) return true;
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!texture_) return false;
  SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
  textureWidth_ = width;
  textureHeight_ = height;
  textureFormat_ = format;
  return true;
}

bool WindowPresenter::presentWithRenderer(const Canvas& canvas, PresentFit fit, const uint16_t (*ramps)[256]) {
  const int width = canvas.width(), height = canvas.height();
  const uint32_t direct = ramps ? 0 : sdlFormatOf(canvas.format());
  if (!prepare(width, height, direct ? direct : uint32_t(SDL_PIXELFORMAT_RGB888))) return false;
  if (direct)
    SDL_UpdateTexture(texture_, nullptr, canvas.bits(), canvas.pitch());
  else
    SDL_UpdateTexture(texture_, nullptr, convert(canvas, ramps), width * 4);

  int outWidth = 0, outHeight = 0;
  SDL_GetRendererOutputSize(renderer_, &outWidth, &outHeight);
  shown_ = fit == PresentFit::Letterbox ? letterboxRect(width, height, outWidth, outHeight)
                                        : SDL_Rect{0, 0, outWidth, outHeight};
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, &shown_);
  SDL_RenderPresent(renderer_);
  ++frames_;
  return true;
}

}  // namespace vx
