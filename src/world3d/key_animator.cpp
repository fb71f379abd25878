#include "world3d/key_animator.h"

#include <cmath>
#include <string>
#include <unordered_map>

#include "engine3d/mesh.h"
#include "engine3d/world.h"
#include "world3d/counterpart.h"
#include "world3d/skin.h"

namespace vx {

namespace {

void collectObjects(Entity& entity, std::vector<Object*>& objects) {
  if (Object* object = entity.getObject()) objects.push_back(object);
  for (Entity* child = entity.firstChild(); child; child = child->next()) collectObjects(*child, objects);
}

std::vector<Object*> hierarchyOf(Object& root) {
  std::vector<Object*> objects;
  collectObjects(root, objects);
  return objects;
}

}  // namespace

KeyAnimator::KeyAnimator(Object& root, int32_t length) : KeyAnimator(hierarchyOf(root), length) {}

KeyAnimator::KeyAnimator(const std::vector<Object*>& objects, int32_t length) {
  animated_.resize(objects.size());
  for (size_t i = 0; i < objects.size(); ++i) animated_[i].object = EntityRef(objects[i]);
  addOwnKeys(length);
}

KeyAnimator* KeyAnimator::of(const Object* object) {
  return object ? dynamic_cast<KeyAnimator*>(object->animator.get()) : nullptr;
}

void KeyAnimator::addOwnKeys(int32_t length) {
  lengths_.push_back(length);
  for (Animated& a : animated_) {
    Object* object = a.object.object();
    a.sequences.push_back(object ? std::move(object->keys) : nullptr);
    if (object) object->keys.reset();
  }
}

int32_t KeyAnimator::addSequence(int32_t length) {
  addOwnKeys(length);
  return sequenceCount() - 1;
}

int32_t KeyAnimator::extractSequence(int32_t first, int32_t last, int32_t from) {
  if (from < 0 || from >= sequenceCount()) return -1;
  lengths_.push_back(static_cast<int32_t>(static_cast<int64_t>(last) - first));
  for (Animated& a : animated_) {
    const KeySet* source = a.sequences[from].get();
    a.sequences.push_back(source ? std::make_shared<KeySet>(source->extract(first, last)) : nullptr);
  }
  return sequenceCount() - 1;
}

int32_t KeyAnimator::addSequences(const KeyAnimator& other) {
  std::unordered_map<std::string, const Animated*> byName;
  for (const Animated& a : other.animated_)
    if (const Entity* entity = a.object.get()) byName.emplace(entity->name, &a);
  for (int32_t s = 0; s < other.sequenceCount(); ++s) {
    lengths_.push_back(other.lengths_[s]);
    for (Animated& a : animated_) {
      const Entity* entity = a.object.get();
      auto found = entity ? byName.find(entity->name) : byName.end();
      a.sequences.push_back(found != byName.end() ? found->second->sequences[s] : nullptr);
    }
  }
  return sequenceCount() - 1;
}

void KeyAnimator::play(int32_t mode, float speed, int32_t sequence, float transition) {
  if (mode == kStopped && speed == 0) {
    mode_ = kStopped;
    return;
  }
  if (sequence < 0 || sequence >= sequenceCount()) return;
  sequence_ = sequence;
  mode_ = mode;
  length_ = lengths_[sequence];
  speed_ = speed;
  time_ = speed < 0 ? static_cast<float>(length_) : 0;
  if (transition > 0) {
    startTransition(transition);
    return;
  }
  // A transition still running would blend over the new pose.
  transitioning_ = false;
  showPose();
  if (speed == 0) mode_ = kStopped;
}

void KeyAnimator::setTime(float time, int32_t sequence) {
  if (sequence < 0 || sequence >= sequenceCount()) return;
  sequence_ = sequence;
  mode_ = kStopped;
  speed_ = 0;
  transitioning_ = false;
  length_ = lengths_[sequence];
  time_ = wrapped(time);
  showPose();
}

float KeyAnimator::wrapped(float time) const {
  // An empty sequence has one time; dividing by its length has none.
  if (length_ <= 0) return 0;
  const float length = static_cast<float>(length_);
  const float t = std::fmod(time, length);
  return t < 0 ? t + length : t;
}

void KeyAnimator::animate(float elapsed) {
  if (transitioning_) {
    progress_ += elapsed * rate_;
    if (progress_ < 1) {
      showTransition();
      return;
    }
    transitioning_ = false;
    if (mode_ == kStopped || speed_ == 0) {
      showPose();
      mode_ = kStopped;
      return;
    }
  } else if (mode_ == kStopped) {
    return;
  }
  time_ += elapsed * speed_;
  const float length = static_cast<float>(length_);
  switch (mode_) {
    case kLoop:
      time_ = wrapped(time_);
      break;
    case kPingPong:
      if (length_ <= 0) {
        time_ = 0;
        break;
      }
      time_ = std::fmod(time_, 2 * length);
      if (time_ < 0) time_ += 2 * length;
      if (time_ >= length) {
        time_ = length - (time_ - length);
        speed_ = -speed_;
      }
      break;
    case kOnce:
      if (time_ >= length) {
        time_ = length;
        mode_ = kStopped;
      } else if (time_ < 0) {
        time_ = 0;
        mode_ = kStopped;
      }
      break;
    default:
      break;
  }
  showPose();
}

void KeyAnimator::showPose() {
  for (Animated& a : animated_) {
    const KeySet* keys = a.sequences[sequence_].get();
    Object* object = keys ? a.object.object() : nullptr;
    if (!object) continue;
    if (!keys->position.empty()) object->setLocalPosition(keys->position.at(time_));
    if (!keys->scale.empty()) object->setLocalScale(keys->scale.at(time_));
    if (!keys->rotation.empty()) object->setLocalRotation(keys->rotation.at(time_));
  }
}

void KeyAnimator::startTransition(float frames) {
  transitioning_ = true;
  progress_ = 0;
  rate_ = 1 / frames;
  for (Animated& a : animated_) {
    Transition& t = a.transition;
    Object* object = a.object.object();
    const KeySet* keys = a.sequences[sequence_].get();
    t.position = t.scale = t.rotation = false;
    if (!object) continue;
    t.startPosition = object->localPosition();
    t.startScale = object->localScale();
    t.startRotation = object->localRotation();
    if (!keys) continue;
    if ((t.position = !keys->position.empty())) t.targetPosition = keys->position.at(time_);
    if ((t.scale = !keys->scale.empty())) t.targetScale = keys->scale.at(time_);
    if ((t.rotation = !keys->rotation.empty())) t.targetRotation = keys->rotation.at(time_);
  }
}

void KeyAnimator::showTransition() {
  for (Animated& a : animated_) {
    const Transition& t = a.transition;
    Object* object = a.object.object();
    if (!object) continue;
    if (t.position) object->setLocalPosition(blend(t.startPosition, t.targetPosition, progress_));
    if (t.scale) object->setLocalScale(blend(t.startScale, t.targetScale, progress_));
    if (t.rotation) object->setLocalRotation(blend(t.startRotation, t.targetRotation, progress_));
  }
}

std::unique_ptr<Animator> KeyAnimator::copyFor(Object& copyRoot) const {
  std::unique_ptr<KeyAnimator> copy(new KeyAnimator);
  copy->lengths_ = lengths_;
  Object* root = object(0);
  copy->animated_.resize(animated_.size());
  for (size_t i = 0; i < animated_.size(); ++i) {
    const Entity* original = animated_[i].object.get();
    copy->animated_[i].object = EntityRef(root && original ? counterpart(original, *root, copyRoot) : nullptr);
    copy->animated_[i].sequences = animated_[i].sequences;
  }
  // Meshes are copied without their skin: the skin this animator's bones
  // pose is copied onto the copied bones here.
  Mesh* mesh = kindOf<&Model::getMesh>(root);
  Mesh* copyMesh = kindOf<&Model::getMesh>(&copyRoot);
  if (const Skin* skin = mesh ? Skin::of(*mesh) : nullptr; skin && copyMesh)
    copyMesh->deformer = skin->copyFor(*mesh, *copyMesh);
  return copy;
}

}  // namespace vx
