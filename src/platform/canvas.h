#pragma once
// A 2D drawing surface: graphics buffers, image frames, textures and font
// sheets are all canvases. A canvas draws on pixel memory in its own pixel
// format (a Surface, which the front and back canvases of a window share)
// and keeps what 2D drawing needs: origin, handle, viewport, colours, font,
// lock count, modification count and a collision mask made when first
// needed.
//
// Coordinates of drawing operations are offset by the origin and clipped to
// the viewport unless said otherwise. Rectangles are left, top, right,
// bottom with right and bottom exclusive. Colours are ARGB at every
// interface.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/collision_mask.h"
#include "platform/pixel_format.h"
#include "platform/surface.h"

namespace vx {

class Canvas;
class GraphicsDevice;

struct CanvasPoint {
  int32_t x = 0, y = 0;
  bool operator==(const CanvasPoint&) const = default;
};

// What text drawing needs of a font.
class CanvasFont {
 public:
  virtual ~CanvasFont() = default;
  virtual int32_t height() const = 0;
  virtual int32_t advance(uint8_t character) const = 0;
  // Draws the characters with the pen starting at (x, y), in the colour,
  // writing only pixels inside the canvas.
  virtual void render(Canvas& canvas, int32_t x, int32_t y, std::string_view characters, uint32_t argb) = 0;
};

class Canvas {
 public:
  // The first face drawn on, and the main surface, of a cube map. Faces are
  // kept in the order -X, +Z, +X, -Z, +Y, -Y.
  static constexpr int kFirstCubeFace = 1;
  static constexpr int kMainCubeFace = 2;

  // Over a surface made by createSurface (or shared with another canvas).
  Canvas(GraphicsDevice* graphics, std::shared_ptr<Surface> surface, int32_t flags);
  // A canvas over a new surface; null when the surface cannot be made.
  static std::unique_ptr<Canvas> create(GraphicsDevice* graphics, int width, int height, int32_t flags,
                                        const SurfaceContext& context);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Queries.
  int32_t flags() const { return flags_; }
  GraphicsDevice* graphics() const { return graphics_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  const PixelFormat& format() const { return format_; }
  CanvasPoint origin() const { return origin_; }
  CanvasPoint handle() const { return handle_; }
  CanvasRect viewport() const { return viewport_; }
  // The drawing colour as the format holds it, in ARGB.
  uint32_t color() const { return format_.toArgb(colorNative_); }
  uint32_t maskColor() const { return format_.toArgb(maskNative_); }
  uint32_t maskNative() const { return maskNative_; }
  CanvasFont* font() const { return font_; }

  // Settings.
  void setOrigin(int32_t x, int32_t y) { origin_ = {x, y}; }
  void setHandle(int32_t x, int32_t y) { handle_ = {x, y}; }
  // The rectangle meets the canvas rectangle; an empty intersection leaves
  // an empty viewport, on which nothing is drawn.
  void setViewport(int32_t x, int32_t y, int32_t width, int32_t height);
  void setColor(uint32_t argb);
  void setClsColor(uint32_t argb);
  void setMask(uint32_t argb);
  void setFont(CanvasFont* font) { font_ = font; }

  // Drawing.
  void cls();
  void plot(int32_t x, int32_t y);
  void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void rect(int32_t x, int32_t y, int32_t width, int32_t height, bool solid);
  void oval(int32_t x, int32_t y, int32_t width, int32_t height, bool solid);
  void text(int32_t x, int32_t y, std::string_view characters);
  // Copies the source rectangle to (x, y) less the source's handle; unless
  // solid, source pixels of the source's mask colour are left out.
  void blit(int32_t x, int32_t y, Canvas& source, int32_t sourceX, int32_t sourceY, int32_t width, int32_t height,
            bool solid);

  // Pixels. Locks nest; lock() fails only without pixel memory.
  bool lock();
  void unlock();
  int32_t lockCount() const { return lockCount_; }
  uint32_t getPixel(int32_t x, int32_t y);
  void setPixel(int32_t x, int32_t y, uint32_t argb);
  // No origin, no viewport, no lock taken: the canvas is meant to be locked
  // by the caller. Points outside the canvas read as 0 and are not written.
  uint32_t getPixelFast(int32_t x, int32_t y) const {
    if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(width_) ||
        static_cast<uint32_t>(y) >= static_cast<uint32_t>(height_))
      return 0;
    return reader_(format_, bits_ + static_cast<intptr_t>(y) * pitch_ + x * bytesPerPixel_);
  }
  void setPixelFast(int32_t x, int32_t y, uint32_t argb) {
    if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(width_) ||
        static_cast<uint32_t>(y) >= static_cast<uint32_t>(height_))
      return;
    writer_(format_, bits_ + static_cast<intptr_t>(y) * pitch_ + x * bytesPerPixel_, argb);
    bumpModCount(1);
  }
  // Copies the raw pixel of the source point to (x, y); both points offset
  // by their canvas's origin and inside its viewport.
  void copyPixel(int32_t x, int32_t y, Canvas& source, int32_t sourceX, int32_t sourceY);
  // The raw copy alone, at the given points, inside both canvases.
  void copyPixelFast(int32_t x, int32_t y, Canvas& source, int32_t sourceX, int32_t sourceY);

  // Collision of this canvas at (x, y) with another at (otherX, otherY), or
  // with a rectangle; positions less each canvas's handle. Pixel-exact
  // unless boundsOnly.
  bool collide(int32_t x, int32_t y, Canvas& other, int32_t otherX, int32_t otherY, bool boundsOnly);
  bool rectCollide(int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth, int32_t rectHeight,
                   bool boundsOnly);
  // The mask, made or brought up to date first.
  const CollisionMask& collisionMask();

  // Changes. modCount grows with every drawing operation (by one per pixel
  // for lines and single pixels); it may be read from any thread.
  uint32_t modCount() const { return modCount_.load(std::memory_order_relaxed); }
  void setModCount(uint32_t count);
  // For code that wrote the drawing surface directly: counts one change and
  // brings the mask up to date over the rectangle (clipped to the canvas).
  void markModified(const CanvasRect& rect);

  // The memory drawn on: the selected face of a cube map, else the main
  // surface. Rows are pitch() bytes apart.
  Surface& surface() const { return *drawing_; }
  uint8_t* bits() const { return bits_; }
  int32_t pitch() const { return pitch_; }
  const std::shared_ptr<Surface>& mainSurface() const { return main_; }
  // Page flipping: the two canvases exchange their pixel memory and keep
  // their settings. Neither may be a cube map.
  void exchangeSurfaces(Canvas& other);

  // Display loss. Canvas memory is never lost, so there is nothing to copy
  // away or back; the calls exist for the graphics device's focus handling.
  void backup() {}
  void restore() {}

  // 3D support. A depth buffer is kept by whoever renders into the canvas;
  // the canvas records that it wants one.
  bool attachDepthBuffer() {
    depthBuffer_ = true;
    return true;
  }
  bool hasDepthBuffer() const { return depthBuffer_; }
  int32_t cubeMode() const { return cubeMode_; }
  void setCubeMode(int32_t mode) { cubeMode_ = mode; }
  // Cube maps: brings the mipmaps up to date, then draws on face index.
  void selectFace(int index);
  int selectedFace() const { return face_; }
  // A face of a cube map (the main surface for any other canvas).
  Surface& faceSurface(int index) const;
  // Brings the mipmaps up to date, then gives the main surface.
  Surface& textureSurface();

 private:
  void bumpModCount(uint32_t n) {
    modCount_.store(modCount_.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
  }
  // Changes over a rectangle inside the drawing surface: the mask, if it
  // was up to date, stays so.
  void touched(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t changes = 1);
  void fill(const CanvasRect& r, uint32_t native);
  void fillClipped(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t native);
  void useSurface(Surface* surface);
  void refreshMipmaps();
  void ovalOutline(int64_t x, int64_t y, int32_t w, int32_t h);
  void ovalSolid(int64_t x, int64_t y, int32_t w, int32_t h);

  int32_t flags_;
  int32_t cubeMode_ = 1;
  GraphicsDevice* graphics_;
  std::shared_ptr<Surface> main_;
  Surface* faces_[6] = {};
  Surface* drawing_ = nullptr;
  int face_ = 0;
  bool depthBuffer_ = false;

  // The drawing surface, cached for the per-pixel paths.
  PixelFormat format_;
  PixelFormat::Reader reader_ = nullptr;
  PixelFormat::Writer writer_ = nullptr;
  uint8_t* bits_ = nullptr;
  int32_t pitch_ = 0;
  int32_t bytesPerPixel_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;

  std::atomic<uint32_t> modCount_{0};
  int32_t lockCount_ = 0;
  uint32_t lockModCount_ = 0;
  uint32_t mipmapModCount_ = 0;

  std::unique_ptr<CollisionMask> mask_;
  uint32_t maskModCount_ = 0;  // modCount when the mask was last up to date

  CanvasFont* font_ = nullptr;
  CanvasRect viewport_;
  CanvasPoint origin_;
  CanvasPoint handle_;
  uint32_t maskNative_ = 0;
  uint32_t colorNative_ = 0;
  uint32_t colorArgb_ = 0xFFFFFFFF;
  uint32_t clsNative_ = 0;
};

}  // namespace vx
