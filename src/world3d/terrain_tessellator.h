#pragma once
// The level of detail of terrains, worked out afresh for every camera and
// frame: from the two root triangles, the triangle whose error looks
// largest from the eye (error over distance) is split, again and again,
// until the terrain's triangle budget is spent. A triangle is split
// together with the one across its hypotenuse (first splitting that one
// further up when it is coarser), so that neighbours always meet corner to
// corner and the surface has no cracks. Triangles outside the view volume
// are dropped as soon as they appear; parts wholly inside a plane stop
// being tested against it. Those still straddling a plane in the end are
// tested once more by their own corners, and those outside are counted
// but not drawn.
//
// One tessellator serves every terrain: its vertices, triangle records,
// split heap and output arrays are kept from frame to frame and only grow,
// so that once they have grown a frame allocates nothing.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine3d/math3d.h"
#include "world3d/terrain_grid.h"

namespace vx {

struct TerrainVertex {
  int16_t gridX, gridZ;
  float x, height, z;  // the true height
  float interpolated;  // the height of the flat triangle it split
};
static_assert(sizeof(TerrainVertex) == 20);

// A run of drawn triangles whose vertices fit 16-bit indices.
struct TerrainChunk {
  int32_t firstVertex = 0, vertexCount = 0, firstTriangle = 0, triangleCount = 0;
};

class TerrainTessellator {
 public:
  static constexpr int32_t kChunkVertices = 65536;

  // Tessellates the grid seen from eye through the six planes (both in the
  // grid's space: grid units across, heights 0..1) until budget triangles
  // are counted, culled ones included.
  void tessellate(TerrainGrid& grid, Vector eye, const ClipPlane planes[6], int32_t budget);

  // Splits the drawn triangles into chunks and numbers their vertices
  // within each: drawnVertices lists the pool vertex behind each numbered
  // vertex, indices three per triangle (clockwise seen from above). The
  // nearer triangles come first, so that the depth test spares the pixels
  // of the farther ones behind them.
  void layout(int32_t chunkVertices = kChunkVertices);

  const std::vector<TerrainVertex>& vertices() const { return vertices_; }
  int32_t counted() const { return count_; }
  // The triangles waiting in the heap to be split.
  int32_t queued() const { return queued_; }
  int32_t drawnTriangles() const { return drawn_; }
  const std::vector<int32_t>& drawnVertices() const { return drawnVertices_; }
  const std::vector<uint16_t>& indices() const { return indices_; }
  const std::vector<TerrainChunk>& chunks() const { return chunks_; }

 private:
  static constexpr int kNone = -1;
  static constexpr uint8_t kPlaneBits = 63;

  struct Triangle {
    uint32_t node;  // 0 for a free record
    uint8_t planes;  // planes still to be tested
    bool queued;  // waiting in the heap
    bool hidden;  // wholly outside the view, though its prism was not
    int32_t apex, left, right;  // vertices; hypotenuse left to right
    int32_t leftLink, rightLink, baseLink;  // neighbours across apex-left, right-apex, left-right

    bool shown() const { return node && !hidden; }
  };
  // The heap keeps priorities beside the triangles, so that sifting reads
  // no records, and it writes none: a triangle split while it waits leaves
  // its entry behind, to be passed over when it comes to the top. A node is
  // split at most once a frame, so an entry whose record no longer holds its
  // node is such a leftover, whatever the record holds now.
  struct Candidate {
    float priority;
    int32_t triangle;
    uint32_t node;
  };

  int32_t addVertex(GridPoint p, float interpolated);
  int32_t newTriangle(uint32_t node, uint8_t planes, int32_t apex, int32_t left, int32_t right);
  void freeTriangle(int32_t t);
  GridTriangle gridTriangle(const Triangle& t) const;
  void evaluate(int32_t t);
  // Marks hidden the triangles that are left straddling a plane by their
  // prisms but lie outside it by their own corners.
  void hideOutside();
  void drop(int32_t t);
  void split(int32_t t);
  // In the triangle, the link that pointed at from now points at to.
  void relink(int32_t t, int32_t from, int32_t to);
  // Puts the live triangles in order_, nearest first.
  void sortByDistance();

  // A heap of four children a node: half the depth of a binary one.
  void heapPush(int32_t t, float priority);
  void heapPop();
  // Puts c in the hole at slot, or higher up where it outranks its parents.
  void heapRise(int32_t slot, Candidate c);
  // The waiting triangle of highest priority, leftovers popped first; kNone
  // when none waits.
  int32_t heapTop();

  TerrainGrid* grid_ = nullptr;
  const TreeEntry* tree_ = nullptr;
  uint32_t stored_ = 0;
  Vector eye_;
  const ClipPlane* planes_ = nullptr;
  int32_t count_ = 0;
  int32_t queued_ = 0;
  int32_t drawn_ = 0;

  std::vector<TerrainVertex> vertices_;
  std::vector<Triangle> triangles_;
  std::vector<int32_t> free_;
  std::vector<Candidate> heap_;

  // Live triangles by distance from the eye: each one's step of distance,
  // the triangles counted in each step, and the order they go out in.
  std::vector<float> distance_;
  std::vector<int32_t> stepCount_;
  std::vector<int32_t> order_;
  std::vector<uint32_t> vertexStamp_;  // the chunk that last numbered a vertex
  std::vector<int32_t> vertexNumber_;  // its number there
  uint32_t stamp_ = 0;
  std::vector<int32_t> drawnVertices_;
  std::vector<uint16_t> indices_;
  std::vector<TerrainChunk> chunks_;
};

}  // namespace vx
