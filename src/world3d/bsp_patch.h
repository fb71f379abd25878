#pragma once
// Curved surfaces of a level: a grid of control points, width by height
// (both odd), read as biquadratic Bezier patches that share their edge
// rows, turned into a grid of vertices at a fixed subdivision and the
// triangles between them.

#include <array>
#include <cstdint>
#include <vector>

#include "engine3d/device/scene_device.h"

namespace vx {

// Steps along each patch edge.
constexpr int32_t kPatchSubdivision = 8;

struct PatchGrid {
  int32_t columns = 0, rows = 0;
  std::vector<DeviceVertex> vertices;               // row by row
  std::vector<std::array<int32_t, 3>> triangles;    // into vertices, facing where the normals do
};

// Vertices a grid of width x height control points tessellates into; 0
// when the size is not one of patches (odd, at least 3 each way).
int64_t patchVertexCount(int32_t width, int32_t height);

// The grid of the width x height control points (row by row): positions,
// texture coordinates and colours interpolated, normals interpolated and
// made unit length.
PatchGrid tessellatePatch(const DeviceVertex* controls, int32_t width, int32_t height);

}  // namespace vx
