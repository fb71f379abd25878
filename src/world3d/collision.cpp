#include "world3d/collision.h"

#include <cmath>

namespace vx {

namespace {

// Below this a triangle or face has no area and so no front.
constexpr float kNoArea = 1e-12f;

// A point this far outside an edge, relative to the size of its
// coordinates, still counts as on it: rounding then cannot open a seam
// between two faces sharing the edge for a line to slip through.
constexpr float kSeamSlack = 1e-6f;

// The smaller root of a*t² + b*t + c = 0, or false without a real one.
bool smallerRoot(float a, float b, float c, float& t) {
  const float discriminant = b * b - 4 * a * c;
  if (discriminant < 0) return false;
  t = (-b - std::sqrt(discriminant)) / (2 * a);
  return true;
}

Vector pointAt(const CollisionLine& line, float t) { return line.origin + line.direction * t; }

void setHit(CollisionInfo& info, float time, Vector normal) {
  info.time = time;
  info.normal = normal;
}

// The front of the convex polygon corners[0..count) (wound as triangles are)
// with its outward unit normal n: the plane pushed out by radius is met at
// a time no later than the info's, with the centre then inside every edge.
// edgesToo is set when the plane is met in time but the face is missed, so
// that the caller tries the edges.
bool faceCollide(const CollisionLine& line, float radius, const Vector* corners, int count, Vector n,
                 CollisionInfo& info, bool& edgesToo) {
  edgesToo = false;
  const float approach = dot(n, line.direction);
  if (approach >= 0) return false;
  const float d = -dot(n, corners[0]);
  const float t = -(dot(n, line.origin) + d - radius) / approach;
  if (t > info.time) return false;
  if (t >= 0) {
    const Vector centre = pointAt(line, t);
    const float slack = kSeamSlack * (std::fabs(centre.x) + std::fabs(centre.y) + std::fabs(centre.z) + 1);
    bool inside = true;
    for (int i = 0; i < count && inside; ++i) {
      const Vector a = corners[i], edge = corners[(i + 1) % count] - a;
      inside = dot(cross(n, edge), centre - a) >= -slack * length(edge);
    }
    if (inside) {
      setHit(info, t, n);
      return true;
    }
  }
  edgesToo = radius > 0;
  return false;
}

}  // namespace

bool sphereCollide(const CollisionLine& line, float radius, Vector centre, float targetRadius, CollisionInfo& info) {
  const Vector D = line.direction;
  const float a = dot(D, D);
  if (a == 0) return false;
  const Vector away = line.origin - centre;
  const float reach = radius + targetRadius;
  float t;
  if (!smallerRoot(a, 2 * dot(away, D), dot(away, away) - reach * reach, t)) return false;
  if (!(t >= 0 && t < info.time)) return false;
  setHit(info, t, normalise(pointAt(line, t) - centre));
  return true;
}

bool edgeCollide(const CollisionLine& line, float radius, Vector a, Vector b, CollisionInfo& info) {
  const float edgeLength = length(b - a);
  if (!(edgeLength > 0)) return false;
  const Vector e = (b - a) / edgeLength;
  // The line across the edge: what is left of it without its part along e.
  const Vector fromA = line.origin - a;
  const Vector across = fromA - e * dot(fromA, e);
  const Vector acrossD = line.direction - e * dot(line.direction, e);
  const float speed = dot(acrossD, acrossD);
  if (speed == 0) return false;
  float t;
  if (!smallerRoot(speed, 2 * dot(across, acrossD), dot(across, across) - radius * radius, t)) return false;
  if (t > info.time) return false;
  const float h = dot(pointAt(line, t) - a, e);
  if (h > edgeLength) return false;
  if (h >= 0) {
    if (t < 0) return false;
    setHit(info, t, normalise(pointAt(line, t) - (a + e * h)));
    return true;
  }
  // Past the start: the sphere around a.
  const Vector D = line.direction;
  float tA;
  if (!smallerRoot(dot(D, D), 2 * dot(fromA, D), dot(fromA, fromA) - radius * radius, tA)) return false;
  if (!(tA >= 0 && tA <= info.time)) return false;
  setHit(info, tA, normalise(pointAt(line, tA) - a));
  return true;
}

bool triangleCollide(const CollisionLine& line, float radius, Vector v0, Vector v1, Vector v2, CollisionInfo& info) {
  const Vector normal = cross(v1 - v0, v2 - v0);
  // Back faces and sweeps along the face are left before any square root.
  if (!(dot(normal, normal) > kNoArea) || !(dot(normal, line.direction) < 0)) return false;
  const Vector corners[3] = {v0, v1, v2};
  bool edgesToo;
  if (faceCollide(line, radius, corners, 3, normalise(normal), info, edgesToo)) return true;
  if (!edgesToo) return false;
  bool hit = edgeCollide(line, radius, v2, v0, info);
  hit |= edgeCollide(line, radius, v0, v1, info);
  hit |= edgeCollide(line, radius, v1, v2, info);
  return hit;
}

bool boxCollide(const CollisionLine& line, float radius, Vector min, Vector max, const Transform& frame,
                CollisionInfo& info) {
  // Corner bits: 1 x at max, 2 y at max, 4 z at max; faces wound outward.
  static constexpr int kFaces[6][4] = {{2, 3, 1, 0}, {3, 7, 5, 1}, {7, 6, 4, 5},
                                       {6, 2, 0, 4}, {6, 7, 3, 2}, {0, 1, 5, 4}};
  Vector corners[8];
  for (int i = 0; i < 8; ++i)
    corners[i] = frame * Vector{i & 1 ? max.x : min.x, i & 2 ? max.y : min.y, i & 4 ? max.z : min.z};
  // A mirroring frame turns the winding inwards: its faces are read the
  // other way round.
  const bool mirrored = determinant(frame.m) < 0;
  bool hit = false;
  for (const auto& face : kFaces) {
    Vector quad[4];
    for (int i = 0; i < 4; ++i) quad[i] = corners[face[mirrored ? (4 - i) % 4 : i]];
    const Vector normal = cross(quad[1] - quad[0], quad[2] - quad[0]);
    if (!(dot(normal, normal) > kNoArea)) continue;
    bool edgesToo;
    if (faceCollide(line, radius, quad, 4, normalise(normal), info, edgesToo)) {
      hit = true;
      continue;
    }
    if (!edgesToo) continue;
    for (int i = 0; i < 4; ++i) hit |= edgeCollide(line, radius, quad[i], quad[(i + 1) % 4], info);
  }
  return hit;
}

bool planeCollide(const CollisionLine& line, float radius, const Transform& transform, CollisionInfo& info) {
  const Transform toPlane = inverse(transform);
  const Vector origin = toPlane * line.origin;
  const Vector direction = toPlane.m * line.direction;
  if (!(direction.y < 0)) return false;
  const float t = -(origin.y - radius) / direction.y;
  if (!(t >= 0 && t <= info.time)) return false;
  // Normals go with the inverse transpose: the up axis picks its y row.
  const Vector up{toPlane.m.i.y, toPlane.m.j.y, toPlane.m.k.y};
  setHit(info, t, normalise(up));
  return true;
}

}  // namespace vx
