#pragma once
// The root of the platform layer: one per run. It owns the window and its
// event loop and the program's run states (running, suspended, ended). Every
// command that waits, presents or reports goes through it.

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/library_calls.h"
#include "platform/timers.h"
#include "runtime/handles.h"

namespace vx {

class Debugger;
class InputSystem;

class PlatformRuntime {
 public:
  // Null when one exists already. Opens SDL's video (the dummy driver when
  // no display can be opened) and creates the hidden window titled " ".
  static PlatformRuntime* create(const char* argumentText, Debugger* debugger);
  static PlatformRuntime* current() { return current_; }
  void destroy();

  // Processes every pending event; blocks while suspended. False once the
  // end message has been processed.
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

  void setTitle(const std::string& title, const std::string& closePrompt);

  // The input devices; null until opened, at most one.
  InputSystem* openInput();
  void closeInput();
  InputSystem* input() const { return input_.get(); }
  // Moves the system pointer to a point of the canvas; nothing without a
  // graphics mode.
  void moveMouse(int32_t x, int32_t y);
  bool directInputEnabled() const { return directInputFullScreen_; }
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
};

}  // namespace vx
