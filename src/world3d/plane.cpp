#include "world3d/plane.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine3d/device/scene_device.h"
#include "engine3d/render_context.h"
#include "engine3d/world.h"
#include "runtime/registry.h"
#include "world3d/world3d_commands.h"
#include "world3d/collision.h"

namespace vx {

namespace {

// A point of the view: a across from left to right, b down from top to
// bottom, both 0..1 over the far end of the view volume.
struct ViewPoint {
  float a, b;
};

// The plane y = 0 as the eye of a view volume (in the plane's space) sees
// it. The far end of the volume is a parallelogram, so the height of its
// points is linear in a and b: the rays that meet the plane before it lie
// on one side of a line, and a point of the view on that side stands for
// the point of the plane its ray meets.
class PlaneView {
 public:
  explicit PlaneView(const Frustum& volume)
      : eye_(volume.points[Frustum::kEye]),
        topLeft_(volume.points[Frustum::kFarTopLeft]),
        across_(volume.points[Frustum::kFarTopLeft + 1] - topLeft_),
        down_(volume.points[Frustum::kFarTopLeft + 3] - topLeft_),
        side_(eye_.y > 0 ? 1.0f : -1.0f) {}

  // An eye in the plane sees it edge on.
  bool seen() const { return eye_.y != 0 && std::isfinite(eye_.y); }
  // Negative or 0 where the ray meets the plane before the far end.
  float beyond(ViewPoint p) const { return side_ * far(p).y; }
  Vector onPlane(ViewPoint p) const {
    const Vector f = far(p);
    Vector hit = eye_ + (f - eye_) * (eye_.y / (eye_.y - f.y));
    hit.y = 0;
    return hit;
  }
  Vector eye() const { return eye_; }

 private:
  Vector far(ViewPoint p) const { return topLeft_ + across_ * p.a + down_ * p.b; }

  Vector eye_, topLeft_, across_, down_;
  float side_;
};

// A convex polygon of the view, clipped to where the plane is seen: one
// line cuts off at most one corner, so a quadrilateral gives at most five.
struct ViewPolygon {
  ViewPoint points[5];
  int count = 0;

  static ViewPolygon clipped(const ViewPoint (&corners)[4], const PlaneView& view) {
    ViewPolygon out;
    for (int i = 0; i < 4; ++i) {
      const ViewPoint p = corners[i], q = corners[(i + 1) % 4];
      const float bp = view.beyond(p), bq = view.beyond(q);
      if (bp <= 0) out.points[out.count++] = p;
      if ((bp <= 0) != (bq <= 0) && out.count < 5) out.points[out.count++] = crossing(p, bp, q, bq);
    }
    return out;
  }

  // Where the edge meets the line, worked out from the same end whichever
  // way the edge runs, so that two cells sharing it agree to the last bit.
  static ViewPoint crossing(ViewPoint p, float bp, ViewPoint q, float bq) {
    if (q.a < p.a || (q.a == p.a && q.b < p.b)) std::swap(p, q), std::swap(bp, bq);
    const float t = bp / (bp - bq);
    return {p.a + t * (q.a - p.a), p.b + t * (q.b - p.b)};
  }
};

// Writes a cell as a fan of triangles wound clockwise seen from above.
void writeCell(const Vector* corners, int count, Vector origin, DeviceVertex* vertices, uint16_t* indices,
               int32_t firstVertex) {
  float area = 0;
  for (int i = 0; i < count; ++i) {
    const Vector p = corners[i], q = corners[(i + 1) % count];
    area += p.x * q.z - q.x * p.z;
  }
  for (int i = 0; i < count; ++i) {
    const Vector& p = corners[i];
    const float u = p.x - origin.x, v = origin.z - p.z;
    vertices[i] = {p.x, 0, p.z, 0, 1, 0, 0xFFFFFFFF, u, v, u, v};
  }
  for (int i = 1; i + 1 < count; ++i, indices += 3) {
    const int second = area > 0 ? i + 1 : i, third = area > 0 ? i : i + 1;
    indices[0] = static_cast<uint16_t>(firstVertex);
    indices[1] = static_cast<uint16_t>(firstVertex + second);
    indices[2] = static_cast<uint16_t>(firstVertex + third);
  }
}

}  // namespace

Plane::Plane(int32_t segments) : segments_(segments) {}

Plane::~Plane() = default;

bool Plane::collide(const CollisionLine& line, float radius, CollisionInfo& info, const Transform& transform) {
  return planeCollide(line, radius, transform, info);
}

void Plane::render(const RenderContext& context) {
  const PlaneView view(context.frustum.transformed(inverse(renderTransform())));
  if (!view.seen()) return;
  const ViewPolygon whole = ViewPolygon::clipped({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, view);
  if (whole.count < 3) return;
  ViewPoint low = whole.points[0], high = whole.points[0];
  for (int i = 1; i < whole.count; ++i) {
    low = {std::min(low.a, whole.points[i].a), std::min(low.b, whole.points[i].b)};
    high = {std::max(high.a, whole.points[i].a), std::max(high.b, whole.points[i].b)};
  }

  const int32_t s = segments_;
  if (!cells_) cells_ = context.device.createMesh(5 * s * s, 3 * s * s, 0);
  if (!cells_) return;
  DeviceVertex* vertices = cells_->lockVertices(0, 5 * s * s);
  uint16_t* indices = cells_->lockTriangles(0, 3 * s * s);
  if (!vertices || !indices) {
    if (vertices) cells_->unlockVertices();
    if (indices) cells_->unlockTriangles();
    return;
  }
  // Texture coordinates count from a whole unit near the eye, where they
  // are most precise.
  const Vector origin{std::floor(view.eye().x), 0, std::floor(view.eye().z)};
  int32_t vertexCount = 0, triangleCount = 0;
  const float cellA = (high.a - low.a) / static_cast<float>(s), cellB = (high.b - low.b) / static_cast<float>(s);
  for (int32_t row = 0; row < s; ++row) {
    const float b0 = low.b + cellB * static_cast<float>(row), b1 = row + 1 == s ? high.b : b0 + cellB;
    for (int32_t column = 0; column < s; ++column) {
      const float a0 = low.a + cellA * static_cast<float>(column), a1 = column + 1 == s ? high.a : a0 + cellA;
      const ViewPolygon cell = ViewPolygon::clipped({{a0, b0}, {a1, b0}, {a1, b1}, {a0, b1}}, view);
      if (cell.count < 3) continue;
      Vector corners[5];
      for (int i = 0; i < cell.count; ++i) corners[i] = view.onPlane(cell.points[i]);
      writeCell(corners, cell.count, origin, vertices + vertexCount, indices + 3 * triangleCount, vertexCount);
      vertexCount += cell.count;
      triangleCount += cell.count - 2;
    }
  }
  cells_->unlockVertices();
  cells_->unlockTriangles();
  if (triangleCount) enqueue(*cells_, 0, vertexCount, 0, triangleCount, renderBrush);
}

namespace {

int32_t createPlane(int32_t segments, int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  // More cells than these would make a buffer out of all proportion: refused
  // also without the debugging flag.
  if (segments < 1 || segments > Plane::kMaxSegments) {
    if (debugging()) raiseError("Illegal number of segments");
    return 0;
  }
  return addEntity(new Plane(segments), parent);
}

}  // namespace

void linkPlaneCommands(Registry& r) { r.command<"%CreatePlane%segments=1%parent=0", createPlane>(); }

}  // namespace vx
