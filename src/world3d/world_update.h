#pragma once
// UpdateWorld: animates the world's enabled objects and sweeps the ones
// with a collision type against the rules (world_update.cpp).

namespace vx {

// elapsed is handed to each animator and divides each move into the
// object's velocity (0 when elapsed is 0).
void updateWorld(float elapsed);

}  // namespace vx
