#pragma once
// The runtime modules: each creates its state when a run starts, destroys it
// when the run ends (in reverse order), and registers what it offers.

#include <span>

#include "runtime/registry.h"

namespace vx {

struct RuntimeModule {
  const char* name;        // "basic" gives the start-up failure text "basic_create failed"
  bool (*create)();        // false: the program does not start
  void (*destroy)();
  void (*link)(Registry&);  // registers commands and internal symbols, in order
};

// All modules in creation (and registration) order.
std::span<const RuntimeModule> runtimeModules();

// Runs the link step of every module.
void registerAll(std::span<const RuntimeModule> modules, Registry& registry);

}  // namespace vx
