// The graphics half of the platform runtime: drivers, opening and closing
// modes, the window's styles and placement for each, presentation, and the
// window events that concern what it shows.

#include <algorithm>

#include "platform/graphics_device.h"
#include "platform/input_system.h"
#include "platform/platform_runtime.h"
#include "platform/repaint_timer.h"
#include "platform/window_presenter.h"

namespace vx {

namespace {

// A full-screen mode of depth 0 gets 16 bits, the depth that scores best on
// the hardware the depth rule was made for; with 3D the deepest the scene
// renders.
int fullScreenDepth(int depth, int32_t flags) {
  if (depth) return depth;
  return (flags & kGraphicsThreeD) ? 32 : 16;
}

// The display mode of exactly that size, at the highest refresh rate.
bool findDisplayMode(int display, int width, int height, SDL_DisplayMode& found) {
  bool have = false;
  const int count = SDL_GetNumDisplayModes(display);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(display, i, &mode) != 0 || mode.w != width || mode.h != height) continue;
    if (!have || mode.refresh_rate > found.refresh_rate) found = mode;
    have = true;
  }
  return have;
}

int64_t scaled(int64_t value, int64_t to, int64_t from) { return from > 0 ? value * to / from : value; }

}  // namespace

int PlatformRuntime::countGraphicsDrivers() {
  // Displays plugged in since the start are offered from the first count on.
  if (!allDriversListed_) {
    drivers_ = listGraphicsDrivers(presenter_->sceneContext());
    allDriversListed_ = true;
  }
  return static_cast<int>(drivers_.size());
}

const GraphicsDriver* PlatformRuntime::graphicsDriver(int index) const {
  if (index < 0 || index >= static_cast<int>(drivers_.size())) return nullptr;
  return &drivers_[index];
}

bool PlatformRuntime::windowed3D() const { return !drivers_.empty() && drivers_[0].is3D; }

GraphicsDevice* PlatformRuntime::openGraphics(int width, int height, int depth, int driver, int32_t flags) {
  if (graphics_) return nullptr;
  inTransition_ = true;
  bool opened = false;
  if (flags & kGraphicsWindowed) {
    opened = !drivers_.empty() && openWindowed(width, height, depth, flags);
  } else if (const GraphicsDriver* d = graphicsDriver(driver)) {
    opened = openFullScreen(width, height, depth, *d, flags);
  }
  if (opened) {
    const int display = std::max(SDL_GetWindowDisplayIndex(window_), 0);
    blank_ = VerticalBlank(refreshRate(display), graphics_->height());
    lastShownModCount_ = 0;
    if (displayKind_ != DisplayKind::FullScreen)
      repaintTimer_ = std::make_unique<RepaintTimer>(graphics_->frontCanvas(), [] { requestRepaint(); });
    present();
  }
  inTransition_ = false;
  return graphics_.get();
}

bool PlatformRuntime::openWindowed(int width, int height, int depth, int32_t flags) {
  graphics_ = GraphicsDevice::create(width, height, depth ? depth : desktopDepth(), false, false,
                                     presenter_->sceneContext());
  if (!graphics_) return false;
  const bool scaledWindow = flags & kGraphicsScaled;
  displayKind_ = scaledWindow ? DisplayKind::ScaledWindow : DisplayKind::Window;
  int clientWidth = width, clientHeight = height;
  if (scaledWindow && (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN))
    SDL_GetWindowSize(window_, &clientWidth, &clientHeight);
  SDL_SetWindowBordered(window_, SDL_TRUE);
  SDL_SetWindowResizable(window_, scaledWindow ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowSize(window_, clientWidth, clientHeight);
  // Centred on the primary display, the title bar kept on the screen.
  SDL_Rect screen{0, 0, clientWidth, clientHeight};
  SDL_GetDisplayBounds(0, &screen);
  int top = 0, left = 0, bottom = 0, right = 0;
  SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right);
  const int x = screen.x + (screen.w - clientWidth) / 2;
  const int y = std::max(screen.y + top, screen.y + (screen.h - clientHeight) / 2);
  SDL_SetWindowPosition(window_, x, y);
  SDL_ShowWindow(window_);
  return true;
}

bool PlatformRuntime::openFullScreen(int width, int height, int depth, const GraphicsDriver& driver,
                                     int32_t flags) {
  SDL_GetWindowPosition(window_, &savedWindow_.x, &savedWindow_.y);
  SDL_GetWindowSize(window_, &savedWindow_.w, &savedWindow_.h);
  SDL_ShowCursor(SDL_DISABLE);
  graphics_ = GraphicsDevice::create(width, height, fullScreenDepth(depth, flags), true, true,
                                     presenter_->sceneContext());
  bool shown = false;
  if (graphics_) {
    SDL_SetWindowBordered(window_, SDL_FALSE);
    SDL_SetWindowResizable(window_, SDL_FALSE);
    SDL_Rect bounds{0, 0, width, height};
    SDL_GetDisplayBounds(driver.display, &bounds);
    SDL_SetWindowPosition(window_, bounds.x, bounds.y);
    SDL_ShowWindow(window_);
    // A real mode change when the display has the size; otherwise the
    // desktop stays as it is and the picture is scaled onto it.
    SDL_DisplayMode mode;
    if (findDisplayMode(driver.display, width, height, mode)) {
      SDL_SetWindowSize(window_, width, height);
      shown = SDL_SetWindowDisplayMode(window_, &mode) == 0 &&
              SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) == 0;
      letterboxed_ = false;
    }
    if (!shown) {
      // Covering the display first, as no window manager may be there to
      // do it for the full-screen request.
      SDL_SetWindowSize(window_, bounds.w, bounds.h);
      shown = SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
      letterboxed_ = true;
    }
  }
  if (!shown) {
    graphics_.reset();
    restoreWindowAfterFullScreen();
    return false;
  }
  displayKind_ = DisplayKind::FullScreen;
  SDL_WarpMouseInWindow(window_, 0, 0);
  if (input_) input_->resetAll();
  return true;
}

void PlatformRuntime::setPointerVisible(bool visible) {
  pointerVisible_ = visible;
  if (displayKind_ != DisplayKind::FullScreen) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void PlatformRuntime::restoreWindowAfterFullScreen() {
  SDL_SetWindowFullscreen(window_, 0);
  SDL_ShowCursor(pointerVisible_ ? SDL_ENABLE : SDL_DISABLE);
  SDL_SetWindowBordered(window_, SDL_TRUE);
  SDL_SetWindowSize(window_, std::max(savedWindow_.w, 1), std::max(savedWindow_.h, 1));
  SDL_SetWindowPosition(window_, savedWindow_.x, savedWindow_.y);
}

void PlatformRuntime::closeGraphics() {
  if (!graphics_) return;
  inTransition_ = true;
  if (input_) input_->resetAll();
  repaintTimer_.reset();
  const bool fullScreen = displayKind_ == DisplayKind::FullScreen;
  graphics_.reset();
  if (fullScreen) restoreWindowAfterFullScreen();
  displayKind_ = DisplayKind::None;
  letterboxed_ = false;
  inTransition_ = false;
}

void PlatformRuntime::flip(bool vwait) {
  if (!graphics_) return;
  if (vwait) blank_.wait();
  Canvas& front = graphics_->frontCanvas();
  if (displayKind_ == DisplayKind::FullScreen) {
    graphics_->flipSurfaces();
    present();
    return;
  }
  front.setModCount(graphics_->backCanvas().modCount());
  if (front.modCount() != lastShownModCount_) present();
}

void PlatformRuntime::present() {
  if (!graphics_ || !presenter_) return;
  Canvas& front = graphics_->frontCanvas();
  lastShownModCount_ = front.modCount();
  const bool gamma = graphics_->hasGammaControl() && !graphics_->shownRampsIdentity();
  presenter_->present(front, letterboxed_ ? PresentFit::Letterbox : PresentFit::Stretch,
                      gamma ? graphics_->shownRamps() : nullptr);
}

uint32_t PlatformRuntime::framesPresented() const { return presenter_ ? presenter_->framesShown() : 0; }

SDL_Rect PlatformRuntime::canvasPlacement() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  if (letterboxed_ && graphics_) return letterboxRect(graphics_->width(), graphics_->height(), w, h);
  return {0, 0, w, h};
}

void PlatformRuntime::handleWindowEvent(const SDL_WindowEvent& event) {
  const bool fullScreen = displayKind_ == DisplayKind::FullScreen;
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      handleCloseRequest();
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      present();
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // A full-screen program stops while another has the display; keys
      // held while the window loses focus would never be released.
      if (fullScreen)
        suspend();
      else if (input_)
        input_->resetAll();
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      if (fullScreen) resume();
      break;
    default:
      break;
  }
}

void PlatformRuntime::handleMouseMotion(const SDL_MouseMotionEvent& event) {
  if (!graphics_) return;
  const int width = graphics_->width(), height = graphics_->height();
  const SDL_Rect place = canvasPlacement();
  int64_t x = event.x, y = event.y;
  switch (displayKind_) {
    case DisplayKind::ScaledWindow:
      x = scaled(x, width, place.w);
      y = scaled(y, height, place.h);
      [[fallthrough]];
    case DisplayKind::Window:
      x = std::clamp<int64_t>(x, 0, width - 1);
      y = std::clamp<int64_t>(y, 0, height - 1);
      break;
    case DisplayKind::FullScreen:
      // Unclamped, as the pointer's position on the screen.
      x = scaled(x - place.x, width, place.w);
      y = scaled(y - place.y, height, place.h);
      break;
    case DisplayKind::None:
      return;
  }
  input_->setMousePosition(static_cast<int>(x), static_cast<int>(y));
}

void PlatformRuntime::moveMouse(int32_t x, int32_t y) {
  if (!graphics_) return;
  const SDL_Rect place = canvasPlacement();
  int64_t wx = x, wy = y;
  switch (displayKind_) {
    case DisplayKind::ScaledWindow:
      wx = scaled(x, place.w, graphics_->width());
      wy = scaled(y, place.h, graphics_->height());
      break;
    case DisplayKind::Window:
      break;
    case DisplayKind::FullScreen:
      if (directInputFullScreen_) return;
      wx = place.x + scaled(x, place.w, graphics_->width());
      wy = place.y + scaled(y, place.h, graphics_->height());
      break;
    case DisplayKind::None:
      return;
  }
  SDL_WarpMouseInWindow(window_, static_cast<int>(wx), static_cast<int>(wy));
}

}  // namespace vx
