#pragma once
// The 3D module ("vexel3d"): every command of the 3D engine and of what
// moves and is loaded in its world, and the world's start and end. The
// graphics module starts the world once a 3D mode has opened and ends it
// before any mode change; what this layer keeps per world (collision rules,
// pick results, ...) is made and freed with it.

#include "runtime/runtime_modules.h"

namespace vx {

class GraphicsDevice;
class SceneDevice;

extern const RuntimeModule vexel3dModule;

// Starts the world of a 3D mode (ending any world there was). Tests of the
// scene graph start one without devices: nothing is drawn then.
void startWorld3D(SceneDevice* scene = nullptr, GraphicsDevice* graphics = nullptr);
// Frees the world with every entity, brush and texture; nothing happens
// without one.
void endWorld3D();

}  // namespace vx
