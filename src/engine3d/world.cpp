#include "engine3d/world.h"

#include <memory>

#include "runtime/errors.h"

namespace vx {

namespace {

std::unique_ptr<World> current;

// Calls visit for the entity and every descendant, parents first.
template <typename Visit>
void forSubtree(Entity* entity, Visit visit) {
  visit(entity);
  for (Entity* child = entity->firstChild(); child; child = child->next()) forSubtree(child, visit);
}

// A handle of the world's set: the message when there is no world either.
template <typename T>
T* liveIn(HandleSet<T> World::*set, int32_t handle, const char* message) {
  if (!current) {
    if (debugging()) raiseError(message);
    return nullptr;
  }
  return ((*current).*set).get(handle, message);
}

}  // namespace

World* world3D() { return current.get(); }

void createWorld(SceneDevice* device, GraphicsDevice* graphics) {
  destroyWorld();
  current = std::make_unique<World>();
  current->device = device;
  current->graphics = graphics;
  current->textureFilters.reset();
  current->loaderMatrices["x"] = Matrix{};
  current->loaderMatrices["3ds"] = Matrix{{1, 0, 0}, {0, 0, 1}, {0, 1, 0}};
}

void destroyWorld() {
  if (!current) return;
  freeAllEntities();
  freeAllBrushes();
  freeAllTextures();
  current.reset();
}

World* worldOrFail() {
  if (!current && debugging()) raiseError("3D Graphics mode not set");
  return current.get();
}

Entity* entityOf(int32_t handle) { return liveIn(&World::entities, handle, "Entity does not exist"); }

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

Texture* textureOf(int32_t handle) { return liveIn(&World::textures, handle, "Texture does not exist"); }

Brush* brushOf(int32_t handle) { return liveIn(&World::brushes, handle, "Brush does not exist"); }

int32_t addTexture(const Texture& texture) { return texture ? current->textures.add(new Texture(texture)) : 0; }

int32_t addBrush(const Brush& brush) { return current->brushes.add(new Brush(brush)); }

// Frees the object of a handle in the world's set; nothing for another.
template <typename T>
void freeIn(HandleSet<T> World::*set, int32_t handle) {
  T* object = current ? ((*current).*set).find(handle) : nullptr;
  if (!object) return;
  ((*current).*set).remove(object);
  delete object;
}

void freeTexture(int32_t handle) { freeIn(&World::textures, handle); }

void freeBrush(int32_t handle) { freeIn(&World::brushes, handle); }

void freeAllBrushes() {
  current->brushes.clear([](Brush* brush) { delete brush; });
}

void freeAllTextures() {
  current->textures.clear([](Texture* texture) { delete texture; });
}

}  // namespace vx
