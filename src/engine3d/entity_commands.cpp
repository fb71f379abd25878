// The entity commands: hierarchy, naming, transforms, the TForm and angle
// helpers, the material of models, and the world-wide ones.

#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "engine3d/animator.h"
#include "engine3d/world.h"
#include "runtime/registry.h"

namespace vx {

namespace {

// Both handles of a two-entity command, or false.
bool entitiesOf(int32_t first, int32_t second, Entity*& a, Entity*& b) {
  a = entityOf(first);
  if (!a) return false;
  b = entityOf(second);
  return b != nullptr;
}

Model* modelOf(int32_t handle) { return entityKindOf<&Entity::getModel>(handle, "Entity is not a model"); }

Vector anglesToRadians(float pitch, float yaw, float roll) {
  return {pitch * kDegToRad, yaw * kDegToRad, roll * kDegToRad};
}

Quat rotationOfDegrees(float pitch, float yaw, float roll) {
  const Vector a = anglesToRadians(pitch, yaw, roll);
  return rotationFromAngles(a.x, a.y, a.z);
}

// Hierarchy

int32_t createPivot(int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  return addEntity(new Pivot, parent);
}

// A copy of source and its subtree under parent; the pairs of originals and
// copies are collected for the animators.
Entity* copySubtree(Entity* source, Entity* parent, std::vector<std::pair<Entity*, Entity*>>& copies) {
  Entity* copy = source->clone();
  copies.emplace_back(source, copy);
  for (Entity* child = source->firstChild(); child; child = child->next()) copySubtree(child, copy, copies);
  copy->setParent(parent);
  return copy;
}

int32_t copyEntity(int32_t handle, int32_t parentHandle) {
  if (!worldOrFail()) return 0;
  Entity* source = entityOf(handle);
  Entity* parent;
  if (!source || !placeForNew(parentHandle, parent)) return 0;
  std::vector<std::pair<Entity*, Entity*>> copies;
  Entity* root = copySubtree(source, parent, copies);
  for (auto& [original, copy] : copies) {
    Object* from = original->getObject();
    Object* to = copy->getObject();
    if (from && to && from->animator) to->animator = from->animator->copyFor(*to);
  }
  for (auto& pair : copies) adoptEntity(pair.second);
  return handleOf(root);
}

void freeEntityCommand(int32_t handle) {
  if (!handle) return;
  if (Entity* entity = entityOf(handle)) freeEntity(entity);
}

void showEntity(int32_t handle) {
  Entity* entity = entityOf(handle);
  if (!entity) return;
  entity->visible = entity->enabled = true;
  if (Object* object = entity->getObject()) object->reset();
}

void hideEntity(int32_t handle) {
  if (Entity* entity = entityOf(handle)) entity->visible = entity->enabled = false;
}

void entityParent(int32_t handle, int32_t parentHandle, int32_t global) {
  Entity* entity = entityOf(handle);
  if (!entity) return;
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return;
  if (entity->isAncestorOf(parent)) {
    // A cycle would take the entity out of the world; refused also without
    // the debugging flag.
    if (debugging()) raiseError("Entity cannot be parented to itself!");
    return;
  }
  if (parent == entity->parent()) return;
  if (global) {
    const Transform world = entity->worldTransform();
    entity->setParent(parent);
    entity->setWorldTransform(world);
  } else {
    entity->setParent(parent);
    if (Object* object = entity->getObject()) object->reset();
  }
}

int32_t getParent(int32_t handle) {
  Entity* entity = entityOf(handle);
  return entity ? handleOf(entity->parent()) : 0;
}

int32_t countChildren(int32_t handle) {
  Entity* entity = entityOf(handle);
  if (!entity) return 0;
  int32_t count = 0;
  for (Entity* child = entity->firstChild(); child; child = child->next()) ++count;
  return count;
}

int32_t getChild(int32_t handle, int32_t index) {
  Entity* entity = entityOf(handle);
  if (!entity || index < 1) return 0;
  Entity* child = entity->firstChild();
  while (child && --index) child = child->next();
  return handleOf(child);
}

// The first entity named name in a pre-order walk from entity itself.
Entity* findNamed(Entity* entity, std::string_view name) {
  if (entity->name == name) return entity;
  for (Entity* child = entity->firstChild(); child; child = child->next())
    if (Entity* found = findNamed(child, name)) return found;
  return nullptr;
}

int32_t findChild(int32_t handle, StrArg name) {
  Entity* entity = entityOf(handle);
  return entity ? handleOf(findNamed(entity, name.view())) : 0;
}

void nameEntity(int32_t handle, StrArg name) {
  if (Entity* entity = entityOf(handle)) entity->name = name.str();
}

RuntimeString* entityName(int32_t handle) {
  Entity* entity = entityOf(handle);
  return newString(entity ? std::string_view(entity->name) : std::string_view());
}

template <auto Get>
bool isKind(Entity* entity) {
  return kindOf<Get>(entity) != nullptr;
}

// Class names by kind, in the order they are asked; an entity of none of
// them is a "Pivot".
constexpr struct {
  const char* name;
  bool (*is)(Entity*);
} kClasses[] = {
    {"Light", isKind<&Entity::getLight>},     {"Camera", isKind<&Entity::getCamera>},
    {"Mirror", isKind<&Entity::getMirror>},   {"Listener", isKind<&Entity::getListener>},
    {"Sprite", isKind<&Model::getSprite>},    {"Terrain", isKind<&Model::getTerrain>},
    {"Plane", isKind<&Model::getPlane>},      {"Mesh", isKind<&Model::getMesh>},
    {"MD2", isKind<&Model::getMD2>},          {"BSP", isKind<&Model::getBSP>},
};

const char* classOf(Entity* entity) {
  for (const auto& c : kClasses)
    if (c.is(entity)) return c.name;
  return "Pivot";
}

RuntimeString* entityClass(int32_t handle) {
  Entity* entity = entityOf(handle);
  return newString(entity ? classOf(entity) : "");
}

// Transforms

// PositionEntity and ScaleEntity: the world or the local setter.
template <void (Entity::*SetWorld)(Vector), void (Entity::*SetLocal)(Vector)>
void setEntityVector(int32_t handle, float x, float y, float z, int32_t global) {
  if (Entity* entity = entityOf(handle)) (entity->*(global ? SetWorld : SetLocal))({x, y, z});
}

void moveEntity(int32_t handle, float x, float y, float z) {
  Entity* entity = entityOf(handle);
  if (!entity) return;
  const Matrix axes = matrixFromQuat(entity->localRotation());
  entity->setLocalPosition(entity->localPosition() + axes * Vector{x, y, z});
}

void translateEntity(int32_t handle, float x, float y, float z, int32_t global) {
  Entity* entity = entityOf(handle);
  if (!entity) return;
  if (global)
    entity->setWorldPosition(entity->worldPosition() + Vector{x, y, z});
  else
    entity->setLocalPosition(entity->localPosition() + Vector{x, y, z});
}

void rotateEntity(int32_t handle, float pitch, float yaw, float roll, int32_t global) {
  Entity* entity = entityOf(handle);
  if (!entity) return;
  const Quat rotation = rotationOfDegrees(pitch, yaw, roll);
  if (global)
    entity->setWorldRotation(rotation);
  else
    entity->setLocalRotation(rotation);
}

void turnEntity(int32_t handle, float pitch, float yaw, float roll, int32_t global) {
  Entity* entity = entityOf(handle);
  if (!entity) return;
  const Quat turn = rotationOfDegrees(pitch, yaw, roll);
  if (global)
    entity->setWorldRotation(entity->worldRotation() * turn);
  else
    entity->setLocalRotation(turn * entity->localRotation());
}

void pointEntity(int32_t handle, int32_t targetHandle, float roll) {
  Entity *entity, *target;
  if (!entitiesOf(handle, targetHandle, entity, target)) return;
  const Vector d = target->worldPosition() - entity->worldPosition();
  entity->setWorldRotation(rotationFromAngles(pitchOf(d), yawOf(d), roll * kDegToRad));
}

void alignToVector(int32_t handle, float x, float y, float z, int32_t axis, float rate) {
  Entity* entity = entityOf(handle);
  if (!entity) return;
  Quat rotation = entity->worldRotation();
  const int index = axis == 1 ? 0 : axis == 2 ? 1 : 2;
  if (alignAxis(rotation, index, {x, y, z}, rate)) entity->setWorldRotation(rotation);
}

Vector positionOf(Entity* entity, int32_t global) {
  return global ? entity->worldPosition() : entity->localPosition();
}

float entityX(int32_t handle, int32_t global) {
  Entity* entity = entityOf(handle);
  return entity ? positionOf(entity, global).x : 0;
}
float entityY(int32_t handle, int32_t global) {
  Entity* entity = entityOf(handle);
  return entity ? positionOf(entity, global).y : 0;
}
float entityZ(int32_t handle, int32_t global) {
  Entity* entity = entityOf(handle);
  return entity ? positionOf(entity, global).z : 0;
}

// The angle, in degrees, of the world or local rotation.
template <float (*Angle)(const Matrix&)>
float entityAngle(int32_t handle, int32_t global) {
  Entity* entity = entityOf(handle);
  if (!entity) return 0;
  return Angle(matrixFromQuat(global ? entity->worldRotation() : entity->localRotation())) * kRadToDeg;
}

float getMatElement(int32_t handle, int32_t row, int32_t column) {
  Entity* entity = entityOf(handle);
  // Rows above 2 are the position; other rows and columns hold nothing.
  if (!entity || row < 0 || column < 0 || column > 2) return 0;
  const Transform& t = entity->worldTransform();
  const Vector v = row == 0 ? t.m.i : row == 1 ? t.m.j : row == 2 ? t.m.k : t.pos;
  return column == 0 ? v.x : column == 1 ? v.y : v.z;
}

// TForm: 0 for either entity means the world.

// The entity of a non-zero handle; false when it is not live.
bool spaceOf(int32_t handle, Entity*& entity) {
  entity = handle ? entityOf(handle) : nullptr;
  return !handle || entity;
}

void storeTformed(Vector v) {
  if (World* world = world3D()) world->tformed = v;
}

void tformPoint(float x, float y, float z, int32_t sourceHandle, int32_t destHandle) {
  Entity *source, *dest;
  if (!spaceOf(sourceHandle, source) || !spaceOf(destHandle, dest)) return;
  Vector p{x, y, z};
  if (source) p = source->worldTransform() * p;
  if (dest) p = inverse(dest->worldTransform()) * p;
  storeTformed(p);
}

void tformVector(float x, float y, float z, int32_t sourceHandle, int32_t destHandle) {
  Entity *source, *dest;
  if (!spaceOf(sourceHandle, source) || !spaceOf(destHandle, dest)) return;
  Vector v{x, y, z};
  if (source) v = source->worldTransform().m * v;
  if (dest) v = inverse(dest->worldTransform().m) * v;
  storeTformed(v);
}

void tformNormal(float x, float y, float z, int32_t sourceHandle, int32_t destHandle) {
  Entity *source, *dest;
  if (!spaceOf(sourceHandle, source) || !spaceOf(destHandle, dest)) return;
  Vector n{x, y, z};
  if (source) n = cofactor(source->worldTransform().m) * n;
  if (dest) n = cofactor(inverse(dest->worldTransform().m)) * n;
  storeTformed(normalise(n));
}

float vectorYaw(float x, float y, float z) { return yawOf(Vector{x, y, z}) * kRadToDeg; }
float vectorPitch(float x, float y, float z) { return pitchOf(Vector{x, y, z}) * kRadToDeg; }

// The delta commands check nothing: an unknown handle gives 0.
bool deltaOf(int32_t sourceHandle, int32_t destHandle, Vector& k, Vector& d) {
  World* world = world3D();
  Entity* source = world ? world->entities.find(sourceHandle) : nullptr;
  Entity* dest = world ? world->entities.find(destHandle) : nullptr;
  if (!source || !dest) return false;
  k = source->worldTransform().m.k;
  d = dest->worldPosition() - source->worldPosition();
  return true;
}

float deltaYaw(int32_t sourceHandle, int32_t destHandle) {
  Vector k, d;
  if (!deltaOf(sourceHandle, destHandle, k, d)) return 0;
  return wrapAngle(std::atan2(k.x, k.z) - std::atan2(d.x, d.z)) * kRadToDeg;
}

float deltaPitch(int32_t sourceHandle, int32_t destHandle) {
  Vector k, d;
  if (!deltaOf(sourceHandle, destHandle, k, d)) return 0;
  const float kPitch = std::atan2(k.y, std::sqrt(k.x * k.x + k.z * k.z));
  const float dPitch = std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z));
  return wrapAngle(kPitch - dPitch) * kRadToDeg;
}

float entityDistance(int32_t sourceHandle, int32_t destHandle) {
  Entity *source, *dest;
  if (!entitiesOf(sourceHandle, destHandle, source, dest)) return 0;
  return distance(source->worldPosition(), dest->worldPosition());
}

// Appearance that needs no material

void entityAutoFade(int32_t handle, float nearDistance, float farDistance) {
  Model* model = modelOf(handle);
  if (!model) return;
  model->autoFade = true;
  model->fadeNear = nearDistance;
  model->fadeFar = farDistance;
}

void entityOrder(int32_t handle, int32_t order) {
  Entity* entity = entityOf(handle);
  if (!entity) return;
  if (!entity->getModel() && !entity->getCamera()) {
    if (debugging()) raiseError("Entity is not a model or camera");
    return;
  }
  entity->getObject()->order = order;
}

// Material

void paintEntity(int32_t handle, int32_t brushHandle) {
  Model* model = modelOf(handle);
  if (!model) return;
  if (Brush* brush = brushOf(brushHandle)) model->setBrush(*brush);
}

void entityColor(int32_t handle, float red, float green, float blue) {
  if (Model* model = modelOf(handle)) model->setColor(Vector{red, green, blue} * kColorScale);
}

// EntityAlpha, EntityShininess, EntityBlend and EntityFX: one setter each.
template <typename Value, void (Model::*Set)(Value)>
void setOnModel(int32_t handle, Value value) {
  if (Model* model = modelOf(handle)) (model->*Set)(value);
}

void entityTexture(int32_t handle, int32_t textureHandle, int32_t frame, int32_t index) {
  Model* model = modelOf(handle);
  if (!model) return;
  Texture none;
  const Texture* texture = textureHandle ? textureOf(textureHandle) : &none;
  if (texture) model->setTexture(index, *texture, frame);
}

int32_t getEntityBrush(int32_t handle) {
  Model* model = modelOf(handle);
  return model ? addBrush(model->brush) : 0;
}

// The world

void clearWorld(int32_t entities, int32_t brushes, int32_t textures) {
  if (!world3D()) return;
  if (entities) freeAllEntities();
  if (brushes) freeAllBrushes();
  if (textures) freeAllTextures();
}

float stats3D(int32_t type) {
  World* world = world3D();
  if (!world || type < 0 || type >= World::kStatCount) return 0;
  return world->stats[type];
}

}  // namespace

void linkEntityCommands(Registry& r) {
  r.command<"%CreatePivot%parent=0", createPivot>();
  r.command<"%CopyEntity%entity%parent=0", copyEntity>();
  r.command<"FreeEntity%entity", freeEntityCommand>();
  r.command<"ShowEntity%entity", showEntity>();
  r.command<"HideEntity%entity", hideEntity>();
  r.command<"EntityParent%entity%parent%global=1", entityParent>();
  r.command<"%GetParent%entity", getParent>();
  r.command<"%CountChildren%entity", countChildren>();
  r.command<"%GetChild%entity%index", getChild>();
  r.command<"%FindChild%entity$name", findChild>();
  r.command<"NameEntity%entity$name", nameEntity>();
  r.command<"$EntityName%entity", entityName>();
  r.command<"$EntityClass%entity", entityClass>();
  r.command<"PositionEntity%entity#x#y#z%global=0",
            setEntityVector<&Entity::setWorldPosition, &Entity::setLocalPosition>>();
  r.command<"MoveEntity%entity#x#y#z", moveEntity>();
  r.command<"TranslateEntity%entity#x#y#z%global=0", translateEntity>();
  r.command<"ScaleEntity%entity#x_scale#y_scale#z_scale%global=0",
            setEntityVector<&Entity::setWorldScale, &Entity::setLocalScale>>();
  r.command<"RotateEntity%entity#pitch#yaw#roll%global=0", rotateEntity>();
  r.command<"TurnEntity%entity#pitch#yaw#roll%global=0", turnEntity>();
  r.command<"PointEntity%entity%target#roll=0", pointEntity>();
  r.command<"AlignToVector%entity#vector_x#vector_y#vector_z%axis#rate=1", alignToVector>();
  r.command<"#EntityX%entity%global=0", entityX>();
  r.command<"#EntityY%entity%global=0", entityY>();
  r.command<"#EntityZ%entity%global=0", entityZ>();
  r.command<"#EntityPitch%entity%global=0", entityAngle<pitchOf>>();
  r.command<"#EntityYaw%entity%global=0", entityAngle<yawOf>>();
  r.command<"#EntityRoll%entity%global=0", entityAngle<rollOf>>();
  r.command<"#GetMatElement%entity%row%column", getMatElement>();
  r.command<"TFormPoint#x#y#z%source_entity%dest_entity", tformPoint>();
  r.command<"TFormVector#x#y#z%source_entity%dest_entity", tformVector>();
  r.command<"TFormNormal#x#y#z%source_entity%dest_entity", tformNormal>();
  r.command<"#TFormedX", worldResult<&World::tformed, &Vector::x>>();
  r.command<"#TFormedY", worldResult<&World::tformed, &Vector::y>>();
  r.command<"#TFormedZ", worldResult<&World::tformed, &Vector::z>>();
  r.command<"#VectorYaw#x#y#z", vectorYaw>();
  r.command<"#VectorPitch#x#y#z", vectorPitch>();
  r.command<"#DeltaYaw%src_entity%dest_entity", deltaYaw>();
  r.command<"#DeltaPitch%src_entity%dest_entity", deltaPitch>();
  r.command<"#EntityDistance%source_entity%destination_entity", entityDistance>();
  r.command<"PaintEntity%entity%brush", paintEntity>();
  r.command<"EntityColor%entity#red#green#blue", entityColor>();
  r.command<"EntityAlpha%entity#alpha", setOnModel<float, &Model::setAlpha>>();
  r.command<"EntityShininess%entity#shininess", setOnModel<float, &Model::setShininess>>();
  r.command<"EntityTexture%entity%texture%frame=0%index=0", entityTexture>();
  r.command<"EntityBlend%entity%blend", setOnModel<int32_t, &Model::setBlend>>();
  r.command<"EntityFX%entity%fx", setOnModel<int32_t, &Model::setFX>>();
  r.command<"%GetEntityBrush%entity", getEntityBrush>();
  r.command<"EntityAutoFade%entity#near#far", entityAutoFade>();
  r.command<"EntityOrder%entity%order", entityOrder>();
  r.command<"ClearWorld%entities=1%brushes=1%textures=1", clearWorld>();
  r.command<"#Stats3D%type", stats3D>();
}

}  // namespace vx
