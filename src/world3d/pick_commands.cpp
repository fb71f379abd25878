// Picking: what a line, an entity's forward axis or a camera's pixel hits
// first among the pickable enabled objects at their current places, kept
// in the world's pick result for the Picked commands; and EntityVisible,
// which asks only whether an obscurer lies between two entities.

#include "engine3d/camera.h"
#include "runtime/registry.h"
#include "world3d/collision_state.h"
#include "world3d/entity_collision.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

// The nearest pickable object the line hits within its length, or null; a
// miss keeps the last pick's point.
Object* pickAlong(CollisionState& state, Vector origin, Vector direction, float radius) {
  PickResult& pick = state.pick;
  pick.info = CollisionInfo{};
  const CollisionLine line{origin, direction};
  listEnabledObjects(state.listed, false);
  Object* found = nullptr;
  for (Object* object : state.listed)
    if (object->pickMode && collisionTest(line, radius, *object, object->worldTransform(), object->pickMode, pick.info))
      found = object;
  pick.entity = found;
  if (found) pick.point = origin + direction * pick.info.time - pick.info.normal * radius;
  return found;
}

int32_t linePick(float x, float y, float z, float dx, float dy, float dz, float radius) {
  CollisionState* state = worldOrFail() ? collisionState() : nullptr;
  return state ? handleOf(pickAlong(*state, {x, y, z}, {dx, dy, dz}, radius)) : 0;
}

int32_t entityPick(int32_t handle, float range) {
  Entity* entity = entityOf(handle);
  if (!entity) return 0;
  CollisionState* state = collisionState();
  if (!state) return 0;
  const Transform& t = entity->worldTransform();
  return handleOf(pickAlong(*state, t.pos, t.m.k * range, 0));
}

int32_t cameraPick(int32_t handle, float viewportX, float viewportY) {
  Camera* camera = entityKindOf<&Entity::getCamera>(handle, "Entity is not a camera");
  CollisionState* state = collisionState();
  if (!camera || !state) return 0;
  if (!camera->canProject()) {
    // A camera that shows nothing has no pixel to pick through.
    state->pick.info = CollisionInfo{};
    state->pick.entity = nullptr;
    return 0;
  }
  const float w = static_cast<float>(camera->viewportWidth()), h = static_cast<float>(camera->viewportHeight());
  const float n = camera->nearZ(), f = camera->farZ();
  const float a = (viewportX / w - 0.5f) * camera->frustumWidth();
  const float b = camera->frustumHeight() * (0.5f - viewportY / h);
  const Transform& eye = camera->worldTransform();
  Vector start, end;
  if (camera->projMode == Camera::kOrthographic) {
    start = eye * Vector{a, b, 0};
    end = eye * Vector{a, b, f};
  } else {
    start = eye.pos;
    end = eye * Vector{a * f / n, b * f / n, f};
  }
  return handleOf(pickAlong(*state, start, end - start, 0));
}

int32_t entityVisible(int32_t sourceHandle, int32_t destHandle) {
  Object* source = objectOf(sourceHandle);
  Object* dest = source ? objectOf(destHandle) : nullptr;
  CollisionState* state = collisionState();
  if (!dest || !state) return 0;
  const Vector from = source->worldPosition();
  const CollisionLine line{from, dest->worldPosition() - from};
  CollisionInfo info;
  std::vector<Object*>& listed = state->listed;
  listEnabledObjects(listed, false);
  for (Object* object : listed) {
    if (object == source || object == dest || !object->pickMode || !object->obscurer) continue;
    if (collisionTest(line, 0, *object, object->worldTransform(), object->pickMode, info)) return 0;
  }
  return 1;
}

void entityPickMode(int32_t handle, int32_t mode, int32_t obscurer) {
  Object* object = objectOf(handle);
  if (!object) return;
  object->pickMode = mode;
  object->obscurer = obscurer != 0;
}

// The Picked commands never fail: without a world they read 0.
const PickResult* lastPick() {
  const CollisionState* state = collisionState();
  return state ? &state->pick : nullptr;
}

template <float Vector::*Axis>
float pickedPoint() {
  const PickResult* pick = lastPick();
  return pick ? pick->point.*Axis : 0;
}

template <float Vector::*Axis>
float pickedNormal() {
  const PickResult* pick = lastPick();
  return pick ? pick->info.normal.*Axis : 0;
}

float pickedTime() {
  const PickResult* pick = lastPick();
  return pick ? pick->info.time : 0;
}

int32_t pickedEntity() {
  const PickResult* pick = lastPick();
  return pick ? handleOf(pick->entity) : 0;
}

int32_t pickedSurface() {
  const PickResult* pick = lastPick();
  return pick ? HandleSet<MeshSurface>::handleOf(pick->info.surface) : 0;
}

int32_t pickedTriangle() {
  const PickResult* pick = lastPick();
  return pick ? pick->info.triangle & 0xFFFF : 0;
}

}  // namespace

void linkPickCommands(Registry& r) {
  r.command<"EntityPickMode%entity%pick_geometry%obscurer=1", entityPickMode>();
  r.command<"%LinePick#x#y#z#dx#dy#dz#radius=0", linePick>();
  r.command<"%EntityPick%entity#range", entityPick>();
  r.command<"%CameraPick%camera#viewport_x#viewport_y", cameraPick>();
  r.command<"%EntityVisible%src_entity%dest_entity", entityVisible>();
  r.command<"#PickedX", pickedPoint<&Vector::x>>();
  r.command<"#PickedY", pickedPoint<&Vector::y>>();
  r.command<"#PickedZ", pickedPoint<&Vector::z>>();
  r.command<"#PickedNX", pickedNormal<&Vector::x>>();
  r.command<"#PickedNY", pickedNormal<&Vector::y>>();
  r.command<"#PickedNZ", pickedNormal<&Vector::z>>();
  r.command<"#PickedTime", pickedTime>();
  r.command<"%PickedEntity", pickedEntity>();
  r.command<"%PickedSurface", pickedSurface>();
  r.command<"%PickedTriangle", pickedTriangle>();
}

}  // namespace vx
