#include "world3d/terrain_tessellator.h"

#include <algorithm>
#include <cmath>

namespace vx {

namespace {

constexpr float kLeast = 0.000001f;

// Room for more, grown by half plus some so that growth is rare.
template <typename T>
void makeRoom(std::vector<T>& v, size_t step) {
  if (v.size() == v.capacity()) v.reserve(v.capacity() + v.capacity() / 2 + step);
}

}  // namespace

int32_t TerrainTessellator::addVertex(GridPoint p, float interpolated) {
  makeRoom(vertices_, 32);
  const float h = grid_->height(p.x, p.z);
  vertices_.push_back({static_cast<int16_t>(p.x), static_cast<int16_t>(p.z), float(p.x), h, float(p.z), interpolated});
  return static_cast<int32_t>(vertices_.size() - 1);
}

int32_t TerrainTessellator::newTriangle(uint32_t node, uint8_t planes, int32_t apex, int32_t left, int32_t right) {
  int32_t t;
  if (!free_.empty()) {
    t = free_.back();
    free_.pop_back();
  } else {
    makeRoom(triangles_, 63);
    triangles_.emplace_back();
    t = static_cast<int32_t>(triangles_.size() - 1);
  }
  triangles_[t] = {node, planes, false, false, apex, left, right, kNone, kNone, kNone};
  return t;
}

void TerrainTessellator::freeTriangle(int32_t t) {
  triangles_[t].node = 0;
  makeRoom(free_, 63);
  free_.push_back(t);
}

GridTriangle TerrainTessellator::gridTriangle(const Triangle& t) const {
  auto point = [this](int32_t v) { return GridPoint{vertices_[v].gridX, vertices_[v].gridZ}; };
  return {point(t.apex), point(t.left), point(t.right)};
}

void TerrainTessellator::tessellate(TerrainGrid& grid, Vector eye, const ClipPlane planes[6], int32_t budget) {
  grid_ = &grid;
  tree_ = grid.tree().data();
  stored_ = grid.storedNodes();
  eye_ = eye;
  planes_ = planes;
  count_ = 0;
  queued_ = 0;
  vertices_.clear();
  triangles_.clear();
  free_.clear();
  heap_.clear();

  const int32_t n = grid.size();
  const int32_t a = addVertex({0, 0}, 0), b = addVertex({n, 0}, 0), c = addVertex({n, n}, 0), d = addVertex({0, n}, 0);
  for (int32_t v : {a, b, c, d}) vertices_[v].interpolated = vertices_[v].height;
  const int32_t first = newTriangle(TerrainGrid::kRootA, kPlaneBits, b, c, a);
  const int32_t second = newTriangle(TerrainGrid::kRootB, kPlaneBits, d, a, c);
  triangles_[first].baseLink = second;
  triangles_[second].baseLink = first;
  evaluate(first);
  evaluate(second);

  while (count_ < budget) {
    const int32_t top = heapTop();
    if (top == kNone) break;
    split(top);
  }
  hideOutside();
}

void TerrainTessellator::hideOutside() {
  for (Triangle& tri : triangles_) {
    if (!tri.node || !tri.planes) continue;
    const TerrainVertex* corners[3] = {&vertices_[tri.apex], &vertices_[tri.left], &vertices_[tri.right]};
    for (int p = 0; p < 6 && !tri.hidden; ++p) {
      if (!(tri.planes & (1 << p))) continue;
      const ClipPlane& plane = planes_[p];
      // A morphed vertex is drawn between its true and its interpolated
      // height.
      float most = -3.4e38f;
      for (const TerrainVertex* c : corners) {
        const float base = plane.n.x * c->x + plane.n.z * c->z + plane.d;
        most = std::max({most, base + plane.n.y * c->height, base + plane.n.y * c->interpolated});
      }
      tri.hidden = most < 0;
    }
  }
}

void TerrainTessellator::evaluate(int32_t t) {
  ++count_;
  Triangle& tri = triangles_[t];
  const bool stored = tri.node < stored_;
  uint8_t bound = stored ? tree_[tri.node].bound : 0;
  if (!stored) {
    for (int32_t v : {tri.apex, tri.left, tri.right})
      bound = std::max(bound, grid_->byteAt(vertices_[v].gridX, vertices_[v].gridZ));
  }
  // The triangle and all it may split into lie in the prism over it from
  // height 0 to its bound: it is outside a plane when all six corners of
  // the prism are, inside when all are.
  if (tri.planes) {
    const float top = bound * (1.0f / 255);
    const TerrainVertex* corners[3] = {&vertices_[tri.apex], &vertices_[tri.left], &vertices_[tri.right]};
    for (int p = 0; p < 6; ++p) {
      if (!(tri.planes & (1 << p))) continue;
      const ClipPlane& plane = planes_[p];
      const float rise = plane.n.y * top, low = std::min(rise, 0.0f), high = std::max(rise, 0.0f);
      float least = 3.4e38f, most = -3.4e38f;
      for (const TerrainVertex* c : corners) {
        const float base = plane.n.x * c->x + plane.n.z * c->z + plane.d;
        least = std::min(least, base + low);
        most = std::max(most, base + high);
      }
      if (most < 0) {
        drop(t);
        return;
      }
      if (least >= 0) tri.planes &= static_cast<uint8_t>(~(1 << p));
    }
  }
  if (!stored || tree_[tri.node].error == 0) return;
  const TerrainVertex &l = vertices_[tri.left], &r = vertices_[tri.right];
  const float dx = (l.x + r.x) * 0.5f - eye_.x, dy = (l.height + r.height) * 0.5f - eye_.y;
  const float dz = (l.z + r.z) * 0.5f - eye_.z;
  const float priority = tree_[tri.node].error / std::max(std::sqrt(dx * dx + dy * dy + dz * dz), kLeast);
  if (priority > kLeast) heapPush(t, priority);
}

void TerrainTessellator::drop(int32_t t) {
  const Triangle& tri = triangles_[t];
  for (int32_t link : {tri.leftLink, tri.rightLink, tri.baseLink})
    if (link != kNone) relink(link, t, kNone);
  freeTriangle(t);
}

void TerrainTessellator::relink(int32_t t, int32_t from, int32_t to) {
  Triangle& tri = triangles_[t];
  if (tri.leftLink == from) tri.leftLink = to;
  if (tri.rightLink == from) tri.rightLink = to;
  if (tri.baseLink == from) tri.baseLink = to;
}

void TerrainTessellator::split(int32_t t) {
  // The triangle across the hypotenuse must share it whole: a coarser one
  // is split first (which may in turn split coarser ones).
  if (int32_t base = triangles_[t].baseLink; base != kNone && triangles_[base].baseLink != t) split(base);
  const int32_t base = triangles_[t].baseLink;

  // Halves are made before their parents' records are freed, so that no
  // record is reused while links still name it.
  const Triangle parent = triangles_[t];
  const GridPoint m = gridTriangle(parent).midpoint();
  const int32_t mid = addVertex(m, (vertices_[parent.left].height + vertices_[parent.right].height) * 0.5f);
  int32_t halves[2][2] = {{kNone, kNone}, {kNone, kNone}};
  auto halve = [this](int32_t whole, int32_t apex, int32_t (&out)[2]) {
    const Triangle tri = triangles_[whole];
    out[0] = newTriangle(2 * tri.node + 1, tri.planes, apex, tri.apex, tri.left);
    out[1] = newTriangle(2 * tri.node, tri.planes, apex, tri.right, tri.apex);
    triangles_[out[0]].baseLink = tri.leftLink;
    triangles_[out[1]].baseLink = tri.rightLink;
    triangles_[out[0]].leftLink = out[1];
    triangles_[out[1]].rightLink = out[0];
    if (tri.leftLink != kNone) relink(tri.leftLink, whole, out[0]);
    if (tri.rightLink != kNone) relink(tri.rightLink, whole, out[1]);
  };
  halve(t, mid, halves[0]);
  if (base != kNone) {
    halve(base, mid, halves[1]);
    // The halves meet across the two halves of the shared hypotenuse.
    triangles_[halves[0][0]].rightLink = halves[1][1];
    triangles_[halves[1][1]].leftLink = halves[0][0];
    triangles_[halves[0][1]].leftLink = halves[1][0];
    triangles_[halves[1][0]].rightLink = halves[0][1];
  }
  for (int32_t whole : {t, base}) {
    if (whole == kNone) continue;
    queued_ -= triangles_[whole].queued;
    freeTriangle(whole);
    --count_;
  }
  // Links are whole before any half is evaluated, since dropping one
  // unlinks it from its neighbours.
  for (auto& pair : halves)
    for (int32_t half : pair)
      if (half != kNone) evaluate(half);
}

void TerrainTessellator::sortByDistance() {
  constexpr int kSteps = 64;
  distance_.resize(triangles_.size());
  float farthest = kLeast;
  for (size_t i = 0; i < triangles_.size(); ++i) {
    const Triangle& tri = triangles_[i];
    if (!tri.shown()) continue;
    const TerrainVertex &a = vertices_[tri.apex], &l = vertices_[tri.left], &r = vertices_[tri.right];
    const float dx = (a.x + l.x + r.x) * (1.0f / 3) - eye_.x, dz = (a.z + l.z + r.z) * (1.0f / 3) - eye_.z;
    distance_[i] = dx * dx + dz * dz;
    farthest = std::max(farthest, distance_[i]);
  }
  // Steps even in the square root of distance: finer near the eye, where
  // triangles are small.
  const float scale = kSteps / std::sqrt(std::sqrt(farthest));
  stepCount_.assign(kSteps + 1, 0);
  for (size_t i = 0; i < triangles_.size(); ++i) {
    if (!triangles_[i].shown()) continue;
    const int step = std::min(kSteps - 1, static_cast<int>(std::sqrt(std::sqrt(distance_[i])) * scale));
    distance_[i] = float(step);
    ++stepCount_[step + 1];
  }
  for (int step = 0; step < kSteps; ++step) stepCount_[step + 1] += stepCount_[step];
  order_.resize(static_cast<size_t>(stepCount_[kSteps]));
  for (size_t i = 0; i < triangles_.size(); ++i)
    if (triangles_[i].shown()) order_[stepCount_[static_cast<int>(distance_[i])]++] = static_cast<int32_t>(i);
}

void TerrainTessellator::layout(int32_t chunkVertices) {
  sortByDistance();
  drawnVertices_.clear();
  indices_.clear();
  chunks_.clear();
  drawn_ = 0;
  if (vertexStamp_.size() < vertices_.size()) {
    vertexStamp_.resize(vertices_.capacity(), 0);
    vertexNumber_.resize(vertices_.capacity(), 0);
  }
  TerrainChunk* chunk = nullptr;
  for (int32_t t : order_) {
    const Triangle& tri = triangles_[t];
    if (!chunk || chunk->vertexCount > chunkVertices - 3) {
      // A fresh stamp numbers every vertex anew in the next chunk.
      if (++stamp_ == 0) {
        std::fill(vertexStamp_.begin(), vertexStamp_.end(), 0);
        stamp_ = 1;
      }
      const int32_t firstVertex = static_cast<int32_t>(drawnVertices_.size());
      const int32_t firstTriangle = static_cast<int32_t>(indices_.size() / 3);
      chunks_.push_back({firstVertex, 0, firstTriangle, 0});
      chunk = &chunks_.back();
    }
    for (int32_t v : {tri.apex, tri.right, tri.left}) {
      if (vertexStamp_[v] != stamp_) {
        vertexStamp_[v] = stamp_;
        vertexNumber_[v] = chunk->vertexCount++;
        drawnVertices_.push_back(v);
      }
      indices_.push_back(static_cast<uint16_t>(vertexNumber_[v]));
    }
    ++chunk->triangleCount;
    ++drawn_;
  }
}

void TerrainTessellator::heapPush(int32_t t, float priority) {
  triangles_[t].queued = true;
  ++queued_;
  makeRoom(heap_, 63);
  heap_.push_back({priority, t, triangles_[t].node});
  heapRise(static_cast<int32_t>(heap_.size() - 1), heap_.back());
}

void TerrainTessellator::heapRise(int32_t slot, Candidate c) {
  while (slot > 0) {
    const int32_t parent = (slot - 1) / 4;
    if (heap_[parent].priority >= c.priority) break;
    heap_[slot] = heap_[parent];
    slot = parent;
  }
  heap_[slot] = c;
}

// The last entry, mostly a small one, would sink nearly to the bottom: the
// hole at the top goes down to a leaf along the larger children without
// weighing it, and it rises from there.
void TerrainTessellator::heapPop() {
  const Candidate c = heap_.back();
  heap_.pop_back();
  const int32_t size = static_cast<int32_t>(heap_.size());
  if (size == 0) return;
  int32_t slot = 0;
  for (;;) {
    const int32_t first = 4 * slot + 1;
    if (first >= size) break;
    // The larger child chosen without branches, which would be mispredicted
    // half the time.
    int32_t child = first;
    float best = heap_[first].priority;
    const int32_t end = std::min(first + 4, size);
    for (int32_t other = first + 1; other < end; ++other) {
      const float p = heap_[other].priority;
      const bool larger = p > best;
      child = larger ? other : child;
      best = larger ? p : best;
    }
    heap_[slot] = heap_[child];
    slot = child;
  }
  heapRise(slot, c);
}

int32_t TerrainTessellator::heapTop() {
  while (!heap_.empty()) {
    const Candidate& top = heap_.front();
    if (triangles_[top.triangle].node == top.node) return top.triangle;
    heapPop();
  }
  return kNone;
}

}  // namespace vx
