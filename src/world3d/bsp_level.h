#pragma once
// A level in the Quake III Arena BSP format (version 46), as loaded: the
// faces turned into batches that draw alike (one texture, one lightmap),
// the node tree and leaves that say which faces can be seen from where,
// the visibility rows between clusters, and the triangles that collide.
// Copies of a level entity share one BSPLevel.
//
// Points are in the engine's axes: a file point (x, y, z) is (-y, z, x),
// which also turns the file's right-handed space into the engine's
// left-handed one, so that the file's triangles keep facing out.
//
// Loading trusts nothing in the file: every lump must lie inside it, every
// count is bounded by the bytes of its lump and every index by the array
// it names; what fails a check is left out, so a damaged level loads what
// it safely can.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine3d/device/scene_device.h"
#include "engine3d/math3d.h"
#include "engine3d/texture.h"
#include "world3d/collider.h"

namespace vx {

class GraphicsDevice;
class TextureFilters;

// Faces drawing with one texture and one lightmap (-1 for none).
struct BSPBatch {
  int32_t texture = -1;
  int32_t lightmap = -1;
};

// A device buffer's worth of one batch: at most 65,536 vertices, so that
// 16-bit indices reach them all. Its faces are consecutive in the level's
// face list; each face's triangles are consecutive in its indices.
struct BSPPart {
  int32_t batch = 0;
  int32_t firstFace = 0, faceCount = 0;
  std::vector<DeviceVertex> vertices;
  std::vector<uint16_t> indices;  // three per triangle
  std::unique_ptr<DeviceMesh> device;  // made at the first draw
};

// A drawn face: its triangles within its part.
struct BSPFace {
  int32_t part = 0;
  int32_t firstTriangle = 0, triangleCount = 0;
};

// An inner node of the tree: points with plane.distance(p) >= 0 lie under
// children[0]. A child >= 0 is a node, -1 - child a leaf, and kNoChild
// stands for a child the file got wrong (nothing is there).
struct BSPNode {
  static constexpr int32_t kNoChild = INT32_MIN;
  ClipPlane plane;
  int32_t children[2] = {kNoChild, kNoChild};
  Vector min, max;
};

// A leaf: its cluster (negative: outside the visibility data) and its
// faces, a range of the level's leafFaces.
struct BSPLeaf {
  int32_t cluster = -1;
  Vector min, max;
  int32_t firstLeafFace = 0, leafFaceCount = 0;
};

struct BSPLevel {
  // One per texture entry of the file and one per lightmap. Those no
  // batch draws with are left empty; a texture whose file was not found
  // has no frame.
  std::vector<Texture> textures;
  std::vector<Texture> lightmaps;

  std::vector<BSPBatch> batches;
  std::vector<BSPPart> parts;
  std::vector<BSPFace> faces;  // in part order
  std::vector<BSPNode> nodes;  // the root first; a level without nodes is the single leaf 0
  std::vector<BSPLeaf> leaves;
  std::vector<int32_t> leafFaces;  // drawn face numbers, -1 for a face that is not drawn

  // Visibility rows: bit c of row e is set when cluster c can be seen from
  // cluster e. Empty when the file has none.
  int32_t clusterCount = 0;
  int32_t bytesPerCluster = 0;
  std::vector<uint8_t> visibility;

  // What collides: the triangles of every face kept for collisions, over
  // every vertex of the file followed by those made for curved patches.
  std::unique_ptr<const Collider> collider;

  // Around every drawn vertex; min > max for a level with none.
  Vector boundsMin, boundsMax;

  // Whether cluster can be seen from the eye's cluster. Clusters the rows
  // do not cover are never hidden.
  bool clusterVisible(int32_t eye, int32_t cluster) const;
};

// What a load makes textures with: the graphics device, the texture
// filters, the level file's path and the gamma adjustment of its
// lightmaps.
struct BSPTextureSource {
  GraphicsDevice& graphics;
  const TextureFilters& filters;
  std::string levelPath;
  float gammaAdjust = 0;
};

// The level in the file's bytes; null when the header is not that of a
// version 46 level. Without a texture source its textures and lightmaps
// are all left empty.
std::unique_ptr<BSPLevel> readBSPLevel(std::span<const uint8_t> file, const BSPTextureSource* textures);

// The lightmap byte for a file byte: 255 * (value / 255) ^ (1 - gamma),
// within 0..255.
uint8_t lightmapGamma(uint8_t value, float gammaAdjust);

}  // namespace vx
