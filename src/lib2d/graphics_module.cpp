#include "lib2d/graphics_module.h"

#include "lib2d/images.h"
#include "engine3d/world.h"
#include "platform/graphics_device.h"
#include "platform/platform_runtime.h"
#include "runtime/errors.h"

namespace vx {

void linkGraphicsCommands(Registry& r);
void linkTextCommands(Registry& r);
void linkMovieCommands(Registry& r);

namespace {

GraphicsState state;

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
  endWorld3D();
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

bool openDefaultWindow() {
  state.device = platform().openGraphics(400, 300, 0, 0, kGraphicsWindowed);
  return state.device != nullptr;
}

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
  state.device = platform().openGraphics(width, height, depth, state.selectedDriver, flags);
  idleOrEnd();
  if (!state.device) raiseError("Unable to set graphics mode");
  state.userGraphics = true;
  resetDrawing();
  setBuffer(backCurrent ? state.device->backCanvas() : state.device->frontCanvas());
  if (!(flags & kGraphicsThreeD)) return;
  SceneDevice* scene = state.device->createScene();
  if (!scene) raiseError("Unable to create 3D Scene");
  startWorld3D(scene);
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
