#pragma once
// What collisions and picking keep per world: the collision rules, the
// entities of each collision type during an update, the records of the
// last update and the result of the last pick. Made right after the
// world and freed with it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "world3d/collision.h"

namespace vx {


struct CollisionRule {
  int32_t destination = 0;  // collision type of the targets
  int32_t method = 0;       // 1 sphere, 2 polygon, 3 box
  int32_t response = 0;     // 1 stop, 2 slide, 3 slide without sliding down slopes
};

// Records handed out during one update, all taken back at the start of
// the next; their storage is kept and reused.
class CollisionRecordPool {
 public:
  CollisionRecord* take();
  void returnAll() { used_ = 0; }

 private:
  std::deque<CollisionRecord> records_;  // a deque keeps their addresses
  size_t used_ = 0;
};

struct PickResult {
  Object* entity = nullptr;
  Vector point;
  CollisionInfo info{0, {}, nullptr, 0};
};

struct CollisionState {
  static constexpr int32_t kTypeCount = 1000;
  static bool isType(int32_t type) { return type >= 0 && type < kTypeCount; }

  std::vector<CollisionRule> rules[kTypeCount];   // by source type
  std::vector<Object*> typeLists[kTypeCount];     // filled during an update
  CollisionRecordPool records;
  PickResult pick;
  std::vector<Object*> listed;  // the objects an update or a pick visits
};

// The state of the current world, or null without one.
CollisionState* collisionState();
void startCollisions();
void endCollisions();

// Lists the enabled objects in root order, each before its children; a
// hidden or disabled entity is left out with its subtree. With
// forgetHidden, the objects left out also forget their collisions.
void listEnabledObjects(std::vector<Object*>& list, bool forgetHidden);

}  // namespace vx
