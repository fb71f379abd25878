#include "engine3d/world.h"

#include <memory>

#include "runtime/errors.h"

namespace vx {

void linkEntityCommands(Registry& r);
void linkDeviceCommands(Registry& r);
void linkCameraCommands(Registry& r);
void linkRenderCommands(Registry& r);

namespace {

std::unique_ptr<World> current;

bool create() {
  current.reset();
  return true;
}

void destroy() { endWorld3D(); }

// Calls visit for the entity and every descendant, parents first.
template <typename Visit>
void forSubtree(Entity* entity, Visit visit) {
  visit(entity);
  for (Entity* child = entity->firstChild(); child; child = child->next()) forSubtree(child, visit);
}

}  // namespace

World* world3D() { return current.get(); }

void startWorld3D(SceneDevice* device) {
  endWorld3D();
  current = std::make_unique<World>();
  current->device = device;
}

void endWorld3D() {
  if (!current) return;
  freeAllEntities();
  current.reset();
}

World* worldOrFail() {
  if (!current && debugging()) raiseError("3D Graphics mode not set");
  return current.get();
}

Entity* entityOf(int32_t handle) {
  if (!current) {
    if (debugging()) raiseError("Entity does not exist");
    return nullptr;
  }
  return current->entities.get(handle, "Entity does not exist");
}

bool placeForNew(int32_t parentHandle, Entity*& parent) {
  parent = nullptr;
  World* world = worldOrFail();
  if (!world) return false;
  if (!parentHandle) return true;
  parent = world->entities.get(parentHandle, "Parent entity does not exist");
  return parent != nullptr;
}

void adoptEntity(Entity* entity) {
  current->entities.add(entity);
  entity->visible = entity->enabled = true;
  if (Object* object = entity->getObject()) object->reset();
}

int32_t addEntity(Object* object, Entity* parent) {
  object->setParent(parent);
  adoptEntity(object);
  return handleOf(object);
}

void freeEntity(Entity* entity) {
  if (current) {
    World& world = *current;
    forSubtree(entity, [&world](Entity* e) {
      world.entities.remove(e);
      if (e == world.listener) world.listener = nullptr;
    });
  }
  delete entity;
}

void freeAllEntities() {
  while (Entity* root = Entity::roots().first) freeEntity(root);
}

namespace {

void link(Registry& r) {
  linkEntityCommands(r);
  linkDeviceCommands(r);
  linkCameraCommands(r);
  linkRenderCommands(r);
}

}  // namespace

const RuntimeModule vexel3dModule{"vexel3d", create, destroy, link};

}  // namespace vx
