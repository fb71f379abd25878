#include "world3d/entity_collision.h"

#include "engine3d/mesh.h"
#include "world3d/collider.h"

namespace vx {

namespace {

enum Method { kSphere = 1, kPolygon = 2, kBox = 3 };

// The transform's axes without their scale; an axis scaled to nothing
// stays as it is.
Matrix unscaled(const Matrix& m) {
  const auto unit = [](Vector axis) {
    const float size = length(axis);
    return size > 0 ? axis / size : axis;
  };
  return {unit(m.i), unit(m.j), unit(m.k)};
}

Transform squashed(const Transform& transform, float squash) {
  if (squash == 1) return transform;
  const Transform k{{{1, 0, 0}, {0, squash, 0}, {0, 0, 1}}, {}};
  return k * transform;
}

}  // namespace

bool collisionTest(const CollisionLine& line, float radius, Object& target, const Transform& transform,
                   int32_t method, CollisionInfo& info, float squash) {
  switch (method) {
    case kSphere:
      return sphereCollide(line, radius, squashed(transform, squash).pos, target.xRadius, info);
    case kPolygon:
      return target.collide(line, radius, info, squashed(transform, squash));
    case kBox:
      return boxCollide(line, radius, target.boxMin, target.boxMax,
                        squashed({unscaled(transform.m), transform.pos}, squash), info);
    default:
      return false;
  }
}

bool Mesh::collide(const CollisionLine& line, float radius, CollisionInfo& info, const Transform& transform) {
  return colliderOf(data()).sweep(line, radius, transform, info);
}

}  // namespace vx
