#include "engine3d/mesh.h"

#include <algorithm>
#include <cmath>

#include "engine3d/frustum.h"
#include "engine3d/world.h"

namespace vx {

namespace {

constexpr float kNoBound = 10000000;

// The eight corners of a box.
void corners(Vector min, Vector max, Vector out[8]) {
  for (int i = 0; i < 8; ++i) out[i] = {i & 1 ? max.x : min.x, i & 2 ? max.y : min.y, i & 4 ? max.z : min.z};
}

}  // namespace

Mesh::Mesh() : data_(std::make_shared<MeshData>()) {}

void Mesh::renderBrushChanged(const Brush&) { drawnBrushesStamp_ = -1; }

MeshSurface& Mesh::createSurface(const Brush& brush) {
  data_->surfaces.push_back(std::make_unique<MeshSurface>(brush, data_->changeCount));
  ++data_->changeCount;
  return *data_->surfaces.back();
}

void Mesh::transform(const Transform& t) {
  for (auto& surface : data_->surfaces) surface->transform(t);
}

void Mesh::fit(Vector corner, Vector size, bool uniform) {
  Vector min, max;
  bounds(min, max);
  if (max.x < min.x) return;
  const Vector low{std::min(corner.x, corner.x + size.x), std::min(corner.y, corner.y + size.y),
                   std::min(corner.z, corner.z + size.z)};
  const Vector high{std::max(corner.x, corner.x + size.x), std::max(corner.y, corner.y + size.y),
                    std::max(corner.z, corner.z + size.z)};
  const Vector target = high - low, extent = max - min;
  // An axis along which the mesh is flat has nothing to scale: it keeps
  // its size, and does not decide the uniform factor.
  float factor[3];
  const float targets[3] = {target.x, target.y, target.z}, extents[3] = {extent.x, extent.y, extent.z};
  float smallest = 0;
  bool any = false;
  for (int axis = 0; axis < 3; ++axis) {
    factor[axis] = extents[axis] > 0 ? targets[axis] / extents[axis] : 1;
    if (extents[axis] > 0 && (!any || factor[axis] < smallest)) smallest = factor[axis], any = true;
  }
  if (uniform) factor[0] = factor[1] = factor[2] = any ? smallest : 1;
  const Vector s{factor[0], factor[1], factor[2]};
  const Vector centre = (min + max) * 0.5f, targetCentre = (low + high) * 0.5f;
  transform({{{s.x, 0, 0}, {0, s.y, 0}, {0, 0, s.z}}, targetCentre - scaled(s, centre)});
}

void Mesh::flip() {
  for (auto& surface : data_->surfaces) surface->flip();
}

void Mesh::paint(const Brush& brush) {
  for (auto& surface : data_->surfaces) surface->setBrush(brush);
}

void Mesh::add(const Mesh& other) {
  if (sharesGeometry(other)) return;
  for (const auto& source : other.surfaces()) {
    MeshSurface* dest = findSurface(source->brush());
    if (!dest) dest = &createSurface(source->brush());
    const int32_t offset = dest->vertexCount();
    for (const Triangle& t : source->triangles()) dest->addTriangle(t.v[0] + offset, t.v[1] + offset, t.v[2] + offset);
    for (const Vertex& v : source->vertices()) dest->addVertex(v);
  }
}

bool Mesh::updateNormals() {
  if (data_->normalsStamp == data_->changeCount) return false;
  for (auto& surface : data_->surfaces) surface->updateNormals();
  data_->normalsStamp = data_->changeCount;
  return true;
}

void Mesh::light(Vector color, float range, Vector position) {
  const Vector added = color * 255;
  for (auto& surface : data_->surfaces) {
    if (range == 0) {
      surface->addLight(added, [](const Vertex&) { return 1.0f; });
      continue;
    }
    surface->addLight(added, [range, position](const Vertex& v) {
      const Vector d = position - v.position();
      const float far = length(d);
      const float facing = dot(normalise(v.normal()), d);
      return facing > 0 ? (range / far) * (facing / far) : 0.0f;
    });
  }
}

void Mesh::bounds(Vector& min, Vector& max) {
  MeshData& d = *data_;
  if (d.boundsStamp != d.changeCount) {
    d.boundsMin = {kNoBound, kNoBound, kNoBound};
    d.boundsMax = {-kNoBound, -kNoBound, -kNoBound};
    for (const auto& surface : d.surfaces)
      for (const Vertex& v : surface->vertices()) {
        d.boundsMin = {std::min(d.boundsMin.x, v.x), std::min(d.boundsMin.y, v.y), std::min(d.boundsMin.z, v.z)};
        d.boundsMax = {std::max(d.boundsMax.x, v.x), std::max(d.boundsMax.y, v.y), std::max(d.boundsMax.z, v.z)};
      }
    d.boundsStamp = d.changeCount;
  }
  min = d.boundsMin;
  max = d.boundsMax;
}

MeshSurface* Mesh::findSurface(const Brush& brush) const {
  for (const auto& surface : data_->surfaces)
    if (surface->brush() == brush) return surface.get();
  return nullptr;
}

void Mesh::render(const RenderContext& context) {
  Vector min, max;
  bounds(min, max);
  if (max.x < min.x || max.y < min.y || max.z < min.z) return;
  Vector box[8];
  corners(min, max, box);
  const Frustum local = context.frustum.transformed(inverse(renderTransform()));
  if (local.allOutsideOnePlane(box, 8)) return;

  if (drawnBrushesStamp_ != data_->changeCount) {
    drawnBrushes_.clear();
    for (const auto& surface : data_->surfaces) drawnBrushes_.push_back(renderBrush.merged(surface->brush()));
    drawnBrushesStamp_ = data_->changeCount;
  }

  World* world = world3D();
  SceneDevice* device = world ? world->device : nullptr;
  if (!device) return;
  for (size_t i = 0; i < data_->surfaces.size(); ++i) {
    MeshSurface& surface = *data_->surfaces[i];
    if (DeviceMesh* mesh = surface.deviceMesh(*device))
      enqueue(*mesh, 0, surface.vertexCount(), 0, surface.triangleCount(), drawnBrushes_[i]);
  }
}

}  // namespace vx
