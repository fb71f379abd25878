#include "engine3d/device/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <string_view>

namespace vx {

namespace {

// The display is initialised once and kept for the life of the process:
// terminating and re-initialising it for every 3D mode gains nothing.
struct DisplayChoice {
  EGLDisplay display = EGL_NO_DISPLAY;
  bool needsSurface = false;  // no surfaceless contexts: a pbuffer is made current
};

DisplayChoice openDisplay() {
  DisplayChoice choice;
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (getPlatformDisplay) {
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) {
      choice.display = display;
      return choice;
    }
  }
  EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return choice;
  choice.display = display;
  const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
  choice.needsSurface =
      !extensions || std::string_view(extensions).find("EGL_KHR_surfaceless_context") == std::string_view::npos;
  return choice;
}

const DisplayChoice& display() {
  static const DisplayChoice choice = openDisplay();
  return choice;
}

}  // namespace

std::unique_ptr<OffscreenGL> OffscreenGL::create() {
  const DisplayChoice& choice = display();
  if (choice.display == EGL_NO_DISPLAY || !eglBindAPI(EGL_OPENGL_API)) return nullptr;
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configs = 0;
  if (!eglChooseConfig(choice.display, configAttributes, &config, 1, &configs) || configs < 1) {
    if (choice.needsSurface) return nullptr;
    config = nullptr;  // a configless context still renders into framebuffer objects
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext context = eglCreateContext(choice.display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) return nullptr;
  std::unique_ptr<OffscreenGL> gl(new OffscreenGL());
  gl->display_ = choice.display;
  gl->context_ = context;
  EGLSurface surface = EGL_NO_SURFACE;
  if (choice.needsSurface) {
    const EGLint surfaceAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    surface = eglCreatePbufferSurface(choice.display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) return nullptr;
    gl->surface_ = surface;
  }
  if (!eglMakeCurrent(choice.display, surface, surface, context)) return nullptr;
  return gl;
}

bool OffscreenGL::available() {
  // Asked first while a scene draws, the trial must leave its context
  // current.
  static const bool usable = [] {
    EGLDisplay display = eglGetCurrentDisplay();
    EGLContext context = eglGetCurrentContext();
    EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    const bool made = create() != nullptr;
    if (context != EGL_NO_CONTEXT) eglMakeCurrent(display, surface, surface, context);
    return made;
  }();
  return usable;
}

OffscreenGL::~OffscreenGL() {
  if (!display_) return;
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (surface_) eglDestroySurface(display_, surface_);
  eglDestroyContext(display_, context_);
}

}  // namespace vx
