#include "world3d/bsp_patch.h"

#include <algorithm>
#include <cmath>

namespace vx {

namespace {

bool patchSize(int32_t n) { return n >= 3 && n % 2 == 1; }

// Grid lines along one direction of n control points (counted wide: a
// damaged face may claim any size).
int64_t gridLines(int32_t n) { return int64_t{n - 1} / 2 * kPatchSubdivision + 1; }

// Which patch a grid line lies in, and where in it (0..1).
struct Place {
  int32_t patch;
  float t;
};

Place placeOf(int32_t line, int32_t controls) {
  const int32_t patches = (controls - 1) / 2;
  const int32_t patch = std::min(line / kPatchSubdivision, patches - 1);
  return {patch, static_cast<float>(line - patch * kPatchSubdivision) / kPatchSubdivision};
}

void basis(float t, float out[3]) {
  const float s = 1 - t;
  out[0] = s * s;
  out[1] = 2 * s * t;
  out[2] = t * t;
}

uint32_t channelSum(const float sum[4]) {
  uint32_t argb = 0;
  for (int c = 0; c < 4; ++c) {
    const float v = std::clamp(std::round(sum[c]), 0.0f, 255.0f);
    argb |= static_cast<uint32_t>(v) << (8 * c);
  }
  return argb;
}

// The weighted sum of nine control points.
DeviceVertex blend(const DeviceVertex* const points[9], const float weights[9]) {
  DeviceVertex out{};
  float color[4] = {};
  for (int n = 0; n < 9; ++n) {
    const DeviceVertex& p = *points[n];
    const float w = weights[n];
    out.x += p.x * w, out.y += p.y * w, out.z += p.z * w;
    out.nx += p.nx * w, out.ny += p.ny * w, out.nz += p.nz * w;
    out.u0 += p.u0 * w, out.v0 += p.v0 * w, out.u1 += p.u1 * w, out.v1 += p.v1 * w;
    for (int c = 0; c < 4; ++c) color[c] += static_cast<float>((p.argb >> (8 * c)) & 255) * w;
  }
  out.argb = channelSum(color);
  const float length = std::sqrt(out.nx * out.nx + out.ny * out.ny + out.nz * out.nz);
  if (length > 0) out.nx /= length, out.ny /= length, out.nz /= length;
  return out;
}

}  // namespace

int64_t patchVertexCount(int32_t width, int32_t height) {
  if (!patchSize(width) || !patchSize(height)) return 0;
  return gridLines(width) * gridLines(height);
}

PatchGrid tessellatePatch(const DeviceVertex* controls, int32_t width, int32_t height) {
  PatchGrid grid;
  if (!patchVertexCount(width, height)) return grid;
  grid.columns = static_cast<int32_t>(gridLines(width));
  grid.rows = static_cast<int32_t>(gridLines(height));
  grid.vertices.reserve(static_cast<size_t>(grid.columns) * grid.rows);
  for (int32_t row = 0; row < grid.rows; ++row) {
    const Place v = placeOf(row, height);
    float bv[3];
    basis(v.t, bv);
    for (int32_t column = 0; column < grid.columns; ++column) {
      const Place u = placeOf(column, width);
      float bu[3];
      basis(u.t, bu);
      const DeviceVertex* points[9];
      float weights[9];
      for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
          points[a * 3 + b] = &controls[(2 * v.patch + a) * width + 2 * u.patch + b];
          weights[a * 3 + b] = bv[a] * bu[b];
        }
      grid.vertices.push_back(blend(points, weights));
    }
  }
  // Control points run so that a cell (row, column) faces out wound from
  // its corner down the column, then along the row.
  grid.triangles.reserve(static_cast<size_t>(grid.columns - 1) * (grid.rows - 1) * 2);
  for (int32_t row = 0; row + 1 < grid.rows; ++row)
    for (int32_t column = 0; column + 1 < grid.columns; ++column) {
      const int32_t a = row * grid.columns + column, b = a + 1, c = a + grid.columns, d = c + 1;
      grid.triangles.push_back({a, c, b});
      grid.triangles.push_back({b, c, d});
    }
  return grid;
}

}  // namespace vx
