#include "platform/platform_runtime.h"

#include <algorithm>
#include <atomic>

#include "platform/clock.h"
#include "platform/graphics_device.h"
#include "platform/input_system.h"
#include "platform/message_box.h"
#include "platform/repaint_timer.h"
#include "platform/window_presenter.h"
#include "runtime/debugger.h"
#include "runtime/errors.h"
#include "runtime/stop_signals.h"

namespace vx {

PlatformRuntime* PlatformRuntime::current_ = nullptr;
uint32_t PlatformRuntime::firstPrivateEvent_ = 0;

namespace {

enum PrivateEvent : uint32_t { MsgSuspend = 0, MsgResume = 1, MsgEnd = 2, MsgRepaint = 3, kPrivateEvents = 4 };

// Requests may come from another thread; they are taken only while a
// platform runtime exists.
std::atomic<bool> acceptingRequests{false};

// A suspended program wakes this often to see whether it was stopped.
constexpr int kSuspendedWakeMs = 50;

bool openVideo() {
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // Signals stop the run; they are not the window's close button.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (haveDisplay() && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
  return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

}  // namespace

PlatformRuntime::PlatformRuntime() = default;
PlatformRuntime::~PlatformRuntime() = default;

PlatformRuntime* PlatformRuntime::create(const char* argumentText, Debugger* debugger) {
  if (current_) return nullptr;
  if (!openVideo()) return nullptr;
  if (firstPrivateEvent_ == 0) {
    firstPrivateEvent_ = SDL_RegisterEvents(kPrivateEvents);
    if (firstPrivateEvent_ == static_cast<uint32_t>(-1)) {
      firstPrivateEvent_ = 0;
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return nullptr;
    }
  }
  // With OpenGL where the video driver has it: the window presents with it
  // and a 3D scene draws with it.
  SDL_Window* window = SDL_CreateWindow(" ", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
  if (!window) window = SDL_CreateWindow(" ", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
  if (!window) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  auto* platform = new PlatformRuntime();
  platform->window_ = window;
  platform->presenter_ = std::make_unique<WindowPresenter>(window);
  platform->debugger_ = debugger;
  platform->argumentText_ = argumentText ? argumentText : "";
  platform->drivers_ = listGraphicsDrivers(platform->presenter_->sceneContext());
  current_ = platform;
  acceptingRequests = true;
  return platform;
}

void PlatformRuntime::destroy() {
  if (current_ != this) return;
  acceptingRequests = false;
  timers_.clear([](Timer* t) { delete t; });
  closeGraphics();
  closeInput();
  presenter_.reset();
  SDL_DestroyWindow(window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  // Requests posted too late must not reach a later run.
  SDL_FlushEvents(firstPrivateEvent_, firstPrivateEvent_ + kPrivateEvents - 1);
  current_ = nullptr;
  delete this;
}

void PlatformRuntime::post(uint32_t offset) {
  if (!acceptingRequests || firstPrivateEvent_ == 0) return;
  SDL_Event event{};
  event.type = firstPrivateEvent_ + offset;
  SDL_PushEvent(&event);
}

void PlatformRuntime::requestSuspend() { post(MsgSuspend); }
void PlatformRuntime::requestResume() { post(MsgResume); }
void PlatformRuntime::requestEnd() { post(MsgEnd); }
void PlatformRuntime::requestRepaint() { post(MsgRepaint); }

bool PlatformRuntime::idle() {
  if (input_) input_->playBack();
  SDL_Event event;
  for (;;) {
    if (stopRequested()) return false;
    if (suspended_ && running_) {
      // Recorded input goes on arriving, as a person's would.
      if (input_) input_->playBack();
      if (!SDL_WaitEventTimeout(&event, kSuspendedWakeMs)) continue;
    } else if (!SDL_PollEvent(&event)) {
      // One poll pass stops at the events present when it began; take
      // those posted while handling them too (the end after a close).
      if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) continue;
      return running_;
    }
    handle(event);
  }
}

bool PlatformRuntime::delay(int32_t milliseconds) {
  const uint32_t start = monotonicMillis();
  for (;;) {
    if (!idle()) return false;
    int32_t remaining = milliseconds - static_cast<int32_t>(monotonicMillis() - start);
    if (remaining < 1) return true;
    // Wakes early for any event, so the window stays responsive.
    SDL_WaitEventTimeout(nullptr, std::min(remaining, 100));
  }
}

void idleOrEnd() {
  if (!PlatformRuntime::current()->idle()) endProgram();
}

void delayOrEnd(int32_t milliseconds) {
  if (!PlatformRuntime::current()->delay(milliseconds)) endProgram();
}

void PlatformRuntime::handle(const SDL_Event& event) {
  if (event.type >= firstPrivateEvent_ && event.type < firstPrivateEvent_ + kPrivateEvents) {
    switch (event.type - firstPrivateEvent_) {
      case MsgSuspend:
        suspend();
        break;
      case MsgResume:
        resume();
        break;
      case MsgEnd:
        debugger_ = nullptr;
        running_ = false;
        break;
      case MsgRepaint:
        if (graphics_ && displayKind_ != DisplayKind::FullScreen) present();
        break;
    }
    return;
  }
  if (inTransition_) return;
  switch (event.type) {
    case SDL_QUIT:
      handleCloseRequest();
      break;
    case SDL_WINDOWEVENT:
      handleWindowEvent(event.window);
      break;
    case SDL_MOUSEMOTION:
      if (input_ && !suspended_) handleMouseMotion(event.motion);
      break;
    default:
      if (input_ && !suspended_) input_->handleEvent(event);
      break;
  }
}

void PlatformRuntime::handleCloseRequest() {
  if (!closePrompt_.empty() &&
      showMessageBox(title_.c_str(), closePrompt_.c_str(), MessageBoxButtons::OkCancel) != MessageBoxAnswer::Ok)
    return;
  post(MsgEnd);
}

void PlatformRuntime::suspend() {
  if (suspended_) return;
  inTransition_ = true;
  if (input_) input_->resetAll();
  suspended_ = true;
  inTransition_ = false;
  // A suspended full-screen program gives the desktop back.
  if (displayKind_ == DisplayKind::FullScreen) {
    SDL_ShowCursor(SDL_ENABLE);
    SDL_MinimizeWindow(window_);
  }
  if (debugger_) debugger_->onStop();
}

void PlatformRuntime::resume() {
  if (!suspended_) return;
  inTransition_ = true;
  if (input_) input_->resetAll();
  suspended_ = false;
  inTransition_ = false;
  if (displayKind_ == DisplayKind::FullScreen) {
    SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
    SDL_ShowCursor(SDL_DISABLE);
  }
  if (debugger_) debugger_->onRun();
}

void PlatformRuntime::debugStop() { suspend(); }

void PlatformRuntime::debugError(const char* text) {
  if (!debugger_) return;
  post(MsgEnd);
  suspend();
  if (debugger_) debugger_->onMessage(text, 1);
}

void PlatformRuntime::debugInfo(const char* text) {
  if (!debugger_) return;
  post(MsgEnd);
  suspend();
  if (debugger_) debugger_->onMessage(text, 0);
}

void PlatformRuntime::debugLog(const char* text) {
  if (debugger_) debugger_->onLog(text);
}

void PlatformRuntime::debugStatement(int32_t a, int32_t b) {
  if (debugger_) debugger_->onStatement(a, b);
}

void PlatformRuntime::debugEnter(int32_t a, int32_t b, int32_t c) {
  if (debugger_) debugger_->onEnter(a, b, c);
}

void PlatformRuntime::debugLeave() {
  if (debugger_) debugger_->onLeave();
}

void PlatformRuntime::setTitle(const std::string& title, const std::string& closePrompt) {
  title_ = title;
  closePrompt_ = closePrompt;
  SDL_SetWindowTitle(window_, title_.c_str());
}

Timer* PlatformRuntime::createTimer(int32_t hertz) {
  if (hertz <= 0) return nullptr;
  // Above 1000 hertz the period would be 0 ms; the fastest timer ticks every 1 ms.
  int32_t period = 1000 / hertz > 0 ? 1000 / hertz : 1;
  auto* t = new Timer(period);
  timers_.add(t);
  return t;
}

void PlatformRuntime::freeTimer(int32_t handle) {
  if (Timer* t = timers_.find(handle)) {
    timers_.remove(t);
    delete t;
  }
}

InputSystem* PlatformRuntime::openInput() {
  if (input_) return nullptr;
  input_ = std::make_unique<InputSystem>(*this);
  return input_.get();
}

void PlatformRuntime::closeInput() {
  if (!input_) return;
  input_->resetAll();
  input_.reset();
}

void PlatformRuntime::enableDirectInput(bool enable) {
  directInputFullScreen_ = enable;
  if (input_) input_->resetAll();
}

}  // namespace vx
