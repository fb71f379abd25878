#pragma once
// The displays a program can open graphics modes on, and their modes.
//
// A driver is one display SDL reports, in SDL's order (index 0 is the
// primary display). Canvases live in CPU memory and presentation converts
// them to whatever the display shows, so every resolution a display offers
// is offered at depths 16, 24 and 32.

#include <string>
#include <vector>

#include "engine3d/device/scene_device.h"

namespace vx {

struct DisplayMode {
  int width = 0;
  int height = 0;
  int depth = 0;
  bool is3D = false;
  bool operator==(const DisplayMode&) const = default;
};

struct GraphicsDriver {
  int display = 0;  // SDL display index
  std::string name;
  bool is3D = false;
  std::vector<DisplayMode> modes;
};

// The drivers of the displays SDL's video subsystem reports now, 3D-capable
// when a scene device can be made on sceneContext.
std::vector<GraphicsDriver> listGraphicsDrivers(SceneContext sceneContext);

// The depth of the desktop of the primary display: 16 or 32.
int desktopDepth();

// The refresh rate of a display in hertz (60 when it does not say).
int refreshRate(int display);

}  // namespace vx
