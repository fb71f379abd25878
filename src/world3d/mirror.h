#pragma once
// A mirror reflects the world in its own xz plane: every camera renders
// once reflected through each mirror, then directly, and the reflected view
// is cut off at the mirror so that nothing beyond it shows up reflected.
// It draws nothing itself: a reflecting floor is a mirror under a
// half-transparent surface.

#include "engine3d/entity.h"

namespace vx {

class Mirror : public Object {
 public:
  Mirror() = default;
  Entity* clone() const override { return new Mirror(*this); }
  Mirror* getMirror() override { return this; }

 private:
  Mirror(const Mirror& source) = default;
};

}  // namespace vx
