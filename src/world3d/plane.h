#pragma once
// Planes: the infinite y = 0 plane of the entity's own space, a ground or a
// sea that reaches the horizon. At every render the part of it in view is
// worked out from the view volume: the rays from the eye through the far
// end of the view, as far as they meet the plane before it. That part is
// cut into s x s cells, evenly across the view, each cell clipped where the
// rays stop meeting the plane, so that it yields at most five vertices and
// three triangles. A texture tiles once per unit of the plane's space.

#include <cstdint>
#include <memory>

#include "engine3d/entity.h"

namespace vx {

class DeviceMesh;

class Plane : public Model {
 public:
  static constexpr int32_t kMaxSegments = 20;

  explicit Plane(int32_t segments);
  ~Plane() override;
  Entity* clone() const override { return new Plane(*this); }
  Plane* getPlane() override { return this; }
  // As a collision target, solid from above.
  bool collide(const CollisionLine& line, float radius, CollisionInfo& info, const Transform& transform) override;
  void renderBrushChanged(const Brush&) override {}
  void render(const RenderContext& context) override;

  int32_t segments() const { return segments_; }

 private:
  // A copy draws from cells of its own: two copies drawn blended in one
  // frame are drawn after both have been rendered.
  Plane(const Plane& source) : Model(source), segments_(source.segments_) {}

  int32_t segments_;
  std::unique_ptr<DeviceMesh> cells_;
};

}  // namespace vx
