#include "world3d/key_set.h"

namespace vx {

namespace {

template <typename Value>
void extractChannel(const KeyChannel<Value>& from, KeyChannel<Value>& to, int32_t first, int32_t last) {
  for (const auto& key : from.keys())
    if (key.frame >= first && key.frame <= last)
      to.set(static_cast<int32_t>(static_cast<int64_t>(key.frame) - first), key.value);
}

}  // namespace

KeySet KeySet::extract(int32_t first, int32_t last) const {
  KeySet result;
  extractChannel(position, result.position, first, last);
  extractChannel(scale, result.scale, first, last);
  extractChannel(rotation, result.rotation, first, last);
  return result;
}

KeySet& writable(std::shared_ptr<KeySet>& keys) {
  if (!keys)
    keys = std::make_shared<KeySet>();
  else if (keys.use_count() > 1)
    keys = std::make_shared<KeySet>(*keys);
  return *keys;
}

}  // namespace vx
