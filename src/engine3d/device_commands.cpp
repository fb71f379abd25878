// The world-wide device commands: the ambient colour, the render switches
// and the capability level, all on the scene device of the 3D mode.

#include "engine3d/world.h"
#include "runtime/registry.h"

namespace vx {

namespace {

// The device of the world; "3D Graphics mode not set" while debugging.
SceneDevice* deviceOrFail() {
  World* world = worldOrFail();
  return world ? world->device : nullptr;
}

void ambientLight(float red, float green, float blue) {
  if (SceneDevice* device = deviceOrFail()) device->setAmbient(Vector{red, green, blue} * kColorScale);
}

template <void (SceneDevice::*Set)(bool)>
void deviceSwitch(int32_t enable) {
  if (SceneDevice* device = deviceOrFail()) (device->*Set)(enable != 0);
}

int32_t gfxDriverCaps3D() {
  SceneDevice* device = deviceOrFail();
  return device ? device->capsLevel() : 0;
}

}  // namespace

void linkDeviceCommands(Registry& r) {
  r.command<"AmbientLight#red#green#blue", ambientLight>();
  r.command<"WireFrame%enable", deviceSwitch<&SceneDevice::setWireFrame>>();
  r.command<"AntiAlias%enable", deviceSwitch<&SceneDevice::setAntiAlias>>();
  r.command<"Dither%enable", deviceSwitch<&SceneDevice::setDither>>();
  r.command<"WBuffer%enable", deviceSwitch<&SceneDevice::setWBuffer>>();
  r.command<"HWMultiTex%enable", deviceSwitch<&SceneDevice::setMultiTexture>>();
  r.command<"%GfxDriverCaps3D", gfxDriverCaps3D>();
}

}  // namespace vx
