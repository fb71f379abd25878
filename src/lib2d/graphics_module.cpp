#include "lib2d/graphics_module.h"

#include "lib2d/images.h"
#include "platform/graphics_device.h"
#include "platform/platform_runtime.h"
#include "runtime/errors.h"

namespace vx {

void linkGraphicsCommands(Registry& r);
void linkTextCommands(Registry& r);
void linkMovieCommands(Registry& r);

namespace {

GraphicsState state;
World3DHooks world3DHooks;

PlatformRuntime& platform() { return *PlatformRuntime::current(); }

// The state every mode starts with.
void resetDrawing() {
  state.drawColor = 0xFFFFFFFF;
  state.clearColor = 0;
  state.font = state.device ? state.device->defaultFont() : nullptr;
}

// What a mode change takes away before the mode closes: the 3D world,
// every image and movie, and the console's scratch canvas.
void releaseModeObjects() {
  if (world3DHooks.end) world3DHooks.end();
  freeAllImages();
  if (state.device) state.device->closeAllMovies();
  if (state.device) state.device->freeCanvas(state.inputScratch);
  state.inputScratch = nullptr;
}

void closeMode() {
  releaseModeObjects();
  state.current = nullptr;
  state.device = nullptr;
  platform().closeGraphics();
}

void link(Registry& r) {
  linkGraphicsCommands(r);
  linkImageCommands(r);
  linkTextCommands(r);
  linkMovieCommands(r);
}

// Drawing moves to the front buffer before the current buffer is freed
// (an image frame, a texture).
void leaveCanvas(Canvas& canvas) {
  if (&canvas == state.current) setBuffer(state.device->frontCanvas());
}

// The device of a mode that has just opened, or null.
GraphicsDevice* adoptDevice(GraphicsDevice* device) {
  state.device = device;
  if (device) device->onCanvasFree(leaveCanvas);
  return device;
}

bool openDefaultWindow() { return adoptDevice(platform().openGraphics(400, 300, 0, 0, kGraphicsWindowed)); }

bool create() {
  state = GraphicsState{};
  if (!openDefaultWindow()) return false;
  resetDrawing();
  setBuffer(state.device->frontCanvas());
  return true;
}

void destroy() { closeMode(); }

}  // namespace

GraphicsState& graphics() { return state; }

void setWorld3DHooks(const World3DHooks& hooks) { world3DHooks = hooks; }

Canvas* bufferOf(int32_t handle) {
  if (!state.device) return nullptr;
  return state.device->buffer(handle);
}

Canvas* bufferOrCurrent(int32_t handle) { return handle ? bufferOf(handle) : state.current; }

Font* currentFont() { return state.font; }

void setBuffer(Canvas& canvas) {
  state.current = &canvas;
  state.cursorX = state.cursorY = 0;
  canvas.setOrigin(0, 0);
  canvas.setViewport(0, 0, canvas.width(), canvas.height());
  canvas.setColor(state.drawColor);
  canvas.setClsColor(state.clearColor);
  canvas.setFont(state.font);
}

void openMode(int width, int height, int depth, int32_t flags, bool backCurrent) {
  closeMode();
  adoptDevice(platform().openGraphics(width, height, depth, state.selectedDriver, flags));
  idleOrEnd();
  if (!state.device) raiseError("Unable to set graphics mode");
  state.userGraphics = true;
  resetDrawing();
  setBuffer(backCurrent ? state.device->backCanvas() : state.device->frontCanvas());
  if (!(flags & kGraphicsThreeD)) return;
  SceneDevice* scene = state.device->createScene();
  if (!scene) raiseError("Unable to create 3D Scene");
  if (world3DHooks.start) world3DHooks.start(*scene, *state.device);
}

void endGraphics() {
  releaseModeObjects();
  if (!state.userGraphics) return;
  closeMode();
  openDefaultWindow();
  idleOrEnd();
  if (!state.device) raiseError("Unable to set graphics mode");
  state.userGraphics = false;
  resetDrawing();
  setBuffer(state.device->frontCanvas());
}

const RuntimeModule graphicsModule{"graphics", create, destroy, link};

}  // namespace vx
