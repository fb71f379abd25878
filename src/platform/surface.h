#pragma once
// Pixel memory in one pixel format: what a canvas draws on. A surface owns
// its rows (or borrows someone else's, such as a decoded image's), and may
// carry the lower levels of a mipmap chain and, for a cube map, the five
// other faces.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/pixel_format.h"

namespace vx {

// Canvas flags (shared with textures).
enum CanvasFlags : int32_t {
  kCanvasColor = 0x1,
  kCanvasAlpha = 0x2,
  kCanvasMasked = 0x4,
  kCanvasMipmap = 0x8,
  kCanvasCubeMap = 0x80,
  kCanvasVideoMemory = 0x100,
  kCanvasHighColor = 0x200,
  kCanvasTexture = 0x1000,
  kCanvasSystemMemory = 0x2000,
  kCanvasArgbSystemMemory = 0x4000,
};

// A rectangle of pixels; right and bottom are exclusive.
struct CanvasRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(int64_t x, int64_t y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const CanvasRect&) const = default;
};

class Surface {
 public:
  // Largest side accepted, and the largest pixel memory of one surface.
  static constexpr int kMaxSide = 32768;
  static constexpr int64_t kMaxBytes = int64_t(1) << 29;

  // A surface with its own memory, zeroed unless whoever makes it writes
  // every pixel before any is read; null when the size or format is
  // unusable or the memory cannot be had.
  enum Contents { kZeroed, kWrittenFirst };
  static std::unique_ptr<Surface> create(int width, int height, const PixelFormat& format,
                                         Contents contents = kZeroed);
  // A surface over memory owned elsewhere, rows pitch bytes apart.
  static std::unique_ptr<Surface> wrap(uint8_t* bits, int32_t pitch, int width, int height,
                                       const PixelFormat& format);

  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  int32_t pitch() const { return pitch_; }
  const PixelFormat& format() const { return format_; }
  uint8_t* bits() const { return bits_; }
  uint8_t* row(int y) const { return bits_ + static_cast<intptr_t>(y) * pitch_; }
  uint8_t* pixel(int x, int y) const { return row(y) + x * format_.bytesPerPixel(); }

  // Lower mipmap levels, each half the size of the one above (at least 1).
  std::vector<std::unique_ptr<Surface>>& mipmaps() { return mipmaps_; }
  const std::vector<std::unique_ptr<Surface>>& mipmaps() const { return mipmaps_; }
  // Adds levels down to 1 by 1; false when memory runs out.
  bool addMipmapChain();

  // A cube map's faces besides this one (+X): -X, +Z, -Z, +Y, -Y.
  std::vector<std::unique_ptr<Surface>>& otherFaces() { return otherFaces_; }

  // Where the 3D device keeps its texture of this surface, so that a draw
  // finds it without a search: the device's own serial and its record.
  // Nothing else reads or writes it.
  struct DeviceTexture {
    uint64_t owner = 0;
    void* texture = nullptr;
  };
  DeviceTexture& deviceTexture() const { return deviceTexture_; }

 private:
  Surface() = default;

  int width_ = 0;
  int height_ = 0;
  int32_t pitch_ = 0;
  PixelFormat format_;
  uint8_t* bits_ = nullptr;
  bool owned_ = false;
  std::vector<std::unique_ptr<Surface>> mipmaps_;
  std::vector<std::unique_ptr<Surface>> otherFaces_;
  mutable DeviceTexture deviceTexture_;
};

// The pixel formats the 3D device offers for textures; the plain ones when
// there is no 3D device.
struct TextureFormats {
  PixelFormat masked, color, colorAlpha, alphaOnly;              // 32-bit variants
  PixelFormat masked16, color16, colorAlpha16, alphaOnly16;      // with high colour

  static TextureFormats standard();
};

// What the 3D device requires of texture sizes.
struct TextureLimits {
  bool powerOfTwo = false;
  bool square = false;
  int maxAspect = 0;  // 0: any aspect ratio
  int minWidth = 1, minHeight = 1;
  int maxWidth = 4096, maxHeight = 4096;
};

// What surface creation needs to know of the graphics device.
struct SurfaceContext {
  PixelFormat frontFormat;                          // the display's format
  const TextureFormats* textureFormats = nullptr;   // null: TextureFormats::standard()
  const TextureLimits* textureLimits = nullptr;     // null: no 3D device to ask
};

// The format a surface created with these flags gets.
PixelFormat surfaceFormat(int32_t flags, const SurfaceContext& context);

// The size of a texture on the device: powers of two and square when
// required, the aspect ratio limited, then clamped to the minimum and
// maximum. Without limits every texture is 256 by 256.
void adaptTextureSize(int& width, int& height, const TextureLimits* limits);

// Copies the source rectangle into the destination rectangle, nearest
// pixel (destination pixel (i, j) takes source pixel (sourceX + i *
// sourceWidth / width, sourceY + j * sourceHeight / height)); a negative
// sourceHeight walks the source upwards. Rows of another format are
// converted whole; source points outside the source read as black. Only
// the part inside the destination is written: that part is returned.
CanvasRect stretchCopy(Surface& dest, int x, int y, int width, int height, const Surface& source, int sourceX,
                       int sourceY, int sourceWidth, int sourceHeight);

// A new surface for a canvas of these flags (texture size adapted, mipmap
// chain and cube faces made), its top level zeroed unless its maker writes
// every pixel first; null when it cannot be made.
std::shared_ptr<Surface> createSurface(int width, int height, int32_t flags, const SurfaceContext& context,
                                       Surface::Contents contents = Surface::kZeroed);

}  // namespace vx
