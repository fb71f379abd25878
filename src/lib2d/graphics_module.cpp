#include "lib2d/graphics_module.h"

#include "engine3d/world.h"
#include "platform/graphics_device.h"
#include "platform/platform_runtime.h"
#include "runtime/errors.h"

namespace vx {

void linkGraphicsCommands(Registry& r);

namespace {

GraphicsState state;

PlatformRuntime& platform() { return *PlatformRuntime::current(); }

// The state every mode starts with.
void resetDrawing() {
  state.drawColor = 0xFFFFFFFF;
  state.clearColor = 0;
  state.font = nullptr;
}

bool openDefaultWindow() {
  state.device = platform().openGraphics(400, 300, 0, 0, kGraphicsWindowed);
  return state.device != nullptr;
}

void idleOrEnd() {
  if (!platform().idle()) endProgram();
}

bool create() {
  state = GraphicsState{};
  if (!openDefaultWindow()) return false;
  resetDrawing();
  setBuffer(state.device->frontCanvas());
  return true;
}

void destroy() {
  endWorld3D();
  state.current = nullptr;
  state.device = nullptr;
  platform().closeGraphics();
}

}  // namespace

GraphicsState& graphics() { return state; }

Canvas* bufferOf(int32_t handle) {
  if (!state.device) return nullptr;
  return state.device->buffer(handle);
}

Canvas* bufferOrCurrent(int32_t handle) { return handle ? bufferOf(handle) : state.current; }

void setBuffer(Canvas& canvas) {
  state.current = &canvas;
  canvas.setOrigin(0, 0);
  canvas.setViewport(0, 0, canvas.width(), canvas.height());
  canvas.setColor(state.drawColor);
  canvas.setClsColor(state.clearColor);
  canvas.setFont(state.font);
}

void openMode(int width, int height, int depth, int32_t flags, bool backCurrent) {
  endWorld3D();
  state.current = nullptr;
  state.device = nullptr;
  platform().closeGraphics();
  state.device = platform().openGraphics(width, height, depth, state.selectedDriver, flags);
  idleOrEnd();
  if (!state.device) raiseError("Unable to set graphics mode");
  state.userGraphics = true;
  resetDrawing();
  setBuffer(backCurrent ? state.device->backCanvas() : state.device->frontCanvas());
  if (flags & kGraphicsThreeD) startWorld3D();
}

void endGraphics() {
  endWorld3D();
  if (!state.userGraphics) return;
  state.current = nullptr;
  state.device = nullptr;
  platform().closeGraphics();
  openDefaultWindow();
  idleOrEnd();
  if (!state.device) raiseError("Unable to set graphics mode");
  state.userGraphics = false;
  resetDrawing();
  setBuffer(state.device->frontCanvas());
}

const RuntimeModule graphicsModule{"graphics", create, destroy, linkGraphicsCommands};

}  // namespace vx
