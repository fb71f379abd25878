#pragma once
// Key-frame keys: position, scale and rotation values at whole frames, and
// the value of a channel at any time between them. Key sets are shared by
// reference between objects, animators and copies of both; whoever changes
// a shared set first takes a private copy (writable), so handing sets
// around never copies keys.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/math3d.h"

namespace vx {

// Positions and scales blend linearly, rotations spherically along the
// shorter arc (without renormalising).
inline Vector blend(Vector a, Vector b, float m) { return a + (b - a) * m; }
inline Quat blend(Quat a, Quat b, float m) { return slerp(a, b, m); }

template <typename Value>
class KeyChannel {
 public:
  struct Key {
    int32_t frame;
    Value value;
  };

  bool empty() const { return keys_.empty(); }
  const std::vector<Key>& keys() const { return keys_; }
  // Sets the value at frame, replacing a key there.
  void set(int32_t frame, Value value);
  // The value at time t (the channel must have keys): the first key's at or
  // before its frame, the last key's at or after its frame, else the blend
  // of the keys around t.
  Value at(float t) const;

 private:
  std::vector<Key> keys_;  // by frame, each frame once
};

class KeySet {
 public:
  KeyChannel<Vector> position;
  KeyChannel<Vector> scale;
  KeyChannel<Quat> rotation;

  bool empty() const { return position.empty() && scale.empty() && rotation.empty(); }
  // The keys with first <= frame <= last, each moved to frame - first.
  KeySet extract(int32_t first, int32_t last) const;
};

// The set to change: keys itself when nothing else shares it, else a
// private copy of it (an empty set in place of none).
KeySet& writable(std::shared_ptr<KeySet>& keys);

template <typename Value>
void KeyChannel<Value>::set(int32_t frame, Value value) {
  // Keys usually come in frame order: appending is the common case.
  auto it = keys_.end();
  if (!keys_.empty() && keys_.back().frame >= frame) {
    it = std::lower_bound(keys_.begin(), keys_.end(), frame, [](const Key& k, int32_t f) { return k.frame < f; });
    if (it->frame == frame) {
      it->value = value;
      return;
    }
  }
  keys_.insert(it, {frame, value});
}

template <typename Value>
Value KeyChannel<Value>::at(float t) const {
  const Key& first = keys_.front();
  const Key& last = keys_.back();
  if (t >= static_cast<float>(last.frame)) return last.value;
  if (t <= static_cast<float>(first.frame)) return first.value;
  // The first key after t; the one before it is at or before t.
  size_t low = 0, high = keys_.size() - 1;
  while (high - low > 1) {
    const size_t middle = (low + high) / 2;
    (static_cast<float>(keys_[middle].frame) > t ? high : low) = middle;
  }
  const Key& before = keys_[low];
  const Key& after = keys_[high];
  const float m = (t - static_cast<float>(before.frame)) / static_cast<float>(after.frame - before.frame);
  return blend(before.value, after.value, m);
}

}  // namespace vx
