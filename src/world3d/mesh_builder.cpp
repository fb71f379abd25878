#include "world3d/mesh_builder.h"

#include <algorithm>
#include <cstring>

namespace vx {

namespace {

// What finish() works in, kept from one call to the next on each thread:
// a model is many small meshes, each finished once. Per vertex, its copy
// in the surface being filled is valid where its stamp is the current
// one, which moves with every new surface.
struct Scratch {
  std::vector<int32_t> start, rank, order, fill, copies;
  std::vector<uint32_t> stamps;
  uint32_t stamp = 0;

  // Room for count vertices.
  void prepare(size_t count) {
    if (copies.size() < count) copies.resize(count);
    if (stamps.size() < count) stamps.resize(count, stamp);
  }
  // A stamp no vertex has yet.
  uint32_t nextStamp() {
    if (++stamp == 0) {
      std::fill(stamps.begin(), stamps.end(), 0);
      stamp = 1;
    }
    return stamp;
  }
};

thread_local Scratch scratch;

}  // namespace

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
  Scratch& work = scratch;
  work.prepare(vertices_.size());
  // The triangles by brush, in the brushes' order, each brush's in the
  // order they came: a counting sort by group.
  std::vector<int32_t>& start = work.start;
  std::vector<int32_t>& rank = work.rank;
  std::vector<int32_t>& order = work.order;
  std::vector<int32_t>& fill = work.fill;
  start.assign(groups_.size() + 1, 0);
  rank.resize(groups_.size());
  int32_t next = 0;
  for (const auto& [brush, group] : groups_) rank[group] = next++;
  for (const Corners& t : triangles_) ++start[rank[t.group] + 1];
  for (size_t g = 1; g < start.size(); ++g) start[g] += start[g - 1];
  order.resize(triangles_.size());
  fill.assign(start.begin(), start.end() - 1);
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
  Scratch& work = scratch;
  uint32_t* const stamps = work.stamps.data();
  int32_t* const copies = work.copies.data();
  // How many vertices the brush uses, so that its surface's share is made
  // room for once.
  uint32_t stamp = work.nextStamp();
  int32_t used = 0;
  for (const int32_t* t = first; t != last; ++t)
    for (int32_t v : triangles_[*t].v)
      if (stamps[v] != stamp) stamps[v] = stamp, ++used;
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
  stamp = work.nextStamp();
  // Whether a triangle's new vertices still fit is asked only when all of
  // them might not.
  const bool mayOverflow = base + used > kSurfaceVertexLimit;
  for (const int32_t* t = first; t != last; ++t) {
    const Corners& corners = triangles_[*t];
    int32_t added = 0;
    if (mayOverflow)
      for (int32_t v : corners.v) added += stamps[v] != stamp;
    if (mayOverflow && base + static_cast<int32_t>(vertices.size()) + added > kSurfaceVertexLimit) {
      surface->append(std::move(vertices), std::move(triangles));
      surface = &mesh.createSurface(brush);
      base = 0;
      vertices = {}, triangles = {};
      makeRoom();
      stamp = work.nextStamp();
    }
    // Written in place: a triangle built apart and copied in is read back
    // wider than its halves were stored, which stalls.
    Triangle& triangle = triangles.emplace_back();
    for (int c = 0; c < 3; ++c) {
      const int32_t v = corners.v[c];
      if (stamps[v] != stamp) {
        copies[v] = base + static_cast<int32_t>(vertices.size());
        vertices.push_back(vertices_[v]);
        stamps[v] = stamp;
      }
      triangle.v[c] = static_cast<uint16_t>(copies[v]);
    }
  }
  surface->append(std::move(vertices), std::move(triangles));
}

}  // namespace vx
