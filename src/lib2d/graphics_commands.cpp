// The graphics and buffer commands: drivers and modes, opening modes,
// gamma, flipping, buffers and their pixels, and drawing on the current
// buffer.

#include <unistd.h>

#include <cmath>

#include "language/runtime_string.h"
#include "language/string_args.h"
#include "lib2d/canvas_transform.h"
#include "lib2d/graphics_module.h"
#include "platform/file_system.h"
#include "platform/graphics_device.h"
#include "platform/image_files.h"
#include "platform/platform_runtime.h"
#include "runtime/errors.h"
#include "runtime/registry.h"

namespace vx {

namespace {

PlatformRuntime& platform() { return *PlatformRuntime::current(); }
GraphicsDevice& device() { return *graphics().device; }
Canvas& current() { return *graphics().current; }

// Drivers and modes

const GraphicsDriver* driverOf(int32_t driver) {
  const GraphicsDriver* d = platform().graphicsDriver(driver - 1);
  if (!d && debugging()) raiseError("Illegal graphics driver index");
  return d;
}

const DisplayMode* modeOf(int32_t mode) {
  const auto& modes = graphics().modes;
  if (mode >= 1 && mode <= static_cast<int32_t>(modes.size())) return &modes[mode - 1];
  if (debugging()) raiseError("Illegal graphics mode index");
  return nullptr;
}

int32_t countGfxDrivers() { return platform().countGraphicsDrivers(); }

RuntimeString* gfxDriverName(int32_t driver) {
  const GraphicsDriver* d = driverOf(driver);
  return newString(d ? d->name : std::string());
}

void setGfxDriver(int32_t driver) {
  if (!driverOf(driver)) return;
  graphics().selectedDriver = driver - 1;
  graphics().modes.clear();
}

int32_t gfxDriver3D(int32_t driver) {
  const GraphicsDriver* d = driverOf(driver);
  return d && d->is3D;
}

int32_t listModes(bool only3D) {
  auto& modes = graphics().modes;
  modes.clear();
  if (const GraphicsDriver* d = platform().graphicsDriver(graphics().selectedDriver))
    for (const DisplayMode& m : d->modes)
      if (!only3D || m.is3D) modes.push_back(m);
  return static_cast<int32_t>(modes.size());
}

int32_t countGfxModes() { return listModes(false); }
int32_t countGfxModes3D() { return listModes(true); }

int32_t gfxModeWidth(int32_t mode) {
  const DisplayMode* m = modeOf(mode);
  return m ? m->width : 0;
}
int32_t gfxModeHeight(int32_t mode) {
  const DisplayMode* m = modeOf(mode);
  return m ? m->height : 0;
}
int32_t gfxModeDepth(int32_t mode) {
  const DisplayMode* m = modeOf(mode);
  return m ? m->depth : 0;
}
int32_t gfxMode3D(int32_t mode) {
  const DisplayMode* m = modeOf(mode);
  return m && m->is3D;
}

int32_t modeExists(int32_t width, int32_t height, int32_t depth, bool only3D) {
  const GraphicsDriver* d = platform().graphicsDriver(graphics().selectedDriver);
  if (!d) return 0;
  for (const DisplayMode& m : d->modes)
    if (m.width == width && m.height == height && m.depth == depth && (!only3D || m.is3D)) return 1;
  return 0;
}
int32_t gfxModeExists(int32_t width, int32_t height, int32_t depth) { return modeExists(width, height, depth, false); }
int32_t gfxMode3DExists(int32_t width, int32_t height, int32_t depth) {
  return modeExists(width, height, depth, true);
}

int32_t windowed3D() { return platform().windowed3D(); }

// Canvases live in system memory: video memory is the machine's memory.
int32_t memoryFigure(long pages) {
  const long long bytes = static_cast<long long>(pages) * sysconf(_SC_PAGESIZE);
  return bytes > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(bytes > 0 ? bytes : 0);
}
int32_t totalVidMem() { return memoryFigure(sysconf(_SC_PHYS_PAGES)); }
int32_t availVidMem() { return memoryFigure(sysconf(_SC_AVPHYS_PAGES)); }

// Modes

void graphicsMode(int32_t width, int32_t height, int32_t depth, int32_t mode) {
  int32_t flags;
  switch (mode) {
    case 0:
      flags = debugging() ? kGraphicsWindowed : 0;
      break;
    case 1:
      flags = 0;
      break;
    case 2:
      flags = kGraphicsWindowed;
      break;
    case 3:
      flags = kGraphicsWindowed | kGraphicsScaled;
      break;
    default:
      raiseError("Illegal Graphics mode");
  }
  openMode(width, height, depth, flags, false);
}

void graphics3DMode(int32_t width, int32_t height, int32_t depth, int32_t mode) {
  int32_t flags;
  switch (mode) {
    case 0:
      flags = debugging() && platform().windowed3D() ? kGraphicsWindowed | kGraphicsThreeD : kGraphicsThreeD;
      break;
    case 1:
      flags = kGraphicsThreeD;
      break;
    case 2:
      flags = kGraphicsWindowed | kGraphicsThreeD;
      break;
    case 3:
      flags = kGraphicsWindowed | kGraphicsScaled | kGraphicsThreeD;
      break;
    default:
      raiseError("Illegal Graphics3D mode");
  }
  openMode(width, height, depth, flags, true);
}

// Gamma

float gammaLevel(float value) {
  if (!(value >= 0)) return 0;  // also not a number
  return value > 255 ? 255 : value;
}

void setGamma(int32_t red, int32_t green, int32_t blue, float destRed, float destGreen, float destBlue) {
  device().setGamma(red, green, blue, gammaLevel(destRed), gammaLevel(destGreen), gammaLevel(destBlue));
}
void updateGamma(int32_t calibrate) { device().updateGamma(calibrate != 0); }
float gammaRed(int32_t red) { return device().gamma(0, red); }
float gammaGreen(int32_t green) { return device().gamma(1, green); }
float gammaBlue(int32_t blue) { return device().gamma(2, blue); }

// Buffers and presentation

int32_t handleOf(const Canvas& canvas) { return HandleSet<Canvas>::handleOf(&canvas); }

int32_t frontBuffer() { return handleOf(device().frontCanvas()); }
int32_t backBuffer() { return handleOf(device().backCanvas()); }
int32_t scanLine() { return platform().scanLine(); }

void vwait(int32_t) {
  platform().waitForVerticalBlank();
  idleOrEnd();
}

void flip(int32_t vwait) {
  platform().flip(vwait != 0);
  idleOrEnd();
}

int32_t graphicsWidth() { return device().width(); }
int32_t graphicsHeight() { return device().height(); }
int32_t graphicsDepth() { return device().frontCanvas().format().depth(); }

void setBufferCommand(int32_t buffer) {
  if (Canvas* c = bufferOf(buffer)) setBuffer(*c);
}
int32_t graphicsBuffer() { return graphics().current ? handleOf(current()) : 0; }

int32_t loadBuffer(int32_t buffer, StrArg file) {
  Canvas* target = bufferOf(buffer);
  if (!target) return 0;
  GraphicsDevice& d = device();
  Canvas* loaded = d.loadCanvas(nativePath(file.view()), 0);
  if (!loaded) return 0;
  Canvas* fitted = transformCanvas(d, *loaded, float(target->width()) / loaded->width(), 0, 0,
                                   float(target->height()) / loaded->height(), graphics().transformFilter);
  d.freeCanvas(loaded);
  if (!fitted) return 0;
  const CanvasPoint origin = target->origin();
  target->setOrigin(0, 0);
  target->blit(0, 0, *fitted, 0, 0, fitted->width(), fitted->height(), true);
  target->setOrigin(origin.x, origin.y);
  d.freeCanvas(fitted);
  return 1;
}

int32_t saveBuffer(int32_t buffer, StrArg file) {
  Canvas* c = bufferOf(buffer);
  return c && saveBmp(*c, nativePath(file.view()));
}

void lockBuffer(int32_t buffer) {
  if (Canvas* c = bufferOrCurrent(buffer)) c->lock();
}
void unlockBuffer(int32_t buffer) {
  if (Canvas* c = bufferOrCurrent(buffer)) c->unlock();
}

// Pixels

int32_t readPixel(int32_t x, int32_t y, int32_t buffer) {
  Canvas* c = bufferOrCurrent(buffer);
  return c ? static_cast<int32_t>(c->getPixel(x, y)) : 0;
}
void writePixel(int32_t x, int32_t y, int32_t argb, int32_t buffer) {
  if (Canvas* c = bufferOrCurrent(buffer)) c->setPixel(x, y, static_cast<uint32_t>(argb));
}

// The fast paths report nothing; a handle that is not a buffer is ignored.
Canvas* uncheckedBuffer(int32_t buffer) { return buffer ? device().findCanvas(buffer) : graphics().current; }

int32_t readPixelFast(int32_t x, int32_t y, int32_t buffer) {
  Canvas* c = uncheckedBuffer(buffer);
  return c ? static_cast<int32_t>(c->getPixelFast(x, y)) : 0;
}
void writePixelFast(int32_t x, int32_t y, int32_t argb, int32_t buffer) {
  if (Canvas* c = uncheckedBuffer(buffer)) c->setPixelFast(x, y, static_cast<uint32_t>(argb));
}

void copyPixel(int32_t sx, int32_t sy, int32_t source, int32_t x, int32_t y, int32_t dest) {
  Canvas* from = uncheckedBuffer(source);
  Canvas* to = uncheckedBuffer(dest);
  if (from && to) to->copyPixel(x, y, *from, sx, sy);
}
void copyPixelFast(int32_t sx, int32_t sy, int32_t source, int32_t x, int32_t y, int32_t dest) {
  Canvas* from = uncheckedBuffer(source);
  Canvas* to = uncheckedBuffer(dest);
  if (from && to) to->copyPixelFast(x, y, *from, sx, sy);
}

// Drawing state and drawing on the current buffer

void origin(int32_t x, int32_t y) { current().setOrigin(x, y); }
void viewport(int32_t x, int32_t y, int32_t width, int32_t height) { current().setViewport(x, y, width, height); }

uint32_t composeColor(int32_t red, int32_t green, int32_t blue) {
  return (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) | static_cast<uint32_t>(blue);
}

void color(int32_t red, int32_t green, int32_t blue) {
  graphics().drawColor = composeColor(red, green, blue);
  current().setColor(graphics().drawColor);
}
void getColor(int32_t x, int32_t y) {
  graphics().drawColor = current().getPixel(x, y);
  current().setColor(graphics().drawColor);
}
int32_t colorRed() { return (current().color() >> 16) & 255; }
int32_t colorGreen() { return (current().color() >> 8) & 255; }
int32_t colorBlue() { return current().color() & 255; }

void clsColor(int32_t red, int32_t green, int32_t blue) {
  graphics().clearColor = composeColor(red, green, blue);
  current().setClsColor(graphics().clearColor);
}

void cls() { current().cls(); }
void plot(int32_t x, int32_t y) { current().plot(x, y); }
void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { current().line(x1, y1, x2, y2); }
void rect(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid) {
  current().rect(x, y, width, height, solid != 0);
}
void oval(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid) {
  current().oval(x, y, width, height, solid != 0);
}

void copyRect(int32_t sx, int32_t sy, int32_t width, int32_t height, int32_t x, int32_t y, int32_t source,
              int32_t dest) {
  Canvas* from = bufferOrCurrent(source);
  Canvas* to = bufferOrCurrent(dest);
  if (from && to) to->blit(x, y, *from, sx, sy, width, height, true);
}

}  // namespace

void linkGraphicsCommands(Registry& r) {
  r.command<"%CountGfxDrivers", countGfxDrivers>();
  r.command<"$GfxDriverName%driver", gfxDriverName>();
  r.command<"SetGfxDriver%driver", setGfxDriver>();
  r.command<"%CountGfxModes", countGfxModes>();
  r.command<"%GfxModeWidth%mode", gfxModeWidth>();
  r.command<"%GfxModeHeight%mode", gfxModeHeight>();
  r.command<"%GfxModeDepth%mode", gfxModeDepth>();
  r.command<"%GfxModeExists%width%height%depth", gfxModeExists>();
  r.command<"%GfxDriver3D%driver", gfxDriver3D>();
  r.command<"%CountGfxModes3D", countGfxModes3D>();
  r.command<"%GfxMode3DExists%width%height%depth", gfxMode3DExists>();
  r.command<"%GfxMode3D%mode", gfxMode3D>();
  r.command<"%Windowed3D", windowed3D>();
  r.command<"%TotalVidMem", totalVidMem>();
  r.command<"%AvailVidMem", availVidMem>();
  r.command<"Graphics%width%height%depth=0%mode=0", graphicsMode>();
  r.command<"Graphics3D%width%height%depth=0%mode=0", graphics3DMode>();
  r.command<"EndGraphics", endGraphics>();
  r.command<"SetGamma%src_red%src_green%src_blue#dest_red#dest_green#dest_blue", setGamma>();
  r.command<"UpdateGamma%calibrate=0", updateGamma>();
  r.command<"#GammaRed%red", gammaRed>();
  r.command<"#GammaGreen%green", gammaGreen>();
  r.command<"#GammaBlue%blue", gammaBlue>();
  r.command<"%FrontBuffer", frontBuffer>();
  r.command<"%BackBuffer", backBuffer>();
  r.command<"%ScanLine", scanLine>();
  r.command<"VWait%frames=1", vwait>();
  r.command<"Flip%vwait=1", flip>();
  r.command<"%GraphicsWidth", graphicsWidth>();
  r.command<"%GraphicsHeight", graphicsHeight>();
  r.command<"%GraphicsDepth", graphicsDepth>();
  r.command<"SetBuffer%buffer", setBufferCommand>();
  r.command<"%GraphicsBuffer", graphicsBuffer>();
  r.command<"%LoadBuffer%buffer$bmpfile", loadBuffer>();
  r.command<"%SaveBuffer%buffer$bmpfile", saveBuffer>();
  r.command<"LockBuffer%buffer=0", lockBuffer>();
  r.command<"UnlockBuffer%buffer=0", unlockBuffer>();
  r.command<"%ReadPixel%x%y%buffer=0", readPixel>();
  r.command<"WritePixel%x%y%argb%buffer=0", writePixel>();
  r.command<"%ReadPixelFast%x%y%buffer=0", readPixelFast>();
  r.command<"WritePixelFast%x%y%argb%buffer=0", writePixelFast>();
  r.command<"CopyPixel%src_x%src_y%src_buffer%dest_x%dest_y%dest_buffer=0", copyPixel>();
  r.command<"CopyPixelFast%src_x%src_y%src_buffer%dest_x%dest_y%dest_buffer=0", copyPixelFast>();
  r.command<"Origin%x%y", origin>();
  r.command<"Viewport%x%y%width%height", viewport>();
  r.command<"Color%red%green%blue", color>();
  r.command<"GetColor%x%y", getColor>();
  r.command<"%ColorRed", colorRed>();
  r.command<"%ColorGreen", colorGreen>();
  r.command<"%ColorBlue", colorBlue>();
  r.command<"ClsColor%red%green%blue", clsColor>();
  r.command<"Cls", cls>();
  r.command<"Plot%x%y", plot>();
  r.command<"Line%x1%y1%x2%y2", line>();
  r.command<"Rect%x%y%width%height%solid=1", rect>();
  r.command<"Oval%x%y%width%height%solid=1", oval>();
  r.command<"CopyRect%source_x%source_y%width%height%dest_x%dest_y%src_buffer=0%dest_buffer=0", copyRect>();
}

}  // namespace vx
