#include "world3d/collision_state.h"

#include <memory>

#include "engine3d/entity.h"

namespace vx {

namespace {

std::unique_ptr<CollisionState> current;

void forgetSubtree(Entity* entity) {
  if (Object* object = entity->getObject()) object->collisions.clear();
  for (Entity* child = entity->firstChild(); child; child = child->next()) forgetSubtree(child);
}

void listFrom(Entity* first, std::vector<Object*>& list, bool forgetHidden) {
  for (Entity* entity = first; entity; entity = entity->next()) {
    if (!entity->visible || !entity->enabled) {
      if (forgetHidden) forgetSubtree(entity);
      continue;
    }
    if (Object* object = entity->getObject()) list.push_back(object);
    listFrom(entity->firstChild(), list, forgetHidden);
  }
}

}  // namespace

CollisionRecord* CollisionRecordPool::take() {
  if (used_ == records_.size()) records_.emplace_back();
  CollisionRecord* record = &records_[used_++];
  *record = CollisionRecord{};
  return record;
}

CollisionState* collisionState() { return current.get(); }

void startCollisions() { current = std::make_unique<CollisionState>(); }

void endCollisions() { current.reset(); }

void listEnabledObjects(std::vector<Object*>& list, bool forgetHidden) {
  list.clear();
  listFrom(Entity::roots().first, list, forgetHidden);
}

}  // namespace vx
