#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace vx {

namespace {

constexpr size_t kRowAlignment = 16;

int roundUpToPowerOfTwo(int v) {
  int p = 1;
  while (p < v && p < Surface::kMaxSide) p <<= 1;
  return p;
}

}  // namespace

std::unique_ptr<Surface> Surface::create(int width, int height, const PixelFormat& format) {
  if (!format.valid() || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
  // Rows start 16-byte aligned so that whole rows can be filled in wide stores.
  const int64_t pitch = (int64_t(width) * format.bytesPerPixel() + kRowAlignment - 1) & ~int64_t(kRowAlignment - 1);
  const int64_t bytes = pitch * height;
  if (bytes > kMaxBytes) return nullptr;
  void* memory = std::aligned_alloc(kRowAlignment, static_cast<size_t>(bytes));
  if (!memory) return nullptr;
  std::memset(memory, 0, static_cast<size_t>(bytes));
  std::unique_ptr<Surface> s(new (std::nothrow) Surface);
  if (!s) {
    std::free(memory);
    return nullptr;
  }
  s->width_ = width;
  s->height_ = height;
  s->pitch_ = static_cast<int32_t>(pitch);
  s->format_ = format;
  s->bits_ = static_cast<uint8_t*>(memory);
  s->owned_ = true;
  return s;
}

std::unique_ptr<Surface> Surface::wrap(uint8_t* bits, int32_t pitch, int width, int height,
                                       const PixelFormat& format) {
  if (!bits || !format.valid() || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      int64_t(pitch) < int64_t(width) * format.bytesPerPixel())
    return nullptr;
  std::unique_ptr<Surface> s(new (std::nothrow) Surface);
  if (!s) return nullptr;
  s->width_ = width;
  s->height_ = height;
  s->pitch_ = pitch;
  s->format_ = format;
  s->bits_ = bits;
  return s;
}

Surface::~Surface() {
  if (owned_) std::free(bits_);
}

bool Surface::addMipmapChain() {
  int w = width_, h = height_;
  while (w > 1 || h > 1) {
    w = std::max(1, w / 2);
    h = std::max(1, h / 2);
    std::unique_ptr<Surface> level = create(w, h, format_);
    if (!level) return false;
    mipmaps_.push_back(std::move(level));
  }
  return true;
}

TextureFormats TextureFormats::standard() {
  TextureFormats t;
  t.masked = t.colorAlpha = t.alphaOnly = PixelFormat::argb8888();
  t.color = PixelFormat::xrgb8888();
  t.masked16 = PixelFormat::argb1555();
  t.colorAlpha16 = t.alphaOnly16 = PixelFormat::argb4444();
  t.color16 = PixelFormat::rgb565();
  return t;
}

PixelFormat surfaceFormat(int32_t flags, const SurfaceContext& context) {
  if (flags & (kCanvasColor | kCanvasAlpha | kCanvasMasked)) {
    const TextureFormats standard = TextureFormats::standard();
    const TextureFormats& t = context.textureFormats ? *context.textureFormats : standard;
    const bool high = flags & kCanvasHighColor;
    if (flags & kCanvasMasked) return high ? t.masked16 : t.masked;
    if (!(flags & kCanvasAlpha)) return high ? t.color16 : t.color;
    if (flags & kCanvasColor) return high ? t.colorAlpha16 : t.colorAlpha;
    return high ? t.alphaOnly16 : t.alphaOnly;
  }
  if (!(flags & kCanvasTexture) && (flags & kCanvasArgbSystemMemory)) return PixelFormat::argb8888();
  return context.frontFormat;
}

void adaptTextureSize(int& width, int& height, const TextureLimits* limits) {
  if (!limits) {
    width = height = 256;
    return;
  }
  int w = std::max(1, width), h = std::max(1, height);
  if (limits->powerOfTwo) {
    w = roundUpToPowerOfTwo(w);
    h = roundUpToPowerOfTwo(h);
  }
  if (limits->square) w = h = std::max(w, h);
  if (limits->maxAspect > 0) {
    if (w / h > limits->maxAspect)
      h = std::max(1, w / limits->maxAspect);
    else if (h / w > limits->maxAspect)
      w = std::max(1, h / limits->maxAspect);
  }
  w = std::clamp(w, std::max(1, limits->minWidth), std::max(std::max(1, limits->minWidth), limits->maxWidth));
  h = std::clamp(h, std::max(1, limits->minHeight), std::max(std::max(1, limits->minHeight), limits->maxHeight));
  width = w;
  height = h;
}

std::shared_ptr<Surface> createSurface(int width, int height, int32_t flags, const SurfaceContext& context) {
  const PixelFormat format = surfaceFormat(flags, context);
  const bool texture = flags & kCanvasTexture;
  if (texture) adaptTextureSize(width, height, context.textureLimits);
  std::unique_ptr<Surface> surface = Surface::create(width, height, format);
  if (!surface) return nullptr;
  if (texture && (flags & kCanvasCubeMap)) {
    for (int i = 0; i < 5; ++i) {
      std::unique_ptr<Surface> face = Surface::create(width, height, format);
      if (!face) return nullptr;
      surface->otherFaces().push_back(std::move(face));
    }
  }
  if (texture && (flags & kCanvasMipmap)) {
    if (!surface->addMipmapChain()) return nullptr;
    for (auto& face : surface->otherFaces())
      if (!face->addMipmapChain()) return nullptr;
  }
  return std::shared_ptr<Surface>(std::move(surface));
}

}  // namespace vx
