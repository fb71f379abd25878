#pragma once
// Looks up what the runtime registered, to call it as compiled code does:
// through its stdcall thunk.

#include <string>

#include "runtime/registry.h"
#include "runtime/runtime_modules.h"

namespace vxtest {

inline const vx::Registration* registration(const std::string& text) {
  static vx::Registry registry = [] {
    vx::Registry r;
    vx::registerAll(vx::runtimeModules(), r);
    return r;
  }();
  const vx::Registration* found = nullptr;
  for (const vx::Registration& r : registry.entries())
    if (text == r.text) found = &r;
  return found;
}

template <typename Fn>
Fn registered(const std::string& text) {
  const vx::Registration* r = registration(text);
  return r ? reinterpret_cast<Fn>(r->address) : nullptr;
}

}  // namespace vxtest
