#include "world3d/mesh_builder.h"

#include <cstring>

namespace vx {

// Brushes are ordered by the bytes of their state: it must have no padding.
static_assert(sizeof(TextureLayer) == 2 * sizeof(void*) + 2 * sizeof(int32_t));
static_assert(sizeof(RenderState) == 7 * sizeof(float) + RenderState::kLayers * sizeof(TextureLayer));

bool MeshBuilder::BrushOrder::operator()(const Brush& a, const Brush& b) const {
  return std::memcmp(&a.renderState(), &b.renderState(), sizeof(RenderState)) < 0;
}

int32_t MeshBuilder::addVertex(const Vertex& vertex) {
  vertices_.push_back(vertex);
  return vertexCount() - 1;
}

bool MeshBuilder::addTriangle(int32_t v0, int32_t v1, int32_t v2, const Brush& brush) {
  if (!hasVertex(v0) || !hasVertex(v1) || !hasVertex(v2)) return false;
  if (last_ == groups_.end() || !(last_->first == brush)) last_ = groups_.try_emplace(brush).first;
  last_->second.push_back({{v0, v1, v2}});
  return true;
}

void MeshBuilder::finish(Mesh& mesh) {
  // Per builder vertex, its copy in the surface being filled: valid where
  // its stamp is the current one, which moves with every new surface.
  std::vector<int32_t> copies(vertices_.size());
  std::vector<uint32_t> stamps(vertices_.size(), 0);
  uint32_t stamp = 0;
  for (const auto& [brush, triangles] : groups_) {
    MeshSurface* surface = &mesh.surfaceWithRoom(brush, 3);
    ++stamp;
    for (const Corners& t : triangles) {
      int32_t added = 0;
      for (int32_t v : t.v) added += stamps[v] != stamp;
      if (surface->vertexCount() + added > kSurfaceVertexLimit) {
        surface = &mesh.createSurface(brush);
        ++stamp;
      }
      int32_t corner[3];
      for (int c = 0; c < 3; ++c) {
        const int32_t v = t.v[c];
        if (stamps[v] != stamp) {
          copies[v] = surface->addVertex(vertices_[v]);
          stamps[v] = stamp;
        }
        corner[c] = copies[v];
      }
      surface->addTriangle(corner[0], corner[1], corner[2]);
    }
  }
  vertices_.clear();
  groups_.clear();
  last_ = groups_.end();
}

}  // namespace vx
