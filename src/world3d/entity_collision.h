#pragma once
// The collision test of an entity by method, shared by the world update
// and picking: 1 the sphere of the entity's x radius, 2 its own geometry
// (each kind answers for its own; a mesh through its collision tree), 3 its
// box in its own unscaled axes. Any other method finds nothing.

#include <cstdint>

#include "world3d/collision.h"

namespace vx {

// Whether the sweep hits target, placed by transform, sooner than info
// says; improves info when it does. The sweep runs in a space squashed
// along y by squash (the world update's ellipsoids made spheres; 1 for
// everything else): the target is squashed the same way, its box as well.
bool collisionTest(const CollisionLine& line, float radius, Object& target, const Transform& transform,
                   int32_t method, CollisionInfo& info, float squash = 1);

}  // namespace vx
