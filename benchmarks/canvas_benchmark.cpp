// Canvas drawing at 640 by 480, 32 and 16 bits per pixel: operations per
// second of Plot, Line, Rect (solid and outline), Oval, Cls, CopyRect,
// masked blits and WritePixelFast, each fill and blit next to SDL2's
// software routines (SDL_FillRect, SDL_BlitSurface with and without a
// colour key) doing the same work on a surface of the same format in the
// same run. Prints each rate and the ratio canvas / SDL, then the cost of
// Flip per frame in a window of each depth (headless under SDL's dummy
// driver unless a display is there).

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "best_rate.h"
#include "platform/canvas.h"
#include "platform/graphics_device.h"
#include "platform/platform_runtime.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

struct Box {
  int x, y, w, h;
};

void report(const char* what, double canvas, double sdl = 0) {
  if (sdl > 0)
    std::printf("  %-26s %14.0f /s   SDL %14.0f /s   ratio %5.2f\n", what, canvas, sdl, canvas / sdl);
  else
    std::printf("  %-26s %14.0f /s\n", what, canvas);
}

void bench(int depth) {
  const vx::PixelFormat format = depth == 32 ? vx::PixelFormat::xrgb8888() : vx::PixelFormat::rgb565();
  const Uint32 sdlFormat = depth == 32 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565;
  vx::SurfaceContext context;
  context.frontFormat = format;
  auto canvas = vx::Canvas::create(nullptr, kWidth, kHeight, 0, context);
  auto source = vx::Canvas::create(nullptr, kWidth, kHeight, 0, context);
  auto sprite = vx::Canvas::create(nullptr, 64, 64, 0, context);
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, depth, sdlFormat);
  SDL_Surface* sdlSource = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, depth, sdlFormat);
  SDL_Surface* sdlSprite = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, depth, sdlFormat);
  SDL_SetSurfaceBlendMode(sdlSource, SDL_BLENDMODE_NONE);
  SDL_SetSurfaceBlendMode(sdlSprite, SDL_BLENDMODE_NONE);

  // The same pictures in both: a pattern to copy and a sprite whose corners
  // are the mask colour (black).
  std::mt19937 random(depth);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) source->setPixelFast(x, y, random());
  sprite->setColor(0xFFC080);
  sprite->oval(0, 0, 64, 64, true);
  for (int y = 0; y < kHeight; ++y)
    std::memcpy(static_cast<uint8_t*>(sdlSource->pixels) + y * sdlSource->pitch, source->surface().row(y),
                size_t(kWidth) * format.bytesPerPixel());
  for (int y = 0; y < 64; ++y)
    std::memcpy(static_cast<uint8_t*>(sdlSprite->pixels) + y * sdlSprite->pitch, sprite->surface().row(y),
                size_t(64) * format.bytesPerPixel());
  const Uint32 sdlColor = SDL_MapRGB(surface->format, 0xFF, 0x80, 0x40);
  canvas->setColor(0xFF8040);

  std::vector<Box> points(4096), lines(4096), rects(4096), blocks(1024), sprites(4096);
  for (Box& b : points) b = {int(random() % kWidth), int(random() % kHeight), 1, 1};
  for (Box& b : lines)
    b = {int(random() % kWidth), int(random() % kHeight), int(random() % kWidth), int(random() % kHeight)};
  for (Box& b : rects) b = {int(random() % 540), int(random() % 380), 100, 100};
  for (Box& b : blocks) b = {int(random() % 384), int(random() % 224), 256, 256};
  for (Box& b : sprites) b = {int(random() % 576), int(random() % 416), 64, 64};

  std::printf("%d bits per pixel, %dx%d\n", depth, kWidth, kHeight);

  report("Plot", bestRate(2000000, [&](int i) { const Box& b = points[i & 4095]; canvas->plot(b.x, b.y); }),
         bestRate(2000000, [&](int i) {
           const Box& b = points[i & 4095];
           SDL_Rect r{b.x, b.y, 1, 1};
           SDL_FillRect(surface, &r, sdlColor);
         }));
  report("Line (random ends)", bestRate(50000, [&](int i) {
    const Box& b = lines[i & 4095];
    canvas->line(b.x, b.y, b.w, b.h);
  }));
  report("Rect solid 100x100", bestRate(20000, [&](int i) {
           const Box& b = rects[i & 4095];
           canvas->rect(b.x, b.y, b.w, b.h, true);
         }),
         bestRate(20000, [&](int i) {
           const Box& b = rects[i & 4095];
           SDL_Rect r{b.x, b.y, b.w, b.h};
           SDL_FillRect(surface, &r, sdlColor);
         }));
  report("Rect outline 100x100", bestRate(200000, [&](int i) {
           const Box& b = rects[i & 4095];
           canvas->rect(b.x, b.y, b.w, b.h, false);
         }),
         bestRate(200000, [&](int i) {
           const Box& b = rects[i & 4095];
           SDL_Rect edges[4] = {{b.x, b.y, b.w, 1}, {b.x, b.y, 1, b.h}, {b.x + b.w - 1, b.y, 1, b.h},
                                {b.x, b.y + b.h - 1, b.w, 1}};
           SDL_FillRects(surface, edges, 4, sdlColor);
         }));
  report("Oval solid 100x100", bestRate(20000, [&](int i) {
    const Box& b = rects[i & 4095];
    canvas->oval(b.x, b.y, b.w, b.h, true);
  }));
  report("Oval outline 100x100", bestRate(50000, [&](int i) {
    const Box& b = rects[i & 4095];
    canvas->oval(b.x, b.y, b.w, b.h, false);
  }));
  report("Cls", bestRate(2000, [&](int) { canvas->cls(); }),
         bestRate(2000, [&](int) { SDL_FillRect(surface, nullptr, 0); }));
  report("CopyRect 256x256", bestRate(5000, [&](int i) {
           const Box& b = blocks[i & 1023];
           canvas->blit(b.x, b.y, *source, b.y, b.x, b.w, b.h, true);
         }),
         bestRate(5000, [&](int i) {
           const Box& b = blocks[i & 1023];
           SDL_Rect from{b.y, b.x, b.w, b.h}, to{b.x, b.y, b.w, b.h};
           SDL_BlitSurface(sdlSource, &from, surface, &to);
         }));
  report("Blit 64x64 solid", bestRate(100000, [&](int i) {
           const Box& b = sprites[i & 4095];
           canvas->blit(b.x, b.y, *sprite, 0, 0, 64, 64, true);
         }),
         bestRate(100000, [&](int i) {
           const Box& b = sprites[i & 4095];
           SDL_Rect to{b.x, b.y, 64, 64};
           SDL_BlitSurface(sdlSprite, nullptr, surface, &to);
         }));
  SDL_SetColorKey(sdlSprite, SDL_TRUE, 0);
  report("Blit 64x64 masked", bestRate(100000, [&](int i) {
           const Box& b = sprites[i & 4095];
           canvas->blit(b.x, b.y, *sprite, 0, 0, 64, 64, false);
         }),
         bestRate(100000, [&](int i) {
           const Box& b = sprites[i & 4095];
           SDL_Rect to{b.x, b.y, 64, 64};
           SDL_BlitSurface(sdlSprite, nullptr, surface, &to);
         }));
  canvas->lock();
  report("WritePixelFast", bestRate(kWidth * kHeight * 10, [&](int i) {
    canvas->setPixelFast(i & 511, (i >> 9) % kHeight, uint32_t(i));
  }));
  canvas->unlock();

  SDL_FreeSurface(sdlSprite);
  SDL_FreeSurface(sdlSource);
  SDL_FreeSurface(surface);
}

// Each frame draws one pixel, so every Flip presents.
void benchFlip(vx::PlatformRuntime& platform, int depth) {
  vx::GraphicsDevice* device = platform.openGraphics(kWidth, kHeight, depth, 0, vx::kGraphicsWindowed);
  if (!device) {
    std::printf("  Flip at %d bits: no mode\n", depth);
    return;
  }
  vx::Canvas& back = device->backCanvas();
  const double perSecond = bestRate(200, [&](int i) {
    back.plot(i % kWidth, 0);
    platform.flip(false);
  });
  std::printf("  Flip %d bits                %10.3f ms a frame\n", depth, 1000.0 / perSecond);
  platform.closeGraphics();
}

}  // namespace

int main() {
  bench(32);
  bench(16);
  vx::PlatformRuntime* platform = vx::PlatformRuntime::create("", nullptr);
  if (!platform) return 1;
  std::printf("Presentation, %dx%d window\n", kWidth, kHeight);
  benchFlip(*platform, 32);
  benchFlip(*platform, 16);
  platform->destroy();
  return 0;
}
