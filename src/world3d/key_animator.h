#pragma once
// The key-frame animator of a hierarchy. It is owned by the hierarchy's
// root and animates a fixed list of objects (the root first), taken when
// it was made. Each animated object has one key set per sequence; the
// animator plays one sequence at a time, looping, ping-ponging or once, at
// a speed in frames per unit of elapsed time, and can blend into a new
// sequence from the pose shown.
//
// Sequences are made from the objects' own keys (Object::keys), which the
// animator takes over, leaving them empty: a program sets keys, then adds
// a sequence, then sets the keys of the next.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/animator.h"
#include "engine3d/entity.h"
#include "world3d/key_set.h"

namespace vx {

class KeyAnimator final : public Animator {
 public:
  enum Mode : int32_t { kStopped = 0, kLoop = 1, kPingPong = 2, kOnce = 3 };

  // Over root and its descendants as they are now (depth first, children in
  // order), with one sequence of length frames made of their own keys.
  KeyAnimator(Object& root, int32_t length);
  // Over exactly these objects, the root (the owner) first.
  KeyAnimator(const std::vector<Object*>& objects, int32_t length);

  // The animator of an object, or null.
  static KeyAnimator* of(const Object* object);

  int32_t sequenceCount() const { return static_cast<int32_t>(lengths_.size()); }
  // A new sequence of length frames from the animated objects' own keys;
  // its number.
  int32_t addSequence(int32_t length);
  // A new sequence made of the keys of sequence from between the frames
  // first and last, moved to start at 0; -1 (and nothing added) when from
  // is not a sequence.
  int32_t extractSequence(int32_t first, int32_t last, int32_t from);
  // Appends every sequence of other: each animated object gets the keys of
  // the first object of other's with its name (none when there is none).
  // The number of the last sequence.
  int32_t addSequences(const KeyAnimator& other);

  // Starts playback of a sequence (mode and speed 0 only stop it); with a
  // transition the pose blends from where it is over that many frames.
  // An unknown sequence is ignored.
  void play(int32_t mode, float speed, int32_t sequence, float transition);
  // Stops and shows a sequence at a time, wrapped into its length. An
  // unknown sequence is ignored.
  void setTime(float time, int32_t sequence);

  int32_t sequence() const { return sequence_; }
  float time() const { return time_; }
  int32_t length() const { return length_; }
  bool playing() const { return mode_ != kStopped || transitioning_; }

  // The animated objects, the root first; null for one freed since.
  size_t objectCount() const { return animated_.size(); }
  Object* object(size_t index) const { return animated_[index].object.object(); }

  void animate(float elapsed) override;
  std::unique_ptr<Animator> copyFor(Object& copyRoot) const override;

 private:
  // Where a transition starts and where it goes, per channel that the new
  // sequence has keys for.
  struct Transition {
    Vector startPosition, startScale;
    Quat startRotation;
    Vector targetPosition, targetScale;
    Quat targetRotation;
    bool position = false, scale = false, rotation = false;
  };
  struct Animated {
    EntityRef object;
    std::vector<std::shared_ptr<KeySet>> sequences;
    Transition transition;
  };

  KeyAnimator() = default;
  void addOwnKeys(int32_t length);
  // Time wrapped into [0, length) (0 for an empty sequence).
  float wrapped(float time) const;
  void showPose();
  void showTransition();
  void startTransition(float frames);

  std::vector<int32_t> lengths_;
  std::vector<Animated> animated_;
  int32_t sequence_ = 0;
  int32_t mode_ = kStopped;
  int32_t length_ = 0;
  float time_ = 0;
  float speed_ = 0;
  bool transitioning_ = false;
  float progress_ = 0;
  float rate_ = 0;
};

}  // namespace vx
