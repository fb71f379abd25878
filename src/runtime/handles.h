#pragma once
// The live objects a module has handed out, and the checking of the handles
// programs pass back. A handle is the object's address as a 32-bit integer;
// 0 means none.
//
// A command resolves a handle with get(): an unknown handle is reported with
// the command's message while the debugging flag is set; without it the
// command gets null and does nothing (or returns 0). No command ever
// dereferences a handle that is not live.

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "runtime/errors.h"

namespace vx {

bool debugging();

template <typename T>
class HandleSet {
 public:
  int32_t add(T* object) {
    live_.insert(object);
    return handleOf(object);
  }
  void remove(T* object) {
    if (object == recent_) recent_ = nullptr;
    live_.erase(object);
  }
  bool contains(int32_t handle) const { return live_.count(objectOf(handle)) != 0; }
  size_t size() const { return live_.size(); }

  // The live object of a handle, or null.
  // The handle found last is remembered: commands called in a loop with the
  // same handle skip the lookup.
  T* find(int32_t handle) const {
    T* object = objectOf(handle);
    if (object && object == recent_) return object;
    if (!live_.count(object)) return nullptr;
    recent_ = object;
    return object;
  }

  // The live object of a handle; an unknown one raises message when
  // debugging and gives null otherwise.
  T* get(int32_t handle, const char* message) const {
    T* object = find(handle);
    if (!object && debugging()) raiseError(message);
    return object;
  }

  // Removes every object from the set and hands each to release.
  template <typename Release>
  void clear(Release release) {
    std::vector<T*> objects(live_.begin(), live_.end());
    live_.clear();
    recent_ = nullptr;
    for (T* object : objects) release(object);
  }

  static int32_t handleOf(const T* object) { return static_cast<int32_t>(reinterpret_cast<uintptr_t>(object)); }

 private:
  static T* objectOf(int32_t handle) { return reinterpret_cast<T*>(static_cast<uintptr_t>(static_cast<uint32_t>(handle))); }
  std::unordered_set<T*> live_;
  mutable T* recent_ = nullptr;
};

}  // namespace vx
