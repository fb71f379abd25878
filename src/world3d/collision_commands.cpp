// The collision commands: rules, collision types, radii and boxes, the
// world's step, the records of the last step, and MeshesIntersect.

#include <algorithm>

#include "engine3d/mesh.h"
#include "runtime/registry.h"
#include "world3d/collider.h"
#include "world3d/collision_state.h"
#include "world3d/world3d_commands.h"
#include "world3d/world_update.h"

namespace vx {

namespace {

// Rules

void collisions(int32_t sourceType, int32_t destinationType, int32_t method, int32_t response) {
  CollisionState* state = worldOrFail() ? collisionState() : nullptr;
  // Types the tables do not have are ignored rather than written past them.
  if (!state || !CollisionState::isType(sourceType) || !CollisionState::isType(destinationType)) return;
  std::vector<CollisionRule>& rules = state->rules[sourceType];
  for (const CollisionRule& rule : rules)
    if (rule.destination == destinationType) return;
  rules.push_back({destinationType, method, response});
}

void clearCollisions() {
  CollisionState* state = worldOrFail() ? collisionState() : nullptr;
  if (!state) return;
  for (auto& rules : state->rules) rules.clear();
}

// Collision settings

void setType(Entity* entity, int32_t type, bool recursive) {
  if (Object* object = entity->getObject()) {
    object->collisionType = type;
    object->reset();
  }
  if (!recursive) return;
  for (Entity* child = entity->firstChild(); child; child = child->next()) setType(child, type, true);
}

void entityType(int32_t handle, int32_t type, int32_t recursive) {
  Object* object = objectOf(handle);
  if (!object) return;
  if (!CollisionState::isType(type) && debugging()) raiseError("EntityType ID must be in the range 0...999");
  setType(object, type, recursive != 0);
}

int32_t getEntityType(int32_t handle) {
  Object* object = objectOf(handle);
  return object ? object->collisionType : 0;
}

void entityRadius(int32_t handle, float xRadius, float yRadius) {
  Object* object = objectOf(handle);
  if (!object) return;
  object->xRadius = xRadius;
  object->yRadius = yRadius != 0 ? yRadius : xRadius;
}

void entityBox(int32_t handle, float x, float y, float z, float width, float height, float depth) {
  Object* object = objectOf(handle);
  if (!object) return;
  const Vector a{x, y, z}, b{x + width, y + height, z + depth};
  object->boxMin = {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
  object->boxMax = {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

void resetEntity(int32_t handle) {
  if (Object* object = objectOf(handle)) object->reset();
}

// Records of the last step

// The entity's record of a collision index counted from 1: "Collision index
// out of range"; null for an index the list does not have.
const CollisionRecord* recordOf(int32_t handle, int32_t index) {
  Object* object = objectOf(handle);
  if (!object) return nullptr;
  if (index < 1 || static_cast<size_t>(index) > object->collisions.size()) {
    if (debugging()) raiseError("Collision index out of range");
    return nullptr;
  }
  return object->collisions[index - 1];
}

int32_t entityCollided(int32_t handle, int32_t type) {
  Object* object = objectOf(handle);
  if (!object) return 0;
  World& world = *world3D();
  for (const CollisionRecord* record : object->collisions) {
    // The other entity may have been freed since the step.
    const int32_t other = handleOf(record->other);
    if (world.entities.find(other) && record->other->collisionType == type) return other;
  }
  return 0;
}

int32_t countCollisions(int32_t handle) {
  Object* object = objectOf(handle);
  return object ? static_cast<int32_t>(object->collisions.size()) : 0;
}

template <float Vector::*Axis>
float recordPoint(int32_t handle, int32_t index) {
  const CollisionRecord* record = recordOf(handle, index);
  return record ? record->point.*Axis : 0;
}

template <float Vector::*Axis>
float recordNormal(int32_t handle, int32_t index) {
  const CollisionRecord* record = recordOf(handle, index);
  return record ? record->info.normal.*Axis : 0;
}

float collisionTime(int32_t handle, int32_t index) {
  const CollisionRecord* record = recordOf(handle, index);
  return record ? record->info.time : 0;
}

int32_t collisionEntity(int32_t handle, int32_t index) {
  const CollisionRecord* record = recordOf(handle, index);
  return record ? handleOf(record->other) : 0;
}

int32_t collisionSurface(int32_t handle, int32_t index) {
  const CollisionRecord* record = recordOf(handle, index);
  return record ? HandleSet<MeshSurface>::handleOf(record->info.surface) : 0;
}

int32_t collisionTriangle(int32_t handle, int32_t index) {
  const CollisionRecord* record = recordOf(handle, index);
  return record ? record->info.triangle & 0xFFFF : 0;
}

// Meshes

int32_t meshesIntersect(int32_t handleA, int32_t handleB) {
  Mesh* a = entityKindOf<&Model::getMesh>(handleA, "Entity is not a mesh");
  Mesh* b = a ? entityKindOf<&Model::getMesh>(handleB, "Entity is not a mesh") : nullptr;
  if (!b) return 0;
  const Transform toB = inverse(b->worldTransform()) * a->worldTransform();
  return colliderOf(a->data()).intersects(colliderOf(b->data()), toB) ? 1 : 0;
}

}  // namespace

void linkCollisionCommands(Registry& r) {
  r.command<"Collisions%source_type%destination_type%method%response", collisions>();
  r.command<"ClearCollisions", clearCollisions>();
  r.command<"UpdateWorld#elapsed_time=1", updateWorld>();
  r.command<"EntityType%entity%collision_type%recursive=0", entityType>();
  r.command<"%GetEntityType%entity", getEntityType>();
  r.command<"EntityRadius%entity#x_radius#y_radius=0", entityRadius>();
  r.command<"EntityBox%entity#x#y#z#width#height#depth", entityBox>();
  r.command<"ResetEntity%entity", resetEntity>();
  r.command<"%EntityCollided%entity%type", entityCollided>();
  r.command<"%CountCollisions%entity", countCollisions>();
  r.command<"#CollisionX%entity%collision_index", recordPoint<&Vector::x>>();
  r.command<"#CollisionY%entity%collision_index", recordPoint<&Vector::y>>();
  r.command<"#CollisionZ%entity%collision_index", recordPoint<&Vector::z>>();
  r.command<"#CollisionNX%entity%collision_index", recordNormal<&Vector::x>>();
  r.command<"#CollisionNY%entity%collision_index", recordNormal<&Vector::y>>();
  r.command<"#CollisionNZ%entity%collision_index", recordNormal<&Vector::z>>();
  r.command<"#CollisionTime%entity%collision_index", collisionTime>();
  r.command<"%CollisionEntity%entity%collision_index", collisionEntity>();
  r.command<"%CollisionSurface%entity%collision_index", collisionSurface>();
  r.command<"%CollisionTriangle%entity%collision_index", collisionTriangle>();
  r.command<"%MeshesIntersect%mesh_a%mesh_b", meshesIntersect>();
}

}  // namespace vx
