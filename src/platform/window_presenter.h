#pragma once
// Shows a canvas in the window: the canvas's pixels go into an SDL
// streaming texture (in the canvas's own layout when SDL has it, so the
// upload is a copy), which is drawn over the window's client area.

#include <SDL.h>

#include <cstdint>
#include <vector>

namespace vx {

class Canvas;

enum class PresentFit {
  Stretch,    // the canvas covers the whole client area
  Letterbox,  // the canvas keeps its aspect ratio, centred on black
};

// The largest rectangle of a width by height picture's shape that fits an
// area of outWidth by outHeight, centred.
SDL_Rect letterboxRect(int width, int height, int outWidth, int outHeight);

class WindowPresenter {
 public:
  explicit WindowPresenter(SDL_Window* window) : window_(window) {}
  ~WindowPresenter();
  WindowPresenter(const WindowPresenter&) = delete;
  WindowPresenter& operator=(const WindowPresenter&) = delete;

  // Shows the canvas; ramps (three of 256 entries, null for none) map each
  // channel on the way. False when the window cannot be drawn on.
  bool present(const Canvas& canvas, PresentFit fit, const uint16_t (*ramps)[256]);

  // Where the canvas lands in the window's drawable area at the last present.
  SDL_Rect shownRect() const { return shown_; }
  // Frames presented so far.
  uint32_t framesShown() const { return frames_; }

 private:
  bool prepare(int width, int height, uint32_t format);

  SDL_Window* window_;
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
