#pragma once
// The geometric tests of a sphere swept along a line, shared by the world
// update (an ellipsoid squashed into a sphere), picking (a sphere or a bare
// line) and every kind that answers for its own geometry.
//
// A sweep runs from line.origin to line.origin + line.direction; its time
// is the fraction of that way. Each test improves a CollisionInfo, which
// starts at time 1: it returns true, with time, normal and (for a mesh)
// surface and triangle set, when it found a hit no later than the info's
// time (sooner for a sphere target, where equal times keep the earlier
// hit). A sweep that starts inside a target, or moves along a face or
// away from it, does not hit it: only fronts are solid, so a sphere that
// ends up inside something can always leave.

#include <cstdint>

#include "engine3d/math3d.h"

namespace vx {

class MeshSurface;
class Object;

struct CollisionLine {
  Vector origin;
  Vector direction;
};

// The best hit found so far.
struct CollisionInfo {
  float time = 1;
  Vector normal;                   // of the surface hit, towards the sphere
  MeshSurface* surface = nullptr;  // set by mesh geometry only
  int32_t triangle = -1;           // within surface
};

// A collision of the last world update, as each of the two entities keeps
// it: the other entity, the point of contact in world space and what the
// search found.
struct CollisionRecord {
  Object* other = nullptr;
  Vector point;
  CollisionInfo info;
};

// The sphere of radius around centre (the swept sphere's radius is added).
bool sphereCollide(const CollisionLine& line, float radius, Vector centre, float targetRadius, CollisionInfo& info);

// The front of the triangle, whose winding (v1 - v0) x (v2 - v0) points
// out; then, for a swept sphere that misses the face, its edges.
// Triangles without area have no front and are never hit.
bool triangleCollide(const CollisionLine& line, float radius, Vector v0, Vector v1, Vector v2, CollisionInfo& info);

// The cylinder of radius around the edge from a to b and the sphere around
// a (the sphere around b is left to the edge that starts there).
bool edgeCollide(const CollisionLine& line, float radius, Vector a, Vector b, CollisionInfo& info);

// The box from min to max placed by frame: its faces, then each face's
// edges. The frame may be any affine map (a squashed box is a
// parallelepiped); a mirroring one keeps the normals outward.
bool boxCollide(const CollisionLine& line, float radius, Vector min, Vector max, const Transform& frame,
                CollisionInfo& info);

// The plane y = 0 of the space transform places, solid from above: only a
// sweep that moves down through it hits, and the normal is the plane's up
// axis as transform carries normals.
bool planeCollide(const CollisionLine& line, float radius, const Transform& transform, CollisionInfo& info);

}  // namespace vx
