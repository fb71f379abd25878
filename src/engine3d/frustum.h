#pragma once
// A camera's view volume: six planes with the inside on their non-negative
// side, kept with the nine points they are made from (near corners, far
// corners, eye), so that the volume can be carried into another space by
// moving the points and rebuilding the planes.

#include "engine3d/math3d.h"

namespace vx {

struct Frustum {
  enum Plane { kNear, kFar, kLeft, kRight, kTop, kBottom };
  enum Point { kNearTopLeft, kNearTopRight, kNearBottomRight, kNearBottomLeft, kFarTopLeft = 4, kEye = 8 };

  ClipPlane planes[6];
  Vector points[9];

  Frustum() = default;
  // In camera space: the near rectangle width x height at z = nearZ, the far
  // one scaled by farZ / nearZ, the eye at the origin.
  Frustum(float nearZ, float farZ, float width, float height);
  // The same volume with every point taken through transform.
  Frustum transformed(const Transform& transform) const;
  // True when every one of the points lies outside one and the same plane:
  // whatever they bound cannot be seen.
  bool allOutsideOnePlane(const Vector* points, int count) const;
  bool contains(Vector point) const { return !allOutsideOnePlane(&point, 1); }
  // The same test for the eight corners of the box from min to max.
  bool boxOutside(Vector min, Vector max) const;

 private:
  void buildPlanes();
};

}  // namespace vx
