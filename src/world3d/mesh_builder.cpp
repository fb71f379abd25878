#include "world3d/mesh_builder.h"

#include <algorithm>
#include <cstring>

namespace vx {

// Brushes are ordered by the bytes of their state: it must have no padding.
static_assert(sizeof(TextureLayer) == 2 * sizeof(void*) + 2 * sizeof(int32_t));
static_assert(sizeof(RenderState) == 7 * sizeof(float) + RenderState::kLayers * sizeof(TextureLayer));

bool MeshBuilder::BrushOrder::operator()(const Brush& a, const Brush& b) const {
  return std::memcmp(&a.renderState(), &b.renderState(), sizeof(RenderState)) < 0;
}

int32_t MeshBuilder::group(const Brush& brush) {
  if (last_ == groups_.end() || !(last_->first == brush))
    last_ = groups_.try_emplace(brush, static_cast<int32_t>(groups_.size())).first;
  return last_->second;
}

bool MeshBuilder::addTriangle(int32_t v0, int32_t v1, int32_t v2, const Brush& brush) {
  return hasVertex(v0) && hasVertex(v1) && hasVertex(v2) && addTriangle(v0, v1, v2, group(brush));
}

void MeshBuilder::finish(Mesh& mesh) {
  copies_.resize(vertices_.size());
  stamps_.assign(vertices_.size(), 0);
  stamp_ = 0;
  // The triangles by brush, in the brushes' order, each brush's in the
  // order they came: a counting sort by group.
  std::vector<int32_t> start(groups_.size() + 1, 0);
  std::vector<int32_t> rank(groups_.size());
  int32_t next = 0;
  for (const auto& [brush, group] : groups_) rank[group] = next++;
  for (const Corners& t : triangles_) ++start[rank[t.group] + 1];
  for (size_t g = 1; g < start.size(); ++g) start[g] += start[g - 1];
  std::vector<int32_t> order(triangles_.size());
  std::vector<int32_t> fill(start.begin(), start.end() - 1);
  for (size_t t = 0; t < triangles_.size(); ++t) order[fill[rank[triangles_[t].group]]++] = static_cast<int32_t>(t);
  for (const auto& [brush, group] : groups_) {
    const int32_t r = rank[group];
    if (start[r] != start[r + 1]) finishGroup(mesh, brush, order.data() + start[r], order.data() + start[r + 1]);
  }
  vertices_.clear();
  triangles_.clear();
  groups_.clear();
  last_ = groups_.end();
}

void MeshBuilder::finishGroup(Mesh& mesh, const Brush& brush, const int32_t* first, const int32_t* last) {
  // How many vertices the brush uses, so that its surface is made room for
  // once.
  ++stamp_;
  int32_t used = 0;
  for (const int32_t* t = first; t != last; ++t)
    for (int32_t v : triangles_[*t].v)
      if (stamps_[v] != stamp_) stamps_[v] = stamp_, ++used;
  MeshSurface* surface = &mesh.surfaceWithRoom(brush, 3);
  auto makeRoom = [&](int32_t vertices) {
    surface->reserve(surface->vertexCount() + std::min(vertices, kSurfaceVertexLimit),
                     surface->triangleCount() + static_cast<int32_t>(last - first));
  };
  makeRoom(used);
  ++stamp_;
  for (const int32_t* t = first; t != last; ++t) {
    const Corners& corners = triangles_[*t];
    int32_t added = 0;
    for (int32_t v : corners.v) added += stamps_[v] != stamp_;
    if (surface->vertexCount() + added > kSurfaceVertexLimit) {
      surface = &mesh.createSurface(brush);
      makeRoom(used);
      ++stamp_;
    }
    int32_t corner[3];
    for (int c = 0; c < 3; ++c) {
      const int32_t v = corners.v[c];
      if (stamps_[v] != stamp_) {
        copies_[v] = surface->addVertex(vertices_[v]);
        stamps_[v] = stamp_;
      }
      corner[c] = copies_[v];
    }
    surface->addTriangle(corner[0], corner[1], corner[2]);
  }
}

}  // namespace vx
