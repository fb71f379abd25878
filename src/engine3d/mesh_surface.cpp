#include "engine3d/mesh_surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vx {

namespace {

HandleSet<MeshSurface>& liveSurfaces() {
  static HandleSet<MeshSurface> set;
  return set;
}

// Positions closer than this on every axis are one place.
constexpr float kSamePlace = 1e-6f;

bool samePlace(Vector a, Vector b) {
  return std::fabs(a.x - b.x) <= kSamePlace && std::fabs(a.y - b.y) <= kSamePlace &&
         std::fabs(a.z - b.z) <= kSamePlace;
}

// A vertex by its position, for sorting.
struct Placed {
  Vector position;
  int32_t vertex;
};

}  // namespace

MeshSurface::MeshSurface(const Brush& brush, MeshVersions& versions) : brush_(brush), versions_(versions) {
  liveSurfaces().add(this);
}

MeshSurface::~MeshSurface() { liveSurfaces().remove(this); }

const HandleSet<MeshSurface>& MeshSurface::surfaces() { return liveSurfaces(); }

int32_t MeshSurface::addVertex(Vector position, float u, float v) {
  Vertex vertex;
  vertex.setPosition(position);
  vertex.u0 = vertex.u1 = u;
  vertex.v0 = vertex.v1 = v;
  return addVertex(vertex);
}

int32_t MeshSurface::addVertex(const Vertex& vertex) {
  vertices_.push_back(vertex);
  geometryChanged();
  return vertexCount() - 1;
}

int32_t MeshSurface::addTriangle(int32_t v0, int32_t v1, int32_t v2) {
  const Triangle t{{static_cast<uint16_t>(v0), static_cast<uint16_t>(v1), static_cast<uint16_t>(v2)}};
  triangles_.push_back(t);
  // Indices the triangle cannot hold count at their full size, so that the
  // surface is not drawn with other vertices than were named.
  for (int32_t index : {v0, v1, v2})
    highestIndex_ = std::max(highestIndex_, index >= 0 && index < kSurfaceVertexLimit ? index : INT32_MAX);
  geometryChanged();
  return triangleCount() - 1;
}

void MeshSurface::append(std::vector<Vertex>&& vertices, std::vector<Triangle>&& triangles) {
  if (vertices_.empty()) vertices_ = std::move(vertices);
  else vertices_.insert(vertices_.end(), vertices.begin(), vertices.end());
  const int32_t firstTriangle = triangleCount();
  if (triangles_.empty()) triangles_ = std::move(triangles);
  else triangles_.insert(triangles_.end(), triangles.begin(), triangles.end());
  for (int32_t t = firstTriangle; t < triangleCount(); ++t)
    for (uint16_t index : triangles_[t].v) highestIndex_ = std::max<int32_t>(highestIndex_, index);
  geometryChanged();
}

void MeshSurface::setCoords(int32_t index, Vector position) {
  vertices_[index].setPosition(position);
  verticesChanged(index);
  geometryChanged();
}

void MeshSurface::setNormal(int32_t index, Vector normal) {
  vertices_[index].setNormal(normal);
  verticesChanged(index);
}

void MeshSurface::setColor(int32_t index, uint32_t argb) {
  vertices_[index].argb = argb;
  verticesChanged(index);
}

void MeshSurface::setTexCoords(int32_t index, float u, float v, int32_t set) {
  Vertex& vertex = vertices_[index];
  (set ? vertex.u1 : vertex.u0) = u;
  (set ? vertex.v1 : vertex.v0) = v;
  verticesChanged(index);
}

void MeshSurface::clear(bool clearVertices, bool clearTriangles) {
  if (clearVertices) {
    vertices_.clear();
    verticesChanged(0);
  }
  if (clearTriangles) {
    triangles_.clear();
    highestIndex_ = -1;
    trianglesChanged(0);
  }
  geometryChanged();
}

void MeshSurface::setBrush(const Brush& brush) {
  brush_ = brush;
  ++versions_.material;
}

void MeshSurface::transform(const Transform& t) {
  const Matrix normals = cofactor(t.m);
  for (Vertex& vertex : vertices_) {
    vertex.setPosition(t * vertex.position());
    vertex.setNormal(normals * vertex.normal());
  }
  verticesChanged(0);
  geometryChanged();
}

void MeshSurface::flip() {
  for (Vertex& vertex : vertices_) vertex.setNormal(-vertex.normal());
  for (Triangle& t : triangles_) std::swap(t.v[1], t.v[2]);
  verticesChanged(0);
  trianglesChanged(0);
  geometryChanged();
}

// The vertices are sorted by position (x, then y, then z); a run of them
// within 1e-6 of the run's first position on every axis is one place. Each
// face's unit normal is added to the places of its three corners, and each
// vertex gets the normalised sum of its place (zero where no face touches
// it). A position with a coordinate that is not finite is no other
// vertex's place, and no face's: its vertex keeps a zero normal.
void MeshSurface::updateNormals() {
  static thread_local std::vector<Placed> placed;
  static thread_local std::vector<int32_t> places;
  static thread_local std::vector<Vector> sums;
  const int32_t count = vertexCount();
  placed.clear();
  // Not-a-number coordinates sort as minus infinity, so that the order
  // stays strict.
  auto key = [](float v) { return v == v ? v : -std::numeric_limits<float>::infinity(); };
  for (int32_t i = 0; i < count; ++i) {
    const Vertex& v = vertices_[i];
    placed.push_back({{key(v.x), key(v.y), key(v.z)}, i});
  }
  std::sort(placed.begin(), placed.end(), [](const Placed& p, const Placed& q) {
    if (p.position.x != q.position.x) return p.position.x < q.position.x;
    if (p.position.y != q.position.y) return p.position.y < q.position.y;
    return p.position.z < q.position.z;
  });
  places.assign(count, -1);
  sums.clear();
  for (int32_t first = 0, end; first < count; first = end) {
    const Vector at = vertices_[placed[first].vertex].position();
    end = first + 1;
    if (!std::isfinite(at.x) || !std::isfinite(at.y) || !std::isfinite(at.z)) continue;
    while (end < count && samePlace(vertices_[placed[end].vertex].position(), at)) ++end;
    for (int32_t i = first; i < end; ++i) places[placed[i].vertex] = static_cast<int32_t>(sums.size());
    sums.push_back({});
  }
  for (const Triangle& t : triangles_) {
    if (t.v[0] >= count || t.v[1] >= count || t.v[2] >= count) continue;
    const Vector a = vertices_[t.v[0]].position(), b = vertices_[t.v[1]].position(),
                 c = vertices_[t.v[2]].position();
    const Vector face = cross(b - a, c - a);
    const float size = length(face);
    if (size <= 1e-6f) continue;
    const Vector unit = face / size;
    for (uint16_t v : t.v)
      if (places[v] >= 0) sums[places[v]] += unit;
  }
  for (int32_t i = 0; i < count; ++i) {
    const Vector sum = places[i] >= 0 ? sums[places[i]] : Vector{};
    vertices_[i].setNormal(sum == Vector{} ? sum : normalise(sum));
  }
  verticesChanged(0);
}

DeviceMesh* MeshSurface::deviceMesh(SceneDevice& device) {
  const int32_t vertexTotal = vertexCount(), triangleTotal = triangleCount();
  if (!drawable()) return nullptr;
  if (device_ && cleanVertices_ == vertexTotal && cleanTriangles_ == triangleTotal) return device_.get();
  if (!device_ || vertexTotal > device_->vertexCapacity() || triangleTotal > device_->triangleCapacity()) {
    // Room for half as much again as before, so that a growing surface is
    // not remade at every draw.
    const int32_t vertexRoom = device_ ? vertexTotal + device_->vertexCapacity() / 2 : vertexTotal;
    const int32_t triangleRoom = device_ ? triangleTotal + device_->triangleCapacity() / 2 : triangleTotal;
    device_.reset();
    cleanVertices_ = cleanTriangles_ = 0;
    device_ = device.createMesh(vertexRoom, triangleRoom, 0);
    if (!device_) return nullptr;
  }
  sendVertices(*device_);
  sendTriangles(*device_);
  return device_.get();
}

void MeshSurface::sendVertices(DeviceMesh& mesh) {
  const int32_t count = vertexCount() - cleanVertices_;
  if (count > 0) {
    DeviceVertex* out = mesh.lockVertices(cleanVertices_, count);
    if (!out) return;
    for (int32_t i = cleanVertices_; i < vertexCount(); ++i, ++out) {
      const Vertex& v = vertices_[i];
      *out = {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.argb, v.u0, v.v0, v.u1, v.v1};
    }
    mesh.unlockVertices();
  }
  cleanVertices_ = vertexCount();
}

void MeshSurface::sendTriangles(DeviceMesh& mesh) {
  const int32_t count = triangleCount() - cleanTriangles_;
  if (count > 0) {
    uint16_t* out = mesh.lockTriangles(cleanTriangles_, count);
    if (!out) return;
    writeTriangles(out, cleanTriangles_, count);
    mesh.unlockTriangles();
  }
  cleanTriangles_ = triangleCount();
}

void MeshSurface::writeTriangles(uint16_t* out, int32_t first, int32_t count) const {
  static_assert(sizeof(Triangle) == 3 * sizeof(uint16_t));
  std::memcpy(out, triangles_.data() + first, count * sizeof(Triangle));
}

}  // namespace vx
