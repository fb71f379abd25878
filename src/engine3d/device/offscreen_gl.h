#pragma once
// An OpenGL context (compatibility profile) that draws into no window: the
// scene renders into framebuffer objects of its own. Mesa's surfaceless
// platform is tried first, then the default display with a small pbuffer,
// so that the same code runs on llvmpipe without a display and on a
// system's GPU driver.

#include <memory>

namespace vx {

class OffscreenGL {
 public:
  // A new context made current; null when no usable context can be made.
  static std::unique_ptr<OffscreenGL> create();
  // Whether a context can be made here; tried once per process.
  static bool available();
  ~OffscreenGL();
  OffscreenGL(const OffscreenGL&) = delete;
  OffscreenGL& operator=(const OffscreenGL&) = delete;

 private:
  OffscreenGL() = default;
  void* display_ = nullptr;
  void* context_ = nullptr;
  void* surface_ = nullptr;
};

}  // namespace vx
