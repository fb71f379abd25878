#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace vx {

namespace {

constexpr size_t kRowAlignment = 16;

int roundUpToPowerOfTwo(int v) {
  int p = 1;
  while (p < v && p < Surface::kMaxSide) p <<= 1;
  return p;
}

}  // namespace

std::unique_ptr<Surface> Surface::create(int width, int height, const PixelFormat& format, Contents contents) {
  if (!format.valid() || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
  // Rows start 16-byte aligned so that whole rows can be filled in wide stores.
  const int64_t pitch = (int64_t(width) * format.bytesPerPixel() + kRowAlignment - 1) & ~int64_t(kRowAlignment - 1);
  const int64_t bytes = pitch * height;
  if (bytes > kMaxBytes) return nullptr;
  void* memory = std::aligned_alloc(kRowAlignment, static_cast<size_t>(bytes));
  if (!memory) return nullptr;
  if (contents == kZeroed) std::memset(memory, 0, static_cast<size_t>(bytes));
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

std::shared_ptr<Surface> createSurface(int width, int height, int32_t flags, const SurfaceContext& context,
                                       Surface::Contents contents) {
  const PixelFormat format = surfaceFormat(flags, context);
  const bool texture = flags & kCanvasTexture;
  if (texture) adaptTextureSize(width, height, context.textureLimits);
  std::unique_ptr<Surface> surface = Surface::create(width, height, format, contents);
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

CanvasRect stretchCopy(Surface& dest, int x, int y, int width, int height, const Surface& source, int sourceX,
                       int sourceY, int sourceWidth, int sourceHeight) {
  if (width <= 0 || height <= 0) return {};
  const int left = std::max(x, 0), top = std::max(y, 0);
  const int right = static_cast<int>(std::min<int64_t>(int64_t(x) + width, dest.width()));
  const int bottom = static_cast<int>(std::min<int64_t>(int64_t(y) + height, dest.height()));
  if (left >= right || top >= bottom) return {};
  const PixelFormat& from = source.format();
  const PixelFormat& to = dest.format();
  const int db = to.bytesPerPixel();
  const bool same = from == to;
  // Source points outside the source read as black.
  const uint32_t black = to.toNative(0);
  // The source column of each destination column, or -1; and the span of
  // source columns read, which is all a row of another format converts.
  std::vector<int32_t> columns(right - left);
  int32_t first = source.width(), last = -1;
  for (int i = left; i < right; ++i) {
    const int64_t sx = sourceX + int64_t(i - x) * sourceWidth / width;
    const bool inside = sx >= 0 && sx < source.width();
    columns[i - left] = inside ? int32_t(sx) : -1;
    if (inside) first = std::min(first, int32_t(sx)), last = std::max(last, int32_t(sx));
  }
  // Unscaled rows of one format inside the source are copied whole.
  const bool whole = same && sourceWidth == width && columns.front() >= 0 && columns.back() >= 0;
  std::vector<uint8_t> converted(same || last < first ? 0 : size_t(last - first + 1) * db);
  int64_t convertedRow = -1;
  for (int j = top; j < bottom; ++j) {
    const int64_t sy = sourceY + int64_t(j - y) * sourceHeight / height;
    const bool rowInside = sy >= 0 && sy < source.height() && last >= first;
    uint8_t* out = dest.pixel(left, j);
    if (rowInside && whole) {
      std::memcpy(out, source.pixel(columns.front(), int(sy)), size_t(right - left) * db);
      continue;
    }
    // The row's pixels in the destination's format, source column c at
    // (c - base) pixels.
    const uint8_t* row = nullptr;
    int32_t base = 0;
    if (rowInside && same) {
      row = source.row(int(sy));
    } else if (rowInside) {
      if (sy != convertedRow) {
        convertRow(from, source.pixel(first, int(sy)), to, converted.data(), last - first + 1);
        convertedRow = sy;
      }
      row = converted.data();
      base = first;
    }
    for (int32_t column : columns) {
      to.store(out, row && column >= 0 ? to.load(row + (column - base) * db) : black);
      out += db;
    }
  }
  return {left, top, right, bottom};
}

}  // namespace vx
