#include "world3d/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine3d/render_context.h"
#include "engine3d/world.h"

namespace vx {

namespace {

std::unique_ptr<TerrainTessellator> tessellator;

// The grid line at or below v, and how far v lies past it. Values too far
// out to have a fraction read as line 0.
int64_t gridLine(float v, float& fraction) {
  if (!(std::fabs(v) < 1e15f)) {
    fraction = 0;
    return 0;
  }
  const float line = std::floor(v);
  fraction = v - line;
  return static_cast<int64_t>(line);
}

}  // namespace

void startTerrains() { tessellator = std::make_unique<TerrainTessellator>(); }
void endTerrains() { tessellator.reset(); }
TerrainTessellator* terrainTessellator() { return tessellator.get(); }

bool Terrain::bounds(Vector& min, Vector& max) {
  min = {0, 0, 0};
  max = {float(size()), grid_.highest() * (1.0f / 255), float(size())};
  return true;
}

float Terrain::surfaceHeight(float x, float z) const {
  float fx, fz;
  // Wrapped to the grid first, so that far points keep their place in it.
  const int32_t mask = size() - 1;
  const int32_t gx = static_cast<int32_t>(gridLine(x, fx) & mask), gz = static_cast<int32_t>(gridLine(z, fz) & mask);
  const float h00 = grid_.height(gx, gz), h10 = grid_.height(gx + 1, gz);
  const float h01 = grid_.height(gx, gz + 1), h11 = grid_.height(gx + 1, gz + 1);
  const float near = h00 + (h10 - h00) * fx, far = h01 + (h11 - h01) * fx;
  return near + (far - near) * fz;
}

Vector Terrain::shadedNormal(int32_t x, int32_t z) const {
  auto at = [this](int32_t px, int32_t pz) { return Vector{float(px), grid_.height(px, pz), float(pz)}; };
  const Vector p = at(x, z);
  const Vector n = at(x, z - 1) - p, w = at(x - 1, z) - p, s = at(x, z + 1) - p, e = at(x + 1, z) - p;
  return normalise(normalise(cross(n, w)) + normalise(cross(w, s)) + normalise(cross(s, e)) + normalise(cross(e, n)));
}

void Terrain::render(const RenderContext& context) {
  if (!tessellator) return;
  const Transform toTerrain = inverse(renderTransform());
  const Frustum view = context.frustum.transformed(toTerrain);
  tessellator->tessellate(grid_, toTerrain * context.eye.pos, view.planes, detail);
  tessellator->layout();
  if (World* world = world3D()) {
    world->stats[1] = float(tessellator->counted());
    world->stats[2] = float(tessellator->drawnTriangles());
  }
  if (!fill(context.device, *tessellator)) return;
  for (const TerrainChunk& c : tessellator->chunks())
    enqueue(*mesh_, c.firstVertex, c.vertexCount, c.firstTriangle, c.triangleCount, renderBrush);
}

bool Terrain::fill(SceneDevice& device, const TerrainTessellator& t) {
  const auto& drawn = t.drawnVertices();
  const int32_t vertexCount = static_cast<int32_t>(drawn.size());
  const int32_t triangleCount = t.drawnTriangles();
  if (triangleCount == 0) return false;
  if (!mesh_ || mesh_->vertexCapacity() < vertexCount || mesh_->triangleCapacity() < triangleCount) {
    // At first room for the budget (no more than the grid can show), then
    // for what was needed; it never shrinks.
    const int64_t finest = 2 * int64_t(size()) * size();
    const int32_t first = static_cast<int32_t>(std::clamp<int64_t>(detail, 0, finest)) + 32;
    const int32_t vertices = std::max({mesh_ ? mesh_->vertexCapacity() : first, vertexCount + 32});
    const int32_t triangles = std::max({mesh_ ? mesh_->triangleCapacity() : first, triangleCount + 32});
    mesh_ = device.createMesh(vertices, triangles, 0);
    if (!mesh_) return false;
  }

  const auto& pool = t.vertices();
  // The newest vertices, the least settled, sit nearest the flat triangles
  // they split.
  const int32_t morphed = morph ? std::min(t.queued() / 4, static_cast<int32_t>(pool.size())) : 0;
  const int32_t firstMorphed = static_cast<int32_t>(pool.size()) - morphed;
  const float n = float(size());
  DeviceVertex* out = mesh_->lockVertices(0, vertexCount);
  if (!out) return false;
  for (int32_t i = 0; i < vertexCount; ++i) {
    const int32_t index = drawn[i];
    const TerrainVertex& v = pool[index];
    float height = v.height;
    if (index >= firstMorphed) height += float(index - firstMorphed) / float(morphed) * (v.interpolated - v.height);
    const Vector normal = shading ? shadedNormal(v.gridX, v.gridZ) : Vector{0, 1, 0};
    out[i] = {v.x, height, v.z, normal.x, normal.y, normal.z, 0xFFFFFFFF, v.x, n - v.z, v.x, n - v.z};
  }
  mesh_->unlockVertices();
  uint16_t* indices = mesh_->lockTriangles(0, triangleCount);
  if (!indices) return false;
  std::memcpy(indices, t.indices().data(), sizeof(uint16_t) * 3 * size_t(triangleCount));
  mesh_->unlockTriangles();
  return true;
}

}  // namespace vx
