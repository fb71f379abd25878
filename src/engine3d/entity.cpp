#include "engine3d/entity.h"

#include "platform/channel.h"

namespace vx {

EntityList Entity::roots_;

Entity::Entity() { link(roots_); }

Entity::Entity(const Entity& source)
    : visible(source.visible),
      enabled(source.enabled),
      name(source.name),
      dirty_(kLocalStale | kWorldStale),
      localRotation_(source.localRotation_),
      localPosition_(source.localPosition_),
      localScale_(source.localScale_) {
  link(roots_);
}

Entity::~Entity() {
  if (lifeCell_) *lifeCell_ = nullptr;
  while (children_.first) delete children_.first;
  unlink();
}

const std::shared_ptr<Entity*>& Entity::lifeCell() {
  if (!lifeCell_) lifeCell_ = std::make_shared<Entity*>(this);
  return lifeCell_;
}

Object* EntityRef::object() const {
  Entity* entity = get();
  return entity ? entity->getObject() : nullptr;
}

EntityList& Entity::siblings() { return parent_ ? parent_->children_ : roots_; }

void Entity::link(EntityList& list) {
  prev_ = list.last;
  next_ = nullptr;
  if (list.last)
    list.last->next_ = this;
  else
    list.first = this;
  list.last = this;
}

void Entity::unlink() {
  EntityList& list = siblings();
  (prev_ ? prev_->next_ : list.first) = next_;
  (next_ ? next_->prev_ : list.last) = prev_;
  next_ = prev_ = nullptr;
}

void Entity::setParent(Entity* parent) {
  if (parent == parent_) return;
  unlink();
  parent_ = parent;
  link(siblings());
  invalidate();
}

bool Entity::isAncestorOf(const Entity* entity) const {
  for (; entity; entity = entity->parent_)
    if (entity == this) return true;
  return false;
}

// Marks the world transforms of the subtree stale, skipping every subtree
// that is stale already (its descendants are too).
void Entity::invalidate() {
  if (dirty_ & kWorldStale) return;
  dirty_ |= kWorldStale;
  Entity* e = children_.first;
  while (e) {
    if (!(e->dirty_ & kWorldStale)) {
      e->dirty_ |= kWorldStale;
      if (e->children_.first) {
        e = e->children_.first;
        continue;
      }
    }
    while (e != this && !e->next_) e = e->parent_;
    if (e == this) break;
    e = e->next_;
  }
}

void Entity::setLocalPosition(Vector position) {
  localPosition_ = position;
  dirty_ |= kLocalStale;
  invalidate();
}

void Entity::setLocalScale(Vector scale) {
  localScale_ = scale;
  dirty_ |= kLocalStale;
  invalidate();
}

void Entity::setLocalRotation(Quat rotation) {
  localRotation_ = normalise(rotation);
  dirty_ |= kLocalStale;
  invalidate();
}

void Entity::setLocalTransform(const Transform& transform) {
  localPosition_ = transform.pos;
  localScale_ = {length(transform.m.i), length(transform.m.j), length(transform.m.k)};
  localRotation_ = quatFromMatrix(transform.m);
  dirty_ |= kLocalStale;
  invalidate();
}

const Transform& Entity::localTransform() {
  if (dirty_ & kLocalStale) {
    localTransform_ = {scaledAxes(matrixFromQuat(localRotation_), localScale_), localPosition_};
    dirty_ &= ~kLocalStale;
  }
  return localTransform_;
}

const Transform& Entity::worldTransform() {
  if (dirty_ & kWorldStale) {
    const Transform& local = localTransform();
    worldTransform_ = parent_ ? parent_->worldTransform() * local : local;
    dirty_ &= ~kWorldStale;
  }
  return worldTransform_;
}

void Entity::setWorldPosition(Vector position) {
  setLocalPosition(parent_ ? inverse(parent_->worldTransform()) * position : position);
}

void Entity::setWorldScale(Vector scale) { setLocalScale(parent_ ? divided(scale, parent_->worldScale()) : scale); }

void Entity::setWorldRotation(Quat rotation) {
  // world = local * parent's world, so local = world * inverse(parent's).
  setLocalRotation(parent_ ? rotation * conjugate(parent_->worldRotation()) : rotation);
}

void Entity::setWorldTransform(const Transform& transform) {
  setLocalTransform(parent_ ? inverse(parent_->worldTransform()) * transform : transform);
}

Quat Entity::worldRotation() {
  worldRotation_ = localRotation_;
  for (Entity* e = parent_; e; e = e->parent_) worldRotation_ = worldRotation_ * e->localRotation_;
  return worldRotation_;
}

Vector Entity::worldScale() {
  worldScale_ = localScale_;
  for (Entity* e = parent_; e; e = e->parent_) worldScale_ = scaled(worldScale_, e->localScale_);
  return worldScale_;
}

// Object

Object::Object(const Object& source)
    : Entity(source),
      collisionType(source.collisionType),
      xRadius(source.xRadius),
      yRadius(source.yRadius),
      boxMin(source.boxMin),
      boxMax(source.boxMax),
      pickMode(source.pickMode),
      obscurer(source.obscurer),
      order(source.order),
      keys(source.keys) {}

Object::~Object() = default;

bool Object::collide(const CollisionLine&, float, CollisionInfo&, const Transform&) { return false; }

void Object::capture() {
  capturedPosition = localPosition();
  capturedScale = localScale();
  capturedRotation = localRotation();
  captured = true;
}

void Object::animate(float elapsed) {
  if (animator) animator->animate(elapsed);
}

// A sound emitted from the entity is heard where the entity is now; the
// entries of those that have ended are cleared, and dropped from the end.
void Object::followEmittedChannels() {
  const Vector p = worldPosition();
  const sound::Vec3 position{p.x, p.y, p.z}, moving{velocity.x, velocity.y, velocity.z};
  for (Channel*& channel : emittedChannels) {
    if (!channel) continue;
    if (channel->isPlaying())
      channel->set3D(position, moving);
    else
      channel = nullptr;
  }
  while (!emittedChannels.empty() && !emittedChannels.back()) emittedChannels.pop_back();
}

bool Object::beginRender(float tween) {
  if (!emittedChannels.empty()) followEmittedChannels();
  if (tween == 1 || !captured) {
    render_ = worldTransform();
    renderValid = true;
    return true;
  }
  const Vector position = capturedPosition + (localPosition() - capturedPosition) * tween;
  const Vector scale = capturedScale + (localScale() - capturedScale) * tween;
  const Quat rotation = slerp(capturedRotation, localRotation(), tween);
  tweened = {scaledAxes(matrixFromQuat(rotation), scale), position};
  renderValid = false;
  return true;
}

const Transform& Object::renderTransform() {
  if (!renderValid) {
    Object* parentObject = parent() ? parent()->getObject() : nullptr;
    render_ = parentObject ? parentObject->renderTransform() * tweened : tweened;
    renderValid = true;
  }
  return render_;
}

void Object::reset() {
  collisions.clear();
  velocity = {};
  previousTransform = worldTransform();
}

}  // namespace vx
