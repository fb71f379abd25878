#pragma once
// The primitive meshes, in their fixed vertex and triangle layouts: every
// part is one surface with a default brush, vertices opaque white.

#include <cstdint>

namespace vx {

class Mesh;

// Segments the round primitives accept.
inline constexpr int32_t kMinSphereSegments = 2, kMinRoundSegments = 3, kMaxSegments = 100;

// A cube from -1 to +1: six faces of four vertices.
Mesh* createCube();
// A unit sphere of 2 * segments meridians and segments rows.
Mesh* createSphere(int32_t segments);
// From y = -1 to +1, radius 1; solid adds the two caps as a second surface.
Mesh* createCylinder(int32_t segments, bool solid);
// Apex at y = +1 over a base of radius 1 at y = -1; solid adds the base.
Mesh* createCone(int32_t segments, bool solid);

}  // namespace vx
