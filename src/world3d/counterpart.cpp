#include "world3d/counterpart.h"

#include <vector>

namespace vx {

namespace {

int32_t childPosition(const Entity& entity) {
  int32_t position = 0;
  for (const Entity* e = entity.prev(); e; e = e->prev()) ++position;
  return position;
}

}  // namespace

Entity* counterpart(const Entity* entity, const Entity& original, Entity& copy) {
  static thread_local std::vector<int32_t> path;
  path.clear();
  for (; entity != &original; entity = entity->parent()) {
    if (!entity) return nullptr;
    path.push_back(childPosition(*entity));
  }
  Entity* place = &copy;
  for (auto it = path.rbegin(); it != path.rend() && place; ++it) {
    place = place->firstChild();
    for (int32_t n = *it; n > 0 && place; --n) place = place->next();
  }
  return place;
}

}  // namespace vx
