#pragma once
// The audio module: loading and playing sounds, music and CD tracks, and
// the channel commands. Without a sound device the module still starts:
// loading gives 0 and the channel commands ignore 0.

#include "runtime/runtime_modules.h"

namespace vx {

class AudioDevice;

extern const RuntimeModule audioModule;

// The audio device of the run; null without one.
AudioDevice* audioDevice();

}  // namespace vx
