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
  // How many vertices the brush uses, so that its surface's share is made
  // room for once.
  ++stamp_;
  int32_t used = 0;
  for (const int32_t* t = first; t != last; ++t)
    for (int32_t v : triangles_[*t].v)
      if (stamps_[v] != stamp_) stamps_[v] = stamp_, ++used;
  // Built apart and handed to the surface whole.
  MeshSurface* surface = &mesh.surfaceWithRoom(brush, 3);
  int32_t base = surface->vertexCount();
  std::vector<Vertex> vertices;
  std::vector<Triangle> triangles;
  auto makeRoom = [&] {
    vertices.reserve(std::min(used, kSurfaceVertexLimit - base));
    triangles.reserve(last - first);
  };
  makeRoom();
  ++stamp_;
  for (const int32_t* t = first; t != last; ++t) {
    const Corners& corners = triangles_[*t];
    int32_t added = 0;
    for (int32_t v : corners.v) added += stamps_[v] != stamp_;
    if (base + static_cast<int32_t>(vertices.size()) + added > kSurfaceVertexLimit) {
      surface->append(std::move(vertices), std::move(triangles));
      surface = &mesh.createSurface(brush);
      base = 0;
      vertices = {}, triangles = {};
      makeRoom();
      ++stamp_;
    }
    // Written in place: a triangle built apart and copied in is read back
    // wider than its halves were stored, which stalls.
    Triangle& triangle = triangles.emplace_back();
    for (int c = 0; c < 3; ++c) {
      const int32_t v = corners.v[c];
      if (stamps_[v] != stamp_) {
        copies_[v] = base + static_cast<int32_t>(vertices.size());
        vertices.push_back(vertices_[v]);
        stamps_[v] = stamp_;
      }
      triangle.v[c] = static_cast<uint16_t>(copies_[v]);
    }
  }
  surface->append(std::move(vertices), std::move(triangles));
}

}  // namespace vx
