#pragma once
// Shows a canvas in the window. A window with OpenGL presents with its own
// context (WindowGL), which a 3D scene then shares; without one (SDL's
// dummy driver, a display without OpenGL) the canvas's pixels go into a
// streaming texture of SDL's software renderer (in the canvas's own layout
// when SDL has it, so the upload is a copy), which uses no OpenGL either.
// With the dummy driver nothing is shown anywhere: presenting only counts
// the frame, unless VX_PRESENT_HEADLESS=1 asks for the dummy window's
// pixels to be drawn as any window's are (tests read them back).

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/device/scene_device.h"

namespace vx {

class Canvas;
class WindowGL;

enum class PresentFit {
  Stretch,    // the canvas covers the whole client area
  Letterbox,  // the canvas keeps its aspect ratio, centred on black
};

// The largest rectangle of a width by height picture's shape that fits an
// area of outWidth by outHeight, centred.
SDL_Rect letterboxRect(int width, int height, int outWidth, int outHeight);

class WindowPresenter {
 public:
  // Takes the window's OpenGL context when the window can have one.
  explicit WindowPresenter(SDL_Window* window);
  ~WindowPresenter();
  WindowPresenter(const WindowPresenter&) = delete;
  WindowPresenter& operator=(const WindowPresenter&) = delete;

  // Where a 3D scene draws: in the window's context when the presenter has
  // one, else in an offscreen context of the scene's own.
  SceneContext sceneContext() const { return gl_ ? SceneContext::kCurrent : SceneContext::kOffscreen; }

  // Shows the canvas; ramps (three of 256 entries, null for none) map each
  // channel on the way. False when the window cannot be drawn on.
  bool present(const Canvas& canvas, PresentFit fit, const uint16_t (*ramps)[256]);

  // Where the canvas lands in the window's drawable area at the last present.
  SDL_Rect shownRect() const { return shown_; }
  // Frames presented so far.
  uint32_t framesShown() const { return frames_; }

 private:
  bool presentWithRenderer(const Canvas& canvas, PresentFit fit, const uint16_t (*ramps)[256]);
  bool prepare(int width, int height, uint32_t format);
  // The canvas as 32-bit rows (ramps applied), in converted_.
  const uint32_t* convert(const Canvas& canvas, const uint16_t (*ramps)[256]);

  SDL_Window* window_;
  bool shows_;  // false without a display
  std::unique_ptr<WindowGL> gl_;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  uint32_t textureFormat_ = 0;
  std::vector<uint32_t> converted_;
  SDL_Rect shown_{};
  uint32_t frames_ = 0;
};

}  // namespace vx
