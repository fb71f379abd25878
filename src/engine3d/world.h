#pragma once
// The World exists while a 3D graphics mode is set and owns every entity,
// brush and texture of it. The 3D module (world3d/vexel3d_module) starts it
// once a 3D mode has opened and ends it before any mode changes, at
// EndGraphics and when the run ends; ending it frees every entity, so all
// entity handles become invalid.
//
// Every entity a program can name is in the world's handle set. The
// helpers below are the one way commands of every entity kind check their
// arguments: the messages are reported only while debugging; without the
// flag an unknown handle gives null and the command does nothing.

#include <cstdint>
#include <map>
#include <string>
#include <type_traits>

#include "engine3d/brush.h"
#include "engine3d/device/scene_device.h"
#include "engine3d/entity.h"
#include "engine3d/texture.h"
#include "engine3d/texture_filters.h"
#include "runtime/errors.h"
#include "runtime/handles.h"

namespace vx {

class GraphicsDevice;
class SceneDevice;

struct World {
  SceneDevice* device = nullptr;      // the scene device of the 3D mode
  GraphicsDevice* graphics = nullptr; // its graphics device, where texture canvases live
  HandleSet<Entity> entities;
  // The textures and brushes handed to the program.
  HandleSet<Texture> textures;
  HandleSet<Brush> brushes;
  TextureFilters textureFilters;
  // By lower-case file extension: what model loaders apply to geometry.
  std::map<std::string, Matrix> loaderMatrices;
  Entity* listener = nullptr;  // the one Listener, if any
  Vector tformed;              // the result of the last TForm command
  Vector projected;            // the result of the last CameraProject
  int32_t trisRendered = 0;    // triangles drawn by the last RenderWorld
  static constexpr int kStatCount = 16;
  float stats[kStatCount] = {};  // Stats3D: 0 collisions, 1 and 2 terrain
};

// The world, or null while no 3D mode is set.
World* world3D();
// Makes the world for a 3D mode that has just opened, rendering through the
// mode's scene device (replacing any world there was). Without a scene
// device (tests of the scene graph) nothing is drawn and lights have no
// device light; without a graphics device no texture can be made.
void createWorld(SceneDevice* device, GraphicsDevice* graphics);
// Frees every entity, brush and texture and then the world; nothing
// happens without one.
void destroyWorld();

// The world; "3D Graphics mode not set" while debugging, null otherwise.
World* worldOrFail();
// The live entity of a handle: "Entity does not exist".
Entity* entityOf(int32_t handle);

template <typename Query>
struct QueryOf;
template <typename Owner, typename Kind>
struct QueryOf<Kind* (Owner::*)()> {
  using owner = Owner;
  using kind = Kind;
};

// The entity as one kind, or null (also for a null entity). Get is the
// kind's query: &Entity::getCamera and the others of Entity, or
// &Model::getMesh and the others of Model, which are asked of the
// entity's model.
template <auto Get>
auto kindOf(Entity* entity) -> typename QueryOf<decltype(Get)>::kind* {
  if constexpr (std::is_same_v<typename QueryOf<decltype(Get)>::owner, Model>) {
    Model* model = entity ? entity->getModel() : nullptr;
    return model ? (model->*Get)() : nullptr;
  } else {
    return entity ? (entity->*Get)() : nullptr;
  }
}

// The live entity of a handle as one kind (as kindOf): message while
// debugging when it is another kind.
template <auto Get>
auto entityKindOf(int32_t handle, const char* message) {
  Entity* entity = entityOf(handle);
  auto* kind = kindOf<Get>(entity);
  if (entity && !kind && debugging()) raiseError(message);
  return kind;
}

// A component of a vector result the world keeps (TFormed, Projected); 0
// without a world.
template <Vector World::*Result, float Vector::*Axis>
float worldResult() {
  World* world = world3D();
  return world ? (world->*Result).*Axis : 0;
}

// For creating commands: the world must be there and the parent handle 0 or
// live ("Parent entity does not exist"). False when not.
bool placeForNew(int32_t parentHandle, Entity*& parent);
// Puts a new object into the world under parent: registered, visible,
// enabled and reset. Returns its handle.
int32_t addEntity(Object* object, Entity* parent);
// Registers an entity that came into the world with a hierarchy (a copy, a
// loaded model), made visible and enabled and reset.
void adoptEntity(Entity* entity);
// Unregisters the entity and its subtree, forgets the listener when it is
// among them, and deletes the entity (children first).
void freeEntity(Entity* entity);
// Frees every root entity.
void freeAllEntities();
// The live texture or brush of a handle: "Texture does not exist", "Brush
// does not exist".
Texture* textureOf(int32_t handle);
Brush* brushOf(int32_t handle);
// Registers a new handle of the texture or brush; 0 for no texture.
int32_t addTexture(const Texture& texture);
int32_t addBrush(const Brush& brush);
// Frees a registered texture or brush; other handles are ignored.
void freeTexture(int32_t handle);
void freeBrush(int32_t handle);
// Frees every registered brush, every registered texture.
void freeAllBrushes();
void freeAllTextures();

inline int32_t handleOf(const Entity* entity) { return HandleSet<Entity>::handleOf(entity); }

}  // namespace vx
