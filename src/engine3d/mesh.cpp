#include "engine3d/mesh.h"

#include <algorithm>
#include <cmath>

#include "engine3d/render_context.h"

namespace vx {

namespace {

constexpr float kNoBound = 10000000;

// The eight corners of a box.
void corners(Vector min, Vector max, Vector out[8]) {
  for (int i = 0; i < 8; ++i) out[i] = {i & 1 ? max.x : min.x, i & 2 ? max.y : min.y, i & 4 ? max.z : min.z};
}

}  // namespace

Mesh::Mesh() : data_(std::make_shared<MeshData>()) {}

Mesh::Mesh(const Mesh& source)
    : Model(source),
      data_(source.data_),
      drawnBrushes_(source.drawnBrushes_),
      drawnBrushesStamp_(source.drawnBrushesStamp_) {}

void Mesh::renderBrushChanged(const Brush&) { drawnBrushesStamp_ = -1; }

MeshSurface& Mesh::createSurface(const Brush& brush) {
  data_->surfaces.push_back(std::make_unique<MeshSurface>(brush, data_->versions));
  ++data_->versions.geometry;
  ++data_->versions.material;
  return *data_->surfaces.back();
}

MeshSurface& Mesh::surfaceWithRoom(const Brush& brush, int32_t vertexCount) {
  for (auto it = data_->surfaces.rbegin(); it != data_->surfaces.rend(); ++it)
    if ((*it)->brush() == brush) {
      if ((*it)->vertexCount() + vertexCount <= kSurfaceVertexLimit) return **it;
      break;
    }
  return createSurface(brush);
}

void Mesh::transform(const Transform& t) {
  for (auto& surface : data_->surfaces) surface->transform(t);
}

void Mesh::fit(Vector corner, Vector size, bool uniform) {
  Vector min, max;
  if (!bounds(min, max)) return;
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
    // The first surface of an equal brush that 16-bit indices still reach
    // with the source's vertices added.
    MeshSurface* dest = nullptr;
    for (const auto& surface : data_->surfaces)
      if (surface->brush() == source->brush() &&
          surface->vertexCount() + source->vertexCount() <= kSurfaceVertexLimit) {
        dest = surface.get();
        break;
      }
    if (!dest) dest = &createSurface(source->brush());
    const int32_t offset = dest->vertexCount();
    for (const Triangle& t : source->triangles()) dest->addTriangle(t.v[0] + offset, t.v[1] + offset, t.v[2] + offset);
    for (const Vertex& v : source->vertices()) dest->addVertex(v);
  }
}

bool Mesh::updateNormals() {
  if (data_->normalsStamp == data_->versions.geometry) return false;
  for (auto& surface : data_->surfaces) surface->updateNormals();
  data_->normalsStamp = data_->versions.geometry;
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

bool Mesh::bounds(Vector& min, Vector& max) {
  MeshData& d = *data_;
  if (d.boundsStamp != d.versions.geometry) {
    d.boundsMin = {kNoBound, kNoBound, kNoBound};
    d.boundsMax = {-kNoBound, -kNoBound, -kNoBound};
    for (const auto& surface : d.surfaces)
      for (const Vertex& v : surface->vertices()) {
        d.boundsMin = {std::min(d.boundsMin.x, v.x), std::min(d.boundsMin.y, v.y), std::min(d.boundsMin.z, v.z)};
        d.boundsMax = {std::max(d.boundsMax.x, v.x), std::max(d.boundsMax.y, v.y), std::max(d.boundsMax.z, v.z)};
      }
    d.boundsStamp = d.versions.geometry;
  }
  min = d.boundsMin;
  max = d.boundsMax;
  return min.x <= max.x && min.y <= max.y && min.z <= max.z;
}

MeshSurface* Mesh::findSurface(const Brush& brush) const {
  for (const auto& surface : data_->surfaces)
    if (surface->brush() == brush) return surface.get();
  return nullptr;
}

const Transform* Mesh::drawTransform() {
  return deformer && deformer->worldSpace() ? nullptr : &renderTransform();
}

void Mesh::render(const RenderContext& context) {
  Vector min, max;
  if (!bounds(min, max)) return;
  // A posed mesh is tested by the bounds of its geometry too: a pose is
  // taken to stay near the shape it deforms.
  Vector box[8];
  corners(min, max, box);
  const Frustum local = context.frustum.transformed(inverse(renderTransform()));
  if (local.allOutsideOnePlane(box, 8)) return;

  const auto& surfaces = data_->surfaces;
  if (drawnBrushesStamp_ != data_->versions.material || drawnBrushes_.size() != surfaces.size()) {
    drawnBrushes_.resize(surfaces.size());
    for (size_t i = 0; i < surfaces.size(); ++i) drawnBrushes_[i].setMerged(renderBrush, surfaces[i]->brush());
    drawnBrushesStamp_ = data_->versions.material;
  }

  const uint32_t pose = deformer ? deformer->pose() : 0;
  for (size_t i = 0; i < surfaces.size(); ++i) {
    MeshSurface& surface = *surfaces[i];
    DeviceMesh* mesh = deformer ? posedMesh(context.device, i, pose) : surface.deviceMesh(context.device);
    if (mesh) enqueue(*mesh, 0, surface.vertexCount(), 0, surface.triangleCount(), drawnBrushes_[i]);
  }
}

DeviceMesh* Mesh::posedMesh(SceneDevice& device, size_t index, uint32_t pose) {
  const MeshSurface& surface = *data_->surfaces[index];
  if (!surface.drawable()) return nullptr;
  if (posed_.size() != data_->surfaces.size()) posed_.resize(data_->surfaces.size());
  Posed& posed = posed_[index];
  const int32_t vertices = surface.vertexCount(), triangles = surface.triangleCount();
  if (!posed.mesh || posed.mesh->vertexCapacity() < vertices || posed.mesh->triangleCapacity() < triangles) {
    posed.mesh = device.createMesh(vertices, triangles, 0);
    posed.geometryVersion = -1;
    if (!posed.mesh) return nullptr;
  }
  const MeshVersions& versions = data_->versions;
  if (posed.geometryVersion == versions.geometry && posed.verticesVersion == versions.vertices && posed.pose == pose)
    return posed.mesh.get();
  if (posed.geometryVersion != versions.geometry) {
    if (uint16_t* out = posed.mesh->lockTriangles(0, triangles)) {
      surface.writeTriangles(out, 0, triangles);
      posed.mesh->unlockTriangles();
    }
  }
  DeviceVertex* out = posed.mesh->lockVertices(0, vertices);
  if (!out) return nullptr;
  deformer->deform(index, surface, out);
  posed.mesh->unlockVertices();
  posed.geometryVersion = versions.geometry;
  posed.verticesVersion = versions.vertices;
  posed.pose = pose;
  return posed.mesh.get();
}

}  // namespace vx
