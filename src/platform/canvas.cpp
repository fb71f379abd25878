#include "platform/canvas.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <vector>

#include "platform/mipmaps.h"
#include "platform/pixel_spans.h"

namespace vx {

Canvas::Canvas(GraphicsDevice* graphics, std::shared_ptr<Surface> surface, int32_t flags)
    : flags_(flags), graphics_(graphics), main_(std::move(surface)) {
  assert(main_);
  for (Surface*& face : faces_) face = main_.get();
  if (main_->otherFaces().size() == 5) {
    auto& others = main_->otherFaces();
    faces_[0] = others[0].get();  // -X
    faces_[1] = others[1].get();  // +Z
    faces_[3] = others[2].get();  // -Z
    faces_[4] = others[3].get();  // +Y
    faces_[5] = others[4].get();  // -Y
    face_ = kFirstCubeFace;
  } else {
    face_ = kMainCubeFace;
  }
  useSurface(faces_[face_]);
  viewport_ = {0, 0, width_, height_};
  setColor(0xFFFFFFFF);
  setClsColor(0xFF000000);
  setMask(0);
  if (flags_ & kCanvasTexture) {
    // One image's lower levels are made when it is first taken to draw
    // with (a texture may never be drawn); a cube map's now, since later
    // only the face drawn on is brought up to date.
    if (face_ == kFirstCubeFace) {
      for (Surface* f : faces_) buildMipmaps(*f);
      mipmapModCount_ = modCount();
    } else {
      mipmapModCount_ = modCount() - 1;
    }
  }
}

std::unique_ptr<Canvas> Canvas::create(GraphicsDevice* graphics, int width, int height, int32_t flags,
                                       const SurfaceContext& context) {
  std::shared_ptr<Surface> surface = createSurface(width, height, flags, context);
  if (!surface) return nullptr;
  return std::make_unique<Canvas>(graphics, std::move(surface), flags);
}

Canvas::~Canvas() = default;

void Canvas::useSurface(Surface* surface) {
  drawing_ = surface;
  format_ = surface->format();
  reader_ = format_.reader();
  writer_ = format_.writer();
  bits_ = surface->bits();
  pitch_ = surface->pitch();
  bytesPerPixel_ = format_.bytesPerPixel();
  width_ = surface->width();
  height_ = surface->height();
}

void Canvas::exchangeSurfaces(Canvas& other) {
  assert(main_->otherFaces().empty() && other.main_->otherFaces().empty());
  std::swap(main_, other.main_);
  for (Canvas* c : {this, &other}) {
    for (Surface*& face : c->faces_) face = c->main_.get();
    c->useSurface(c->main_.get());
    c->bumpModCount(1);
  }
}

// Settings

void Canvas::setViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t(x) + width, width_);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + height, height_);
  if (left >= right || top >= bottom)
    viewport_ = {};
  else
    viewport_ = {int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
}

void Canvas::setColor(uint32_t argb) {
  colorArgb_ = argb | 0xFF000000u;
  colorNative_ = format_.toNative(colorArgb_);
}

void Canvas::setClsColor(uint32_t argb) { clsNative_ = format_.toNative(argb | 0xFF000000u); }

void Canvas::setMask(uint32_t argb) {
  const uint32_t native = format_.toNative(argb);
  if (native != maskNative_) mask_.reset();  // made again, against the new colour, when needed
  maskNative_ = native;
}

// Changes and the collision mask

void Canvas::touched(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t changes) {
  const bool fresh = mask_ && maskModCount_ == modCount();
  bumpModCount(changes);
  if (fresh) {
    mask_->update(*drawing_, maskNative_, left, top, right, bottom);
    maskModCount_ = modCount();
  }
}

void Canvas::setModCount(uint32_t count) {
  const bool fresh = mask_ && maskModCount_ == modCount();
  modCount_.store(count, std::memory_order_relaxed);
  if (fresh) maskModCount_ = count;
}

void Canvas::markModified(const CanvasRect& r) {
  touched(std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width_), std::min(r.bottom, height_));
}

const CollisionMask& Canvas::collisionMask() {
  if (!mask_) {
    mask_ = std::make_unique<CollisionMask>();
    mask_->build(*drawing_, maskNative_);
  } else if (maskModCount_ != modCount()) {
    mask_->build(*drawing_, maskNative_);
  }
  maskModCount_ = modCount();
  return *mask_;
}

// Fills

void Canvas::fill(const CanvasRect& r, uint32_t native) {
  if (r.empty()) return;
  auto fillRow = spanRoutines(bytesPerPixel_).fill;
  uint8_t* row = bits_ + static_cast<intptr_t>(r.top) * pitch_ + r.left * bytesPerPixel_;
  if (r.left == 0 && r.right == width_ && pitch_ == width_ * bytesPerPixel_) {
    fillRow(row, r.width() * r.height(), native);  // the rows follow each other: one run
    return;
  }
  for (int32_t y = r.top; y < r.bottom; ++y, row += pitch_) fillRow(row, r.width(), native);
}

void Canvas::fillClipped(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t native) {
  left = std::max<int64_t>(left, viewport_.left);
  top = std::max<int64_t>(top, viewport_.top);
  right = std::min<int64_t>(right, viewport_.right);
  bottom = std::min<int64_t>(bottom, viewport_.bottom);
  if (left < right && top < bottom) fill({int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)}, native);
}

void Canvas::cls() {
  fill(viewport_, clsNative_);
  touched(viewport_.left, viewport_.top, viewport_.right, viewport_.bottom);
}

void Canvas::plot(int32_t x, int32_t y) {
  const int64_t px = int64_t(x) + origin_.x, py = int64_t(y) + origin_.y;
  if (!viewport_.contains(px, py)) return;
  fill({int32_t(px), int32_t(py), int32_t(px) + 1, int32_t(py) + 1}, colorNative_);
  touched(int32_t(px), int32_t(py), int32_t(px) + 1, int32_t(py) + 1);
}

void Canvas::rect(int32_t x, int32_t y, int32_t w, int32_t h, bool solid) {
  const int64_t left = int64_t(x) + origin_.x, top = int64_t(y) + origin_.y;
  const int64_t right = left + w, bottom = top + h;
  const int64_t cl = std::max<int64_t>(left, viewport_.left), ct = std::max<int64_t>(top, viewport_.top);
  const int64_t cr = std::min<int64_t>(right, viewport_.right), cb = std::min<int64_t>(bottom, viewport_.bottom);
  if (cl >= cr || ct >= cb) return;
  if (solid) {
    fill({int32_t(cl), int32_t(ct), int32_t(cr), int32_t(cb)}, colorNative_);
  } else {
    fillClipped(left, top, right, top + 1, colorNative_);
    fillClipped(left, top, left + 1, bottom, colorNative_);
    fillClipped(right - 1, top, right, bottom, colorNative_);
    fillClipped(left, bottom - 1, right, bottom, colorNative_);
  }
  touched(int32_t(cl), int32_t(ct), int32_t(cr), int32_t(cb));
}

// Blits

void Canvas::blit(int32_t x, int32_t y, Canvas& source, int32_t sourceX, int32_t sourceY, int32_t w, int32_t h,
                  bool solid) {
  int64_t dl = int64_t(x) + origin_.x - source.handle_.x, dt = int64_t(y) + origin_.y - source.handle_.y;
  int64_t dr = dl + w, db = dt + h;
  int64_t sl = sourceX, st = sourceY, sr = sl + w, sb = st + h;
  // Clip the destination to the viewport, then the source to its canvas.
  if (dl < viewport_.left) sl += viewport_.left - dl, dl = viewport_.left;
  if (dt < viewport_.top) st += viewport_.top - dt, dt = viewport_.top;
  if (dr > viewport_.right) sr -= dr - viewport_.right, dr = viewport_.right;
  if (db > viewport_.bottom) sb -= db - viewport_.bottom, db = viewport_.bottom;
  if (sl < 0) dl -= sl, sl = 0;
  if (st < 0) dt -= st, st = 0;
  if (sr > source.width_) dr -= sr - source.width_, sr = source.width_;
  if (sb > source.height_) db -= sb - source.height_, sb = source.height_;
  if (dl >= dr || dt >= db || sl >= sr || st >= sb) return;

  const int32_t cols = int32_t(dr - dl), rows = int32_t(db - dt);
  const uint8_t* from = source.bits_ + static_cast<intptr_t>(st) * source.pitch_ + sl * source.bytesPerPixel_;
  intptr_t fromPitch = source.pitch_;
  uint8_t* to = bits_ + static_cast<intptr_t>(dt) * pitch_ + dl * bytesPerPixel_;

  if (source.format_ == format_) {
    const SpanRoutines& spans = spanRoutines(bytesPerPixel_);
    const size_t rowBytes = size_t(cols) * bytesPerPixel_;
    // The same memory (one canvas, or two over one surface) may overlap.
    const uint8_t* fromEnd = from + (rows - 1) * fromPitch + rowBytes;
    const uint8_t* toEnd = to + (rows - 1) * intptr_t(pitch_) + rowBytes;
    const bool overlapping = source.bits_ == bits_ && from < toEnd && to < fromEnd;
    if (solid) {
      if (overlapping && to > from) {
        for (int32_t j = rows - 1; j >= 0; --j) std::memmove(to + j * intptr_t(pitch_), from + j * fromPitch, rowBytes);
      } else if (overlapping) {
        for (int32_t j = 0; j < rows; ++j) std::memmove(to + j * intptr_t(pitch_), from + j * fromPitch, rowBytes);
      } else {
        for (int32_t j = 0; j < rows; ++j) spans.copy(to + j * intptr_t(pitch_), from + j * fromPitch, cols);
      }
    } else {
      std::vector<uint8_t> copy;
      if (overlapping) {
        copy.resize(rowBytes * rows);
        for (int32_t j = 0; j < rows; ++j) std::memcpy(copy.data() + j * rowBytes, from + j * fromPitch, rowBytes);
        from = copy.data();
        fromPitch = intptr_t(rowBytes);
      }
      const uint32_t colorBits = format_.colorBits();
      const uint32_t key = source.maskNative_ & colorBits;
      for (int32_t j = 0; j < rows; ++j)
        spans.copyKeyed(to + j * intptr_t(pitch_), from + j * fromPitch, cols, key, colorBits);
    }
  } else {
    // Different formats: rows converted whole; a masked copy then keeps the
    // destination wherever the source has its mask colour.
    const PixelFormat& sf = source.format_;
    const int sb = sf.bytesPerPixel();
    const uint32_t colorBits = sf.colorBits();
    const uint32_t key = source.maskNative_ & colorBits;
    std::vector<uint8_t> converted(solid ? 0 : size_t(cols) * bytesPerPixel_);
    for (int32_t j = 0; j < rows; ++j) {
      const uint8_t* s = from + j * fromPitch;
      uint8_t* d = to + j * intptr_t(pitch_);
      if (solid) {
        convertRow(sf, s, format_, d, cols);
        continue;
      }
      convertRow(sf, s, format_, converted.data(), cols);
      for (int32_t i = 0; i < cols; ++i)
        if ((sf.load(s + i * sb) & colorBits) != key)
          format_.store(d + i * bytesPerPixel_, format_.load(converted.data() + i * bytesPerPixel_));
    }
  }
  touched(int32_t(dl), int32_t(dt), int32_t(dr), int32_t(db));
}

// Pixels

bool Canvas::lock() {
  if (!bits_) return false;
  if (lockCount_++ == 0) lockModCount_ = modCount();
  return true;
}

void Canvas::unlock() {
  // An unlock without a lock is ignored. The mask catches up with pixel
  // writes made under the lock when it is next needed.
  if (lockCount_ > 0) --lockCount_;
}

uint32_t Canvas::getPixel(int32_t x, int32_t y) {
  const int64_t px = int64_t(x) + origin_.x, py = int64_t(y) + origin_.y;
  if (!viewport_.contains(px, py) || !lock()) return maskColor();
  const uint32_t argb = reader_(format_, bits_ + static_cast<intptr_t>(py) * pitch_ + int32_t(px) * bytesPerPixel_);
  unlock();
  return argb;
}

void Canvas::setPixel(int32_t x, int32_t y, uint32_t argb) {
  const int64_t px = int64_t(x) + origin_.x, py = int64_t(y) + origin_.y;
  if (!viewport_.contains(px, py) || !lock()) return;
  writer_(format_, bits_ + static_cast<intptr_t>(py) * pitch_ + int32_t(px) * bytesPerPixel_, argb);
  touched(int32_t(px), int32_t(py), int32_t(px) + 1, int32_t(py) + 1);
  unlock();
}

namespace {

// The raw pixel; pixels of another size are converted, so that a copy
// never reads or writes past either pixel.
void copyRaw(const PixelFormat& to, uint8_t* d, const PixelFormat& from, const uint8_t* s) {
  if (to.bytesPerPixel() == from.bytesPerPixel())
    std::memcpy(d, s, size_t(to.bytesPerPixel()));
  else
    to.write(d, from.read(s));
}

}  // namespace

void Canvas::copyPixel(int32_t x, int32_t y, Canvas& source, int32_t sourceX, int32_t sourceY) {
  const int64_t px = int64_t(x) + origin_.x, py = int64_t(y) + origin_.y;
  const int64_t sx = int64_t(sourceX) + source.origin_.x, sy = int64_t(sourceY) + source.origin_.y;
  if (!viewport_.contains(px, py) || !source.viewport_.contains(sx, sy)) return;
  if (!lock()) return;
  if (!source.lock()) {
    unlock();
    return;
  }
  copyRaw(format_, drawing_->pixel(int32_t(px), int32_t(py)), source.format_,
          source.drawing_->pixel(int32_t(sx), int32_t(sy)));
  touched(int32_t(px), int32_t(py), int32_t(px) + 1, int32_t(py) + 1);
  source.unlock();
  unlock();
}

void Canvas::copyPixelFast(int32_t x, int32_t y, Canvas& source, int32_t sourceX, int32_t sourceY) {
  if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(width_) ||
      static_cast<uint32_t>(y) >= static_cast<uint32_t>(height_) ||
      static_cast<uint32_t>(sourceX) >= static_cast<uint32_t>(source.width_) ||
      static_cast<uint32_t>(sourceY) >= static_cast<uint32_t>(source.height_))
    return;
  copyRaw(format_, drawing_->pixel(x, y), source.format_, source.drawing_->pixel(sourceX, sourceY));
  bumpModCount(1);
}

// Collisions

bool Canvas::collide(int32_t x, int32_t y, Canvas& other, int32_t otherX, int32_t otherY, bool boundsOnly) {
  const int64_t ax = int64_t(x) - handle_.x, ay = int64_t(y) - handle_.y;
  const int64_t bx = int64_t(otherX) - other.handle_.x, by = int64_t(otherY) - other.handle_.y;
  const int64_t left = std::max(ax, bx), top = std::max(ay, by);
  const int64_t right = std::min(ax + width_, bx + other.width_), bottom = std::min(ay + height_, by + other.height_);
  if (left >= right || top >= bottom) return false;
  if (boundsOnly) return true;
  const CollisionMask& a = collisionMask();
  const CollisionMask& b = other.collisionMask();
  return CollisionMask::overlap(a, int32_t(left - ax), int32_t(top - ay), b, int32_t(left - bx), int32_t(top - by),
                                int32_t(right - left), int32_t(bottom - top));
}

bool Canvas::rectCollide(int32_t x, int32_t y, int32_t rectX, int32_t rectY, int32_t rectWidth, int32_t rectHeight,
                         bool boundsOnly) {
  const int64_t ax = int64_t(x) - handle_.x, ay = int64_t(y) - handle_.y;
  const int64_t left = std::max<int64_t>(ax, rectX), top = std::max<int64_t>(ay, rectY);
  const int64_t right = std::min(ax + width_, int64_t(rectX) + rectWidth);
  const int64_t bottom = std::min(ay + height_, int64_t(rectY) + rectHeight);
  if (left >= right || top >= bottom) return false;
  if (boundsOnly) return true;
  return collisionMask().anySet(int32_t(left - ax), int32_t(top - ay), int32_t(right - left), int32_t(bottom - top));
}

// 3D support

void Canvas::refreshMipmaps() {
  if (!(flags_ & kCanvasTexture) || mipmapModCount_ == modCount()) return;
  buildMipmaps(*drawing_);
  mipmapModCount_ = modCount();
}

void Canvas::selectFace(int index) {
  if (index < 0 || index > 5 || faces_[index] == drawing_) return;
  refreshMipmaps();
  face_ = index;
  useSurface(faces_[index]);
  mask_.reset();
}

Surface& Canvas::faceSurface(int index) const { return *faces_[(index >= 0 && index <= 5) ? index : kMainCubeFace]; }

Surface& Canvas::textureSurface() {
  refreshMipmaps();
  return *main_;
}

}  // namespace vx
