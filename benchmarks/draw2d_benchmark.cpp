// 2D drawing of a game's frame at 640 by 480, 32 bits per pixel, on a
// graphics device of that mode:
//   - masked DrawImage of 32 by 32 sprites (the blit DrawImage makes: the
//     mask colour left out), next to SDL2's SDL_BlitSurface with a colour
//     key on surfaces of the same format and pictures, in the same run;
//     once with every sprite inside the buffer and once with sprites
//     clipped at its edges;
//   - Text: characters per second in the mode's default font (courier, 12
//     pixels) and in a 24-pixel font;
//   - RotateImage of a 256 by 256 image, with and without filtering.
// Prints each rate, and the ratio to SDL where there is one.

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "lib2d/canvas_transform.h"
#include "best_rate.h"
#include "platform/canvas.h"
#include "platform/graphics_device.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kSprite = 32;

void report(const char* what, double ours, const char* unit, double sdl = 0) {
  if (sdl > 0)
    std::printf("  %-34s %12.0f %s   SDL %12.0f %s   ratio %5.2f\n", what, ours, unit, sdl, unit, ours / sdl);
  else
    std::printf("  %-34s %12.0f %s\n", what, ours, unit);
}

struct Point {
  int x, y;
};

void benchSprites(vx::GraphicsDevice& device) {
  vx::Canvas& buffer = device.backCanvas();
  vx::Canvas* sprite = device.createCanvas(kSprite, kSprite, 0);
  // A ball on black, the default mask colour: about a fifth of the pixels
  // are left out.
  sprite->setColor(0xFFC08040);
  sprite->oval(0, 0, kSprite, kSprite, true);
  sprite->setColor(0xFF2040FF);
  sprite->oval(8, 8, 16, 16, true);

  SDL_Surface* screen = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_RGB888);
  SDL_Surface* sdlSprite = SDL_CreateRGBSurfaceWithFormat(0, kSprite, kSprite, 32, SDL_PIXELFORMAT_RGB888);
  for (int y = 0; y < kSprite; ++y)
    std::memcpy(static_cast<uint8_t*>(sdlSprite->pixels) + y * sdlSprite->pitch, sprite->surface().row(y),
                size_t(kSprite) * 4);
  SDL_SetSurfaceBlendMode(sdlSprite, SDL_BLENDMODE_NONE);
  SDL_SetColorKey(sdlSprite, SDL_TRUE, 0);

  std::mt19937 random(32);
  std::vector<Point> inside(4096), edges(4096);
  for (Point& p : inside) p = {int(random() % (kWidth - kSprite)), int(random() % (kHeight - kSprite))};
  for (Point& p : edges) p = {int(random() % (kWidth + kSprite)) - kSprite, int(random() % (kHeight + kSprite)) - kSprite};

  const int count = 400000;
  for (auto* set : {&inside, &edges}) {
    const std::vector<Point>& points = *set;
    const double ours = bestRate(count, [&](int i) {
      const Point& p = points[i & 4095];
      buffer.blit(p.x, p.y, *sprite, 0, 0, kSprite, kSprite, false);
    });
    const double sdl = bestRate(count, [&](int i) {
      const Point& p = points[i & 4095];
      SDL_Rect to{p.x, p.y, kSprite, kSprite};
      SDL_BlitSurface(sdlSprite, nullptr, screen, &to);
    });
    report(set == &inside ? "DrawImage 32x32 masked" : "DrawImage 32x32 masked, clipped", ours, "/s", sdl);
  }

  // Both drew the same sprites at the same places: the pictures agree.
  buffer.cls();
  SDL_FillRect(screen, nullptr, 0);
  for (const Point& p : inside) {
    buffer.blit(p.x, p.y, *sprite, 0, 0, kSprite, kSprite, false);
    SDL_Rect to{p.x, p.y, kSprite, kSprite};
    SDL_BlitSurface(sdlSprite, nullptr, screen, &to);
  }
  int differ = 0;
  for (int y = 0; y < kHeight; ++y)
    differ += std::memcmp(buffer.surface().row(y), static_cast<uint8_t*>(screen->pixels) + y * screen->pitch,
                          size_t(kWidth) * 4) != 0;
  std::printf("  (pictures %s)\n", differ ? "DIFFER" : "identical");

  SDL_FreeSurface(sdlSprite);
  SDL_FreeSurface(screen);
  device.freeCanvas(sprite);
}

void benchText(vx::GraphicsDevice& device) {
  vx::Canvas& buffer = device.backCanvas();
  const std::string line = "The quick brown fox jumps over the lazy dog. 0123456789";
  buffer.setColor(0xFFFFFFFF);
  for (int pass = 0; pass < 2; ++pass) {
    vx::Font* font = pass == 0 ? device.defaultFont() : device.loadFont("arial", 24, 0);
    if (!font) continue;
    buffer.setFont(font);
    const int lines = kHeight / std::max(1, font->height());
    const double perSecond = bestRate(20000, [&](int i) { buffer.text(0, (i % lines) * font->height(), line); });
    report(pass == 0 ? "Text, courier 12 (characters)" : "Text, arial 24 (characters)",
           perSecond * double(line.size()), "/s");
  }
  buffer.setFont(device.defaultFont());
}

void benchRotate(vx::GraphicsDevice& device) {
  vx::Canvas* image = device.createCanvas(256, 256, 0);
  std::mt19937 random(256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) image->setPixelFast(x, y, ((x ^ y) & 16) ? random() : 0xFF204080);
  image->setHandle(128, 128);
  for (bool filter : {false, true}) {
    const double perSecond = bestRate(200, [&](int i) {
      const float r = -(10.0f + float(i % 70)) * 0.017453292f;
      vx::Canvas* turned =
          vx::transformCanvas(device, *image, std::cos(r), -std::sin(r), std::sin(r), std::cos(r), filter);
      device.freeCanvas(turned);
    });
    report(filter ? "RotateImage 256x256, filtered" : "RotateImage 256x256, not filtered", perSecond, "/s");
  }
  device.freeCanvas(image);
}

}  // namespace

int main() {
  std::unique_ptr<vx::GraphicsDevice> device = vx::GraphicsDevice::create(kWidth, kHeight, 32, false, false);
  if (!device) return 1;
  std::printf("2D drawing at %dx%d, 32 bits per pixel\n", kWidth, kHeight);
  benchSprites(*device);
  benchText(*device);
  benchRotate(*device);
  return 0;
}
