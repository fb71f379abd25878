// The animation commands: keys set by the program, sequences made from them,
// taken from other sequences or loaded from model files, and playback.

#include "engine3d/world.h"
#include "runtime/registry.h"
#include "world3d/key_animator.h"
#include "world3d/model_files.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

KeyAnimator* animatorOf(int32_t handle) { return KeyAnimator::of(objectOf(handle)); }

// Playback of an object that has no animator is an error also without the
// debugging flag.
KeyAnimator* playedAnimator(int32_t handle, const char* message) {
  Object* object = objectOf(handle);
  if (!object) return nullptr;
  KeyAnimator* animator = KeyAnimator::of(object);
  if (!animator) raiseError(message);
  return animator;
}

void setAnimKey(int32_t handle, int32_t frame, int32_t position, int32_t rotation, int32_t scale) {
  Object* object = objectOf(handle);
  if (!object) return;
  KeySet& keys = writable(object->keys);
  if (position) keys.position.set(frame, object->localPosition());
  if (rotation) keys.rotation.set(frame, object->localRotation());
  if (scale) keys.scale.set(frame, object->localScale());
}

int32_t addAnimSeq(int32_t handle, int32_t length) {
  Object* object = objectOf(handle);
  if (!object) return -1;
  if (KeyAnimator* animator = KeyAnimator::of(object)) return animator->addSequence(length);
  // An animator of another kind (a model's own playback) stays.
  if (object->animator) return -1;
  object->animator = std::make_unique<KeyAnimator>(*object, length);
  return 0;
}

int32_t extractAnimSeq(int32_t handle, int32_t first, int32_t last, int32_t sequence) {
  KeyAnimator* animator = animatorOf(handle);
  return animator ? animator->extractSequence(first, last, sequence) : -1;
}

int32_t loadAnimSeq(int32_t handle, StrArg file) {
  KeyAnimator* animator = animatorOf(handle);
  World* world = world3D();
  if (!animator || !world) return -1;
  const std::unique_ptr<Object> loaded = loadModel(*world, file.view(), kLoadAnimSeq);
  if (const KeyAnimator* other = KeyAnimator::of(loaded.get())) animator->addSequences(*other);
  return animator->sequenceCount() - 1;
}

void animate(int32_t handle, int32_t mode, float speed, int32_t sequence, float transition) {
  if (KeyAnimator* animator = playedAnimator(handle, "Entity has no animation"))
    animator->play(mode, speed, sequence, transition);
}

void setAnimTime(int32_t handle, float time, int32_t sequence) {
  if (KeyAnimator* animator = playedAnimator(handle, "Entity has not animation")) animator->setTime(time, sequence);
}

int32_t animSeq(int32_t handle) {
  KeyAnimator* animator = animatorOf(handle);
  return animator ? animator->sequence() : -1;
}

float animTime(int32_t handle) {
  KeyAnimator* animator = animatorOf(handle);
  return animator ? animator->time() : -1;
}

int32_t animLength(int32_t handle) {
  KeyAnimator* animator = animatorOf(handle);
  return animator ? animator->length() : -1;
}

int32_t animating(int32_t handle) {
  KeyAnimator* animator = animatorOf(handle);
  return animator && animator->playing();
}

}  // namespace

void linkAnimationCommands(Registry& r) {
  r.command<"SetAnimKey%entity%frame%pos_key=1%rot_key=1%scale_key=1", setAnimKey>();
  r.command<"%AddAnimSeq%entity%length", addAnimSeq>();
  r.command<"%ExtractAnimSeq%entity%first_frame%last_frame%anim_seq=0", extractAnimSeq>();
  r.command<"%LoadAnimSeq%entity$file", loadAnimSeq>();
  r.command<"Animate%entity%mode=1#speed=1%sequence=0#transition=0", animate>();
  r.command<"SetAnimTime%entity#time%anim_seq=0", setAnimTime>();
  r.command<"%AnimSeq%entity", animSeq>();
  r.command<"#AnimTime%entity", animTime>();
  r.command<"%AnimLength%entity", animLength>();
  r.command<"%Animating%entity", animating>();
}

}  // namespace vx
