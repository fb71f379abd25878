#pragma once
// What an Object's animator offers the scene graph: it is owned by the root
// of the hierarchy it animates, advanced by the world update and copied
// along with the hierarchy.

#include <memory>

namespace vx {

class Object;

class Animator {
 public:
  virtual ~Animator() = default;
  // Advances playback by elapsed and poses the animated objects.
  virtual void animate(float elapsed) = 0;
  // The same sequences and keys for a copy of the hierarchy rooted at
  // copyRoot (whose objects mirror the original's), stopped.
  virtual std::unique_ptr<Animator> copyFor(Object& copyRoot) const = 0;
};

}  // namespace vx
