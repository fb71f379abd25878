#pragma once
// The 2D graphics module: the open mode's device, the current buffer, and
// the drawing state that survives buffer changes (colours, font, the
// transform filter), shared by every 2D command.

#include <cstdint>
#include <vector>

#include "platform/graphics_drivers.h"
#include "runtime/runtime_modules.h"

namespace vx {

class Canvas;
class Font;
class GraphicsDevice;
class SceneDevice;

extern const RuntimeModule graphicsModule;

struct GraphicsState {
  GraphicsDevice* device = nullptr;  // null only after a mode failed to open
  Canvas* current = nullptr;
  bool userGraphics = false;  // the program has set a mode
  uint32_t drawColor = 0xFFFFFFFF;
  uint32_t clearColor = 0;
  Font* font = nullptr;
  int selectedDriver = 0;
  std::vector<DisplayMode> modes;  // made by CountGfxModes and CountGfxModes3D
  bool transformFilter = true;
  bool autoMidHandle = false;  // new image frames get their centre as handle
  // The console: its cursor in front-buffer pixels, and the canvas Input
  // keeps the line's background in.
  int32_t cursorX = 0, cursorY = 0;
  Canvas* inputScratch = nullptr;
};

GraphicsState& graphics();

// The canvas of a buffer handle; an unknown one raises "Buffer does not
// exist" while debugging and gives null otherwise.
Canvas* bufferOf(int32_t handle);
// The same, with 0 meaning the current buffer.
Canvas* bufferOrCurrent(int32_t handle);
// Makes the canvas current, with the origin at (0, 0), the viewport the
// whole canvas, and the module's colours and font.
void setBuffer(Canvas& canvas);

// The 3D world lives above this module: the 3D module hands in its start
// and end when the run starts. A 3D mode starts the world once it has
// opened; every mode change, EndGraphics and the end of the run end it
// first.
struct World3DHooks {
  void (*start)(SceneDevice& scene, GraphicsDevice& graphics) = nullptr;
  void (*end)() = nullptr;
};
void setWorld3DHooks(const World3DHooks& hooks);

// Opens a mode (closing the open one) with openGraphics flags; raises
// "Unable to set graphics mode" when it cannot be opened. The front buffer
// becomes current, or the back buffer with backCurrent.
void openMode(int width, int height, int depth, int32_t flags, bool backCurrent);
// Back to the default 400 by 300 window.
void endGraphics();
// The font text is drawn in: the current one, or the mode's default font.
Font* currentFont();

}  // namespace vx
