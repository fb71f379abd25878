#pragma once
// The device of an open graphics mode: its front and back canvases, the
// pixel format new canvases get, the gamma ramps, and every canvas made on
// it, so that all of them can be checked and are freed with the mode.
//
// A windowed mode has one surface that the front and back canvases share;
// a full-screen mode has two, which Flip exchanges. Canvas handles given to
// programs are canvas addresses.

#include <cstdint>
#include <memory>
#include <string>

#include "engine3d/device/scene_device.h"
#include "platform/canvas.h"
#include "platform/font.h"
#include "platform/image_prefetch.h"
#include "platform/movie.h"
#include "runtime/handles.h"

namespace vx {

class GraphicsDevice {
 public:
  // A device whose canvases are width by height in the format of the depth
  // (16: 565, 24, 32); separateBack gives the back canvas its own surface;
  // a 3D scene of the mode draws on sceneContext. Null when the canvases
  // cannot be made.
  static std::unique_ptr<GraphicsDevice> create(int width, int height, int depth, bool separateBack,
                                                bool gammaControl,
                                                SceneContext sceneContext = SceneContext::kOffscreen);
  ~GraphicsDevice();
  GraphicsDevice(const GraphicsDevice&) = delete;
  GraphicsDevice& operator=(const GraphicsDevice&) = delete;

  Canvas& frontCanvas() const { return *front_; }
  Canvas& backCanvas() const { return *back_; }
  int width() const { return front_->width(); }
  int height() const { return front_->height(); }
  bool separateBack() const { return front_->mainSurface() != back_->mainSurface(); }
  const SurfaceContext& surfaceContext() const { return context_; }

  // Canvases: new ones are cleared and entered in the set, which also holds
  // the front and back canvases, so that one lookup checks any buffer.
  Canvas* createCanvas(int width, int height, int32_t flags);
  Canvas* loadCanvas(const std::string& file, int32_t flags);
  // Image files a loader will load next, decoded meanwhile on another
  // thread; loadCanvas takes them. Forgetting them drops those not taken.
  void prefetchCanvas(const std::string& file, int32_t flags) { prefetch_.request(file, flags, context_); }
  void forgetPrefetched() { prefetch_.forget(); }
  Canvas* adoptCanvas(std::unique_ptr<Canvas> canvas);
  // The canvas of a handle; an unknown one raises "Buffer does not exist"
  // when debugging and gives null otherwise.
  Canvas* buffer(int32_t handle) const { return canvases_.get(handle, "Buffer does not exist"); }
  Canvas* findCanvas(int32_t handle) const { return canvases_.find(handle); }
  // Frees a canvas of the set; the front and back canvases stay. The
  // handler set with onCanvasFree hears of it first (drawing moves off a
  // canvas that is about to go).
  void freeCanvas(Canvas* canvas);
  void onCanvasFree(void (*handler)(Canvas& canvas)) { canvasFreeHandler_ = handler; }

  // Fonts: the default font ("courier", 12 pixels, given to the front and
  // back canvases) and those loaded since, freed with the device.
  Font* defaultFont() const { return defaultFont_; }
  Font* loadFont(const std::string& name, int height, int32_t flags);
  // The font of a handle; an unknown one raises "Font does not exist" when
  // debugging and gives null otherwise.
  Font* font(int32_t handle) const { return fonts_.get(handle, "Font does not exist"); }
  // Frees a loaded font; the default font stays.
  void freeFont(Font* font);

  // Movies: opened on the device and freed with it. file is a path this
  // system opens; the sound track plays on audio when given. Null when the
  // file does not play.
  Movie* openMovie(const std::string& file, AudioDevice* audio);
  // The movie of a handle, or null; movie commands make no handle checks.
  Movie* findMovie(int32_t handle) const { return movies_.find(handle); }
  // Only a movie of the device is closed.
  void closeMovie(Movie* movie);
  void closeAllMovies();

  // Copies the source rectangle into the destination rectangle, nearest
  // pixel, without origins or viewports; a negative sourceHeight walks the
  // source upwards. Only the part inside the destination is written.
  static void stretchCopy(Canvas& dest, int x, int y, int width, int height, Canvas& source, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight);

  // The 3D scene of a 3D mode, drawing into the back canvas; texture
  // canvases made from then on fit the scene's limits. Null when no scene
  // can be made; a device has at most one.
  SceneDevice* createScene();

  // Full-screen flipping: the back canvas's picture becomes the front's.
  void flipSurfaces() { front_->exchangeSurfaces(*back_); }

  // Gamma: three ramps of 256 16-bit entries, the identity at first; they
  // are applied at presentation when the mode has gamma control.
  bool hasGammaControl() const { return gammaControl_; }
  void setGamma(int32_t red, int32_t green, int32_t blue, float destRed, float destGreen, float destBlue);
  // The ramps presentation applies: those set when updateGamma was last
  // called.
  void updateGamma(bool calibrate);
  float gamma(int channel, int32_t index) const { return ramps_[channel][index & 255] / 257.0f; }
  const uint16_t (*shownRamps() const)[256] { return shownRamps_; }
  bool shownRampsIdentity() const { return shownIdentity_; }

 private:
  GraphicsDevice() = default;

  std::unique_ptr<Canvas> front_;
  std::unique_ptr<Canvas> back_;
  SurfaceContext context_;
  HandleSet<Canvas> canvases_;
  HandleSet<Font> fonts_;
  HandleSet<Movie> movies_;
  Font* defaultFont_ = nullptr;
  bool gammaControl_ = false;
  uint16_t ramps_[3][256];
  uint16_t shownRamps_[3][256];
  bool shownIdentity_ = true;
  TextureLimits textureLimits_;
  SceneContext sceneContext_ = SceneContext::kOffscreen;
  std::unique_ptr<SceneDevice> scene_;
  void (*canvasFreeHandler_)(Canvas&) = nullptr;
  // Last, so that it goes first, before the context its decodings use.
  ImagePrefetch prefetch_;
};

// The pixel format of a mode's canvases for a depth of 16, 24 or 32.
PixelFormat displayFormat(int depth);

}  // namespace vx
