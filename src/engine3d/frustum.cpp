#include "engine3d/frustum.h"

namespace vx {

namespace {

// The plane through a, b and c whose inner side is where (b - a) x (c - a)
// points.
ClipPlane planeThrough(Vector a, Vector b, Vector c) {
  Vector n = normalise(cross(b - a, c - a));
  return {n, -dot(n, a)};
}

}  // namespace

Frustum::Frustum(float nearZ, float farZ, float width, float height) {
  float w = width / 2, h = height / 2;
  points[kNearTopLeft] = {-w, h, nearZ};
  points[kNearTopRight] = {w, h, nearZ};
  points[kNearBottomRight] = {w, -h, nearZ};
  points[kNearBottomLeft] = {-w, -h, nearZ};
  float s = farZ / nearZ;
  for (int i = 0; i < 4; ++i) points[kFarTopLeft + i] = points[i] * s;
  points[kEye] = {};
  buildPlanes();
}

Frustum Frustum::transformed(const Transform& transform) const {
  Frustum result;
  for (int i = 0; i < 9; ++i) result.points[i] = transform * points[i];
  result.buildPlanes();
  return result;
}

void Frustum::buildPlanes() {
  const Vector* p = points;
  planes[kNear] = planeThrough(p[kNearTopLeft], p[kNearTopRight], p[kNearBottomRight]);
  planes[kFar] = planeThrough(p[kFarTopLeft], p[kFarTopLeft + 1], p[kFarTopLeft + 2]);
  planes[kLeft] = planeThrough(p[kEye], p[kNearTopLeft], p[kNearBottomLeft]);
  planes[kRight] = planeThrough(p[kEye], p[kNearBottomRight], p[kNearTopRight]);
  planes[kTop] = planeThrough(p[kEye], p[kNearTopRight], p[kNearTopLeft]);
  planes[kBottom] = planeThrough(p[kEye], p[kNearBottomLeft], p[kNearBottomRight]);
  // A transform with a reflection (a mirrored eye) reverses the winding of
  // the points, so each plane is turned to face the middle of the volume.
  Vector centre;
  for (int i = 0; i < 8; ++i) centre += p[i];
  centre *= 0.125f;
  for (ClipPlane& plane : planes)
    if (plane.distance(centre) < 0) plane = {-plane.n, -plane.d};
}

bool Frustum::allOutsideOnePlane(const Vector* candidates, int count) const {
  for (const ClipPlane& plane : planes) {
    int outside = 0;
    while (outside < count && !plane.inside(candidates[outside])) ++outside;
    if (outside == count) return true;
  }
  return false;
}

bool Frustum::boxOutside(Vector min, Vector max) const {
  Vector corners[8];
  for (int i = 0; i < 8; ++i) corners[i] = {i & 1 ? max.x : min.x, i & 2 ? max.y : min.y, i & 4 ? max.z : min.z};
  return allOutsideOnePlane(corners, 8);
}

}  // namespace vx
