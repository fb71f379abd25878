#include "platform/graphics_drivers.h"

#include <SDL.h>

#include <algorithm>


namespace vx {

namespace {

constexpr int kDepths[] = {16, 24, 32};

GraphicsDriver driverOf(int display, SceneContext sceneContext) {
  GraphicsDriver driver;
  driver.display = display;
  const char* name = SDL_GetDisplayName(display);
  driver.name = name && *name ? name : "Display " + std::to_string(display + 1);
  // The scene renders into a framebuffer of its own, so every display and
  // depth can show it once OpenGL works at all.
  driver.is3D = sceneDeviceAvailable(sceneContext);
  const int count = SDL_GetNumDisplayModes(display);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(display, i, &mode) != 0) continue;
    // SDL lists a resolution once per refresh rate and format.
    for (int depth : kDepths) {
      const DisplayMode m{mode.w, mode.h, depth, driver.is3D};
      if (std::find(driver.modes.begin(), driver.modes.end(), m) == driver.modes.end()) driver.modes.push_back(m);
    }
  }
  return driver;
}

}  // namespace

std::vector<GraphicsDriver> listGraphicsDrivers(SceneContext sceneContext) {
  std::vector<GraphicsDriver> drivers;
  const int displays = SDL_GetNumVideoDisplays();
  for (int display = 0; display < displays; ++display) drivers.push_back(driverOf(display, sceneContext));
  return drivers;
}

int desktopDepth() {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && SDL_BYTESPERPIXEL(mode.format) == 2) return 16;
  return 32;
}

int refreshRate(int display) {
  SDL_DisplayMode mode;
  if (SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) return mode.refresh_rate;
  return 60;
}

}  // namespace vx
