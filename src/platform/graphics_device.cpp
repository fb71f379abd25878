#include "platform/graphics_device.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine3d/device/scene_device.h"
#include "platform/image_files.h"

namespace vx {

PixelFormat displayFormat(int depth) {
  switch (depth) {
    case 16:
      return PixelFormat::rgb565();
    case 24:
      return PixelFormat::rgb888();
    case 32:
      return PixelFormat::xrgb8888();
    default:
      return {};
  }
}

std::unique_ptr<GraphicsDevice> GraphicsDevice::create(int width, int height, int depth, bool separateBack,
                                                       bool gammaControl, SceneContext sceneContext) {
  const PixelFormat format = displayFormat(depth);
  if (!format.valid() || width <= 0 || height <= 0) return nullptr;
  std::shared_ptr<Surface> frontSurface = Surface::create(width, height, format);
  if (!frontSurface) return nullptr;
  std::shared_ptr<Surface> backSurface = frontSurface;
  if (separateBack && !(backSurface = Surface::create(width, height, format))) return nullptr;

  std::unique_ptr<GraphicsDevice> device(new GraphicsDevice());
  device->context_.frontFormat = format;
  device->front_ = std::make_unique<Canvas>(device.get(), std::move(frontSurface), 0);
  device->back_ = std::make_unique<Canvas>(device.get(), std::move(backSurface), 0);
  device->front_->cls();
  device->back_->cls();
  device->canvases_.add(device->front_.get());
  device->canvases_.add(device->back_.get());
  device->gammaControl_ = gammaControl;
  device->sceneContext_ = sceneContext;
  // A display's own ramps start as the identity at full scale; without
  // gamma control the ramps read back as entry i holding i.
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i) device->ramps_[c][i] = static_cast<uint16_t>(gammaControl ? i * 257 : i);
  std::memcpy(device->shownRamps_, device->ramps_, sizeof device->ramps_);
  device->defaultFont_ = device->loadFont("courier", 12, 0);
  device->front_->setFont(device->defaultFont_);
  device->back_->setFont(device->defaultFont_);
  return device;
}

GraphicsDevice::~GraphicsDevice() {
  // Movies first: they draw into canvases of the device.
  closeAllMovies();
  // The scene holds textures made from canvases.
  scene_.reset();
  // Then fonts: they hand their canvases back.
  fonts_.clear([](Font* f) { delete f; });
  Canvas* front = front_.get();
  Canvas* back = back_.get();
  canvases_.clear([&](Canvas* c) {
    if (c != front && c != back) delete c;
  });
}

Canvas* GraphicsDevice::adoptCanvas(std::unique_ptr<Canvas> canvas) {
  if (!canvas) return nullptr;
  Canvas* c = canvas.release();
  canvases_.add(c);
  return c;
}

Canvas* GraphicsDevice::createCanvas(int width, int height, int32_t flags) {
  std::unique_ptr<Canvas> canvas = Canvas::create(this, width, height, flags, context_);
  if (!canvas) return nullptr;
  canvas->cls();
  return adoptCanvas(std::move(canvas));
}

Canvas* GraphicsDevice::loadCanvas(const std::string& file, int32_t flags) {
  std::shared_ptr<Surface> surface;
  if (!prefetch_.take(file, flags, surface)) surface = loadSurface(file, flags, context_);
  return surface ? adoptCanvas(std::make_unique<Canvas>(this, std::move(surface), flags)) : nullptr;
}

void GraphicsDevice::freeCanvas(Canvas* canvas) {
  if (!canvas || canvas == front_.get() || canvas == back_.get()) return;
  if (!canvases_.find(HandleSet<Canvas>::handleOf(canvas))) return;
  if (canvasFreeHandler_) canvasFreeHandler_(*canvas);
  canvases_.remove(canvas);
  delete canvas;
}

Font* GraphicsDevice::loadFont(const std::string& name, int height, int32_t flags) {
  std::unique_ptr<Font> font = Font::load(*this, name, height, flags);
  if (!font) return nullptr;
  Font* f = font.release();
  fonts_.add(f);
  return f;
}

void GraphicsDevice::freeFont(Font* font) {
  if (!font || font == defaultFont_ || !fonts_.find(HandleSet<Font>::handleOf(font))) return;
  fonts_.remove(font);
  delete font;
}

Movie* GraphicsDevice::openMovie(const std::string& file, AudioDevice* audio) {
  std::unique_ptr<Movie> movie = Movie::open(*this, file, audio);
  if (!movie) return nullptr;
  Movie* m = movie.release();
  movies_.add(m);
  return m;
}

void GraphicsDevice::closeMovie(Movie* movie) {
  if (!movie || !movies_.find(HandleSet<Movie>::handleOf(movie))) return;
  movies_.remove(movie);
  delete movie;
}

void GraphicsDevice::closeAllMovies() {
  movies_.clear([](Movie* m) { delete m; });
}

void GraphicsDevice::stretchCopy(Canvas& dest, int x, int y, int width, int height, Canvas& source, int sourceX,
                                 int sourceY, int sourceWidth, int sourceHeight) {
  const CanvasRect written = vx::stretchCopy(dest.surface(), x, y, width, height, source.surface(), sourceX, sourceY,
                                             sourceWidth, sourceHeight);
  if (!written.empty()) dest.markModified(written);
}

void GraphicsDevice::setGamma(int32_t red, int32_t green, int32_t blue, float destRed, float destGreen,
                              float destBlue) {
  ramps_[0][red & 255] = static_cast<uint16_t>(destRed * 257);
  ramps_[1][green & 255] = static_cast<uint16_t>(destGreen * 257);
  ramps_[2][blue & 255] = static_cast<uint16_t>(destBlue * 257);
}

void GraphicsDevice::updateGamma(bool) {
  // Presentation has no calibration to apply; the ramps are used as given.
  if (!gammaControl_) return;
  std::memcpy(shownRamps_, ramps_, sizeof ramps_);
  shownIdentity_ = true;
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i)
      if (shownRamps_[c][i] >> 8 != i) shownIdentity_ = false;
}

}  // namespace vx

namespace vx {

SceneDevice* GraphicsDevice::createScene() {
  if (scene_) return nullptr;
  std::unique_ptr<SceneDevice> scene = createSceneDevice(*back_, sceneContext_, textureLimits_);
  if (!scene) return nullptr;
  context_.textureLimits = &textureLimits_;
  scene_ = std::move(scene);
  return scene_.get();
}

}  // namespace vx
