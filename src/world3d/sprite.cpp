#include "world3d/sprite.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine3d/render_context.h"
#include "engine3d/texture_cache.h"
#include "engine3d/world.h"
#include "runtime/registry.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

// The device buffer every sprite draws from. Indices count from a draw's
// first vertex, so every slot holds the same two triangles, in one winding
// or the other.
class SpriteBuffer {
 public:
  static constexpr int32_t kGrowth = 256;

  int32_t take() {
    if (free_.empty()) {
      for (int32_t slot = slots_ + kGrowth; slot-- > slots_;) free_.push_back(slot);
      slots_ += kGrowth;
      mesh_.reset();  // remade with room for every slot at the next draw
    }
    const int32_t slot = free_.back();
    free_.pop_back();
    return slot;
  }

  void give(int32_t slot) {
    free_.push_back(slot);
    if (static_cast<int32_t>(free_.size()) < slots_) return;
    free_.clear();
    slots_ = 0;
    mesh_.reset();
  }

  int32_t slots() const { return slots_; }
  // Counts the buffers made: what a slot holds is lost with its buffer.
  uint32_t generation() const { return generation_; }

  // The buffer with room for every slot, its triangles wound one way.
  DeviceMesh* mesh(SceneDevice& device) {
    if (mesh_) return mesh_.get();
    mesh_ = device.createMesh(4 * slots_, 2 * slots_, 0);
    if (!mesh_) return nullptr;
    ++generation_;
    reversed_.assign(slots_, false);
    if (uint16_t* out = mesh_->lockTriangles(0, 2 * slots_)) {
      for (int32_t slot = 0; slot < slots_; ++slot, out += 6) writeTriangles(out, false);
      mesh_->unlockTriangles();
    }
    return mesh_.get();
  }

  // Winds the slot's triangles the other way when they are not wound as
  // asked.
  void wind(int32_t slot, bool reversed) {
    if (reversed_[slot] == reversed) return;
    if (uint16_t* out = mesh_->lockTriangles(2 * slot, 2)) {
      writeTriangles(out, reversed);
      mesh_->unlockTriangles();
      reversed_[slot] = reversed;
    }
  }

 private:
  static void writeTriangles(uint16_t* out, bool reversed) {
    static constexpr uint16_t kAhead[6] = {0, 1, 2, 0, 2, 3}, kReversed[6] = {0, 2, 1, 0, 3, 2};
    const uint16_t* from = reversed ? kReversed : kAhead;
    for (int i = 0; i < 6; ++i) out[i] = from[i];
  }

  std::vector<int32_t> free_;  // the lowest slot last
  int32_t slots_ = 0;
  std::unique_ptr<DeviceMesh> mesh_;
  std::vector<bool> reversed_;
  uint32_t generation_ = 0;
};

SpriteBuffer buffer;

Vector axisLengths(const Matrix& m) { return {length(m.i), length(m.j), length(m.k)}; }

Matrix unitAxes(const Matrix& m) { return scaledAxes(m, divided({1, 1, 1}, axisLengths(m))); }

float lerp(float from, float to, float t) { return from + t * (to - from); }

}  // namespace

Sprite::Sprite() : slot_(buffer.take()) { brush.setFX(kFxFullBright); }

Sprite::Sprite(const Sprite& source)
    : Model(source),
      rotation(source.rotation),
      xScale(source.xScale),
      yScale(source.yScale),
      xHandle(source.xHandle),
      yHandle(source.yHandle),
      viewMode(source.viewMode),
      slot_(buffer.take()) {}

Sprite::~Sprite() { buffer.give(slot_); }

int32_t Sprite::bufferSlots() { return buffer.slots(); }

void Sprite::capture() {
  Model::capture();
  capturedRotation_ = rotation;
  capturedXScale_ = xScale;
  capturedYScale_ = yScale;
}

bool Sprite::beginRender(float tween) {
  const bool drawn = Model::beginRender(tween);
  const bool still = tween == 1 || !captured;
  renderRotation_ = still ? rotation : lerp(capturedRotation_, rotation, tween);
  renderXScale_ = still ? xScale : lerp(capturedXScale_, xScale, tween);
  renderYScale_ = still ? yScale : lerp(capturedYScale_, yScale, tween);
  return drawn;
}

Matrix Sprite::orientation(const Transform& eye) {
  const Matrix& own = renderTransform().m;
  switch (viewMode) {
    case 1:
      return scaledAxes(unitAxes(eye.m), axisLengths(own));
    case 3: {
      const Vector f = normalise(eye.m.k);
      const Vector side = cross(own.j, f);
      const float sideLength = length(side);
      if (!(sideLength > 0)) return scaledAxes(unitAxes(eye.m), axisLengths(own));
      const Vector x = side / sideLength;
      return scaledAxes({x, cross(f, x), f}, axisLengths(own));
    }
    case 4: {
      // The eye's direction in the sprite's own space gives the turn about
      // its own y axis.
      const Vector f = inverse(own) * eye.m.k;
      const float yaw = std::isfinite(f.x) && std::isfinite(f.z) ? -std::atan2(f.x, f.z) : 0;
      return own * yawMatrix(yaw);
    }
    default:
      return own;
  }
}

void Sprite::render(const RenderContext& context) {
  const Matrix r = scaledAxes(orientation(context.eye) * rollMatrix(renderRotation_), {renderXScale_, renderYScale_, 1});
  const Vector at = renderTransform().pos;
  const float left = -1 - xHandle, right = 1 - xHandle, top = 1 - yHandle, bottom = -1 - yHandle;
  const Vector corners[4] = {at + r * Vector{left, top, 0}, at + r * Vector{right, top, 0},
                             at + r * Vector{right, bottom, 0}, at + r * Vector{left, bottom, 0}};
  if (context.frustum.allOutsideOnePlane(corners, 4)) return;
  DeviceMesh* mesh = buffer.mesh(context.device);
  if (!mesh) return;

  // A quad whose axes are reflected (the eye's, through a mirror, or a
  // negative scale) is seen from behind unless its winding turns too.
  const bool reversed = determinant(r) < 0;
  buffer.wind(slot_, reversed);
  // A quad that did not move since it was written (the camera and the
  // sprite stood still, or the sprite keeps its own orientation) is in the
  // buffer already.
  if (written_.generation == buffer.generation() && written_.reversed == reversed &&
      std::equal(corners, corners + 4, written_.corners)) {
    enqueue(*mesh, 4 * slot_, 4, 2 * slot_, 2, renderBrush);
    return;
  }
  Vector normal = cross(corners[1] - corners[0], corners[3] - corners[0]);
  const float normalLength = length(normal);
  normal = normalLength > 0 ? normal * ((reversed ? -1 : 1) / normalLength) : Vector{0, 0, -1};

  DeviceVertex* out = mesh->lockVertices(4 * slot_, 4);
  if (!out) return;
  static constexpr float kCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 4; ++i) {
    const Vector& c = corners[i];
    const float u = kCoords[i][0], v = kCoords[i][1];
    out[i] = {c.x, c.y, c.z, normal.x, normal.y, normal.z, 0xFFFFFFFF, u, v, u, v};
  }
  mesh->unlockVertices();
  written_ = {{corners[0], corners[1], corners[2], corners[3]}, reversed, buffer.generation()};
  enqueue(*mesh, 4 * slot_, 4, 2 * slot_, 2, renderBrush);
}

bool Sprite::bounds(Vector& min, Vector& max) {
  const float x = std::max(std::fabs(-1 - xHandle), std::fabs(1 - xHandle)) * std::fabs(xScale);
  const float y = std::max(std::fabs(-1 - yHandle), std::fabs(1 - yHandle)) * std::fabs(yScale);
  const float reach = std::sqrt(x * x + y * y);
  min = {-reach, -reach, -reach};
  max = {reach, reach, reach};
  return true;
}

namespace {

// The sprite of a handle: "Entity is not a model", "Entity is not a sprite"
// while debugging.
Sprite* spriteOf(int32_t handle) {
  Model* model = entityKindOf<&Entity::getModel>(handle, "Entity is not a model");
  Sprite* sprite = model ? model->getSprite() : nullptr;
  if (model && !sprite && debugging()) raiseError("Entity is not a sprite");
  return sprite;
}

int32_t createSprite(int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  return addEntity(new Sprite, parent);
}

// Masked textures draw alpha-tested, those with alpha blended, the rest
// added onto what is behind them (the glow of a particle).
int32_t loadSprite(StrArg file, int32_t flags, int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  World& world = *world3D();
  if (!world.graphics) return 0;
  const Texture texture = loadTexture(*world.graphics, world.textureFilters, file.view(), flags);
  if (!texture.frameCount()) return 0;
  auto* sprite = new Sprite;
  sprite->brush.setTexture(0, texture, 0);
  sprite->brush.setBlend((flags & kTextureMasked) ? Brush::kDefault : (flags & kTextureAlpha) ? Brush::kAlpha
                                                                                             : Brush::kAdd);
  return addEntity(sprite, parent);
}

void rotateSprite(int32_t handle, float degrees) {
  if (Sprite* sprite = spriteOf(handle)) sprite->rotation = degrees * kDegToRad;
}

void scaleSprite(int32_t handle, float x, float y) {
  if (Sprite* sprite = spriteOf(handle)) sprite->xScale = x, sprite->yScale = y;
}

void handleSprite(int32_t handle, float x, float y) {
  if (Sprite* sprite = spriteOf(handle)) sprite->xHandle = x, sprite->yHandle = y;
}

void spriteViewMode(int32_t handle, int32_t mode) {
  if (Sprite* sprite = spriteOf(handle)) sprite->viewMode = mode;
}

}  // namespace

void linkSpriteCommands(Registry& r) {
  r.command<"%CreateSprite%parent=0", createSprite>();
  r.command<"%LoadSprite$file%texture_flags=1%parent=0", loadSprite>();
  r.command<"RotateSprite%sprite#angle", rotateSprite>();
  r.command<"ScaleSprite%sprite#x_scale#y_scale", scaleSprite>();
  r.command<"HandleSprite%sprite#x_handle#y_handle", handleSprite>();
  r.command<"SpriteViewMode%sprite%view_mode", spriteViewMode>();
}

}  // namespace vx
