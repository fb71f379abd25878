#pragma once
// The window's OpenGL context. The window shows its pictures with it and a
// 3D scene draws with it (into a framebuffer of its own), so the one thread
// that draws has one context: nothing switches contexts per frame, and no
// second context, of another window system interface, competes with the
// window's for the thread. It is current from its creation to its end.
//
// Showing a picture leaves every state of the context as it was, but for
// what it draws into the window: whoever else draws with the context (the
// scene device, which caches what it set) finds it as it left it.

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace vx {

class Canvas;

class WindowGL {
 public:
  // The window's context, current; null when the window has no OpenGL of
  // version 3 or later with the compatibility profile.
  static std::unique_ptr<WindowGL> create(SDL_Window* window);
  ~WindowGL();
  WindowGL(const WindowGL&) = delete;
  WindowGL& operator=(const WindowGL&) = delete;

  // The window's drawable area in pixels.
  void drawableSize(int& width, int& height) const;
  // Shows the canvas stretched over dest (in drawable pixels, from the top
  // left), the rest of the area black. Canvases of layouts OpenGL does not
  // take, or with ramps to apply, come as 32-bit rows in xrgb.
  void show(const Canvas& canvas, const SDL_Rect& dest, const uint32_t* xrgb);

 private:
  WindowGL() = default;
  void prepare(int width, int height);

  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  uint32_t framebuffer_ = 0, texture_ = 0;
  int textureWidth_ = 0, textureHeight_ = 0;
};

}  // namespace vx
