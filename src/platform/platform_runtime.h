#pragma once
// The root of the platform layer: one per run. It owns the window and its
// event loop and the program's run states (running, suspended, ended). Every
// command that waits, presents or reports goes through it.

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics_drivers.h"
#include "platform/library_calls.h"
#include "platform/timers.h"
#include "platform/vertical_blank.h"
#include "runtime/handles.h"

namespace vx {

class Debugger;
class GraphicsDevice;
class InputSystem;
class RepaintTimer;
class WindowPresenter;

// What the window shows.
enum class DisplayKind { None = 0, ScaledWindow = 1, Window = 2, FullScreen = 3 };

// Flags of openGraphics.
enum GraphicsFlags : int32_t { kGraphicsWindowed = 1, kGraphicsScaled = 2, kGraphicsThreeD = 4 };

class PlatformRuntime {
 public:
  // Null when one exists already. Opens SDL's video (the dummy driver when
  // no display can be opened) and creates the hidden window titled " ".
  static PlatformRuntime* create(const char* argumentText, Debugger* debugger);
  static PlatformRuntime* current() { return current_; }
  void destroy();

  // Processes every pending event; blocks while suspended. False once the
  // end message has been processed or a stop signal has arrived.
  bool idle();
  // Waits milliseconds while processing events; false once ended.
  bool delay(int32_t milliseconds);

  void debugStop();
  void debugError(const char* text);
  void debugInfo(const char* text);
  void debugLog(const char* text);
  void debugStatement(int32_t a, int32_t b);
  void debugEnter(int32_t a, int32_t b, int32_t c);
  void debugLeave();

  // May be called from any thread: each posts one event to the main thread.
  static void requestSuspend();
  static void requestResume();
  static void requestEnd();
  // Asks the main thread to copy the front canvas into the window.
  static void requestRepaint();

  void setTitle(const std::string& title, const std::string& closePrompt);

  // Graphics drivers (the displays) and their modes.
  int countGraphicsDrivers();
  const GraphicsDriver* graphicsDriver(int index) const;
  // The primary display can show a windowed 3D mode.
  bool windowed3D() const;

  // The graphics mode: null when one is open already or the mode cannot be
  // opened. A windowed mode opens on the primary display.
  GraphicsDevice* openGraphics(int width, int height, int depth, int driver, int32_t flags);
  void closeGraphics();
  GraphicsDevice* graphics() const { return graphics_.get(); }
  DisplayKind displayKind() const { return displayKind_; }
  // Shows the back buffer's picture, first waiting for a vertical blank when
  // vwait is set.
  void flip(bool vwait);
  // Copies the front canvas into the window.
  void present();
  // Frames copied into the window so far.
  uint32_t framesPresented() const;
  void waitForVerticalBlank() const { blank_.wait(); }
  int32_t scanLine() const { return blank_.scanLine(); }

  // The input devices; null until opened, at most one.
  InputSystem* openInput();
  void closeInput();
  InputSystem* input() const { return input_.get(); }
  // Moves the system pointer to a point of the canvas; nothing without a
  // graphics mode.
  void moveMouse(int32_t x, int32_t y);
  bool directInputEnabled() const { return directInputFullScreen_; }
  // The system pointer over the window; a full-screen mode always hides it.
  void setPointerVisible(bool visible);
  void enableDirectInput(bool enable);

  // Frame timers live until freed or until the platform runtime goes.
  // Null when hertz gives no period.
  Timer* createTimer(int32_t hertz);
  void freeTimer(int32_t handle);
  Timer* timer(int32_t handle) const { return timers_.find(handle); }
  // Calls an exported function of a dynamic library with (inData, inSize,
  // outData, outSize); 0 when either cannot be found. Libraries stay loaded
  // until the platform runtime goes.
  int32_t callDll(const std::string& library, const std::string& function, void* inData, int32_t inSize,
                  void* outData, int32_t outSize) {
    return libraries_.call(library, function, inData, inSize, outData, outSize);
  }
  const std::string& commandLine() const { return argumentText_; }
  SDL_Window* window() const { return window_; }
  bool running() const { return running_; }
  bool suspended() const { return suspended_; }

 private:
  PlatformRuntime();
  ~PlatformRuntime();
  void handle(const SDL_Event& event);
  void handleCloseRequest();
  void suspend();
  void resume();
  static void post(uint32_t offset);
  void handleWindowEvent(const SDL_WindowEvent& event);
  void handleMouseMotion(const SDL_MouseMotionEvent& event);
  bool openWindowed(int width, int height, int depth, int32_t flags);
  bool openFullScreen(int width, int height, int depth, const GraphicsDriver& driver, int32_t flags);
  void restoreWindowAfterFullScreen();
  // The client area and where the canvas is shown in it, in window points.
  SDL_Rect canvasPlacement() const;

  static PlatformRuntime* current_;
  static uint32_t firstPrivateEvent_;

  SDL_Window* window_ = nullptr;
  Debugger* debugger_ = nullptr;
  std::string argumentText_;
  std::string title_;
  std::string closePrompt_;
  bool running_ = true;
  bool suspended_ = false;
  bool inTransition_ = false;
  HandleSet<Timer> timers_;
  LibraryCalls libraries_;
  std::unique_ptr<InputSystem> input_;
  bool directInputFullScreen_ = false;
  bool pointerVisible_ = true;

  std::vector<GraphicsDriver> drivers_;
  bool allDriversListed_ = false;
  std::unique_ptr<GraphicsDevice> graphics_;
  DisplayKind displayKind_ = DisplayKind::None;
  bool letterboxed_ = false;  // full-screen over a desktop of another size
  std::unique_ptr<WindowPresenter> presenter_;
  std::unique_ptr<RepaintTimer> repaintTimer_;
  uint32_t lastShownModCount_ = 0;
  VerticalBlank blank_{60, 300};
  SDL_Rect savedWindow_{};
};

// What every command that waits or lets the window breathe does: idle (or
// delay) on the current platform runtime, and end the program when it has
// been ended (its window closed, an end requested, a stop signal).
void idleOrEnd();
void delayOrEnd(int32_t milliseconds);

}  // namespace vx
