// What reaches the window: front-buffer drawing without Flip, Flip showing
// nothing new when nothing was drawn, scaled windows stretching the canvas,
// full-screen page flipping and gamma applied on the way to the screen.
// The window's pixels are read back from its renderer.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/graphics_device.h"
#include "platform/platform_runtime.h"
#include "platform/repaint_timer.h"
#include "recording_debugger.h"

using vx::Canvas;
using vx::DisplayKind;
using vx::GraphicsDevice;
using vx::PlatformRuntime;

namespace {

class Presentation : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VX_PRESENT_HEADLESS", "1", 1);  // headless, the dummy window is drawn only when asked
    platform = PlatformRuntime::create("", &debugger);
    ASSERT_NE(platform, nullptr);
  }
  void TearDown() override {
    if (PlatformRuntime::current()) PlatformRuntime::current()->destroy();
  }

  GraphicsDevice& open(int width, int height, int depth, int32_t flags) {
    platform->closeGraphics();
    GraphicsDevice* device = platform->openGraphics(width, height, depth, 0, flags);
    EXPECT_NE(device, nullptr);
    return *device;
  }

  // The window's pixel at (x, y) of its drawable area, as 0xRRGGBB.
  uint32_t shown(int x, int y) {
    SDL_Renderer* renderer = SDL_GetRenderer(platform->window());
    uint32_t pixel = 0;
    SDL_Rect one{x, y, 1, 1};
    if (!renderer || SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_RGB888, &pixel, 4) != 0) return 0xDEAD;
    return pixel & 0xFFFFFF;
  }

  // Runs the event loop until the condition holds or a second has passed.
  template <typename Condition>
  bool within(uint32_t ms, Condition condition) {
    const uint32_t start = vx::monotonicMillis();
    while (vx::monotonicMillis() - start < ms) {
      platform->idle();
      if (condition()) return true;
      SDL_Delay(5);
    }
    return condition();
  }

  vxtest::RecordingDebugger debugger;
  PlatformRuntime* platform = nullptr;
};

}  // namespace

TEST_F(Presentation, FrontBufferDrawingShowsWithoutFlip) {
  GraphicsDevice& device = open(64, 48, 32, vx::kGraphicsWindowed);
  EXPECT_EQ(platform->displayKind(), DisplayKind::Window);
  int w = 0, h = 0;
  SDL_GetWindowSize(platform->window(), &w, &h);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
  Canvas& front = device.frontCanvas();
  front.setColor(0xFF00FF);
  front.rect(10, 10, 5, 5, true);
  EXPECT_TRUE(within(4 * vx::RepaintTimer::kPeriodMs, [&] { return shown(12, 12) == 0xFF00FF; }));
}

TEST_F(Presentation, FlipPresentsOnlyWhatChanged) {
  GraphicsDevice& device = open(64, 48, 16, vx::kGraphicsWindowed);
  device.backCanvas().setColor(0x00FF00);
  device.backCanvas().plot(3, 4);
  platform->flip(false);
  EXPECT_EQ(shown(3, 4) & 0xF8FCF8, 0x00FC00u);  // through 16 bits
  const uint32_t frames = platform->framesPresented();
  platform->flip(false);
  platform->flip(true);
  EXPECT_EQ(platform->framesPresented(), frames);
  device.backCanvas().plot(5, 5);
  platform->flip(false);
  EXPECT_EQ(platform->framesPresented(), frames + 1);
}

TEST_F(Presentation, ScaledWindowStretchesTheCanvasIntoItsClientArea) {
  open(400, 300, 0, vx::kGraphicsWindowed);
  GraphicsDevice& device = open(800, 600, 24, vx::kGraphicsWindowed | vx::kGraphicsScaled);
  EXPECT_EQ(platform->displayKind(), DisplayKind::ScaledWindow);
  int w = 0, h = 0;
  SDL_GetWindowSize(platform->window(), &w, &h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 300);
  // The right half of the canvas lands on the right half of the window.
  device.backCanvas().setColor(0xFF0000);
  device.backCanvas().rect(400, 0, 400, 600, true);
  platform->flip(false);
  EXPECT_EQ(shown(150, 150), 0u);
  EXPECT_EQ(shown(250, 150), 0xFF0000u);
}

TEST_F(Presentation, FullScreenFlipsPagesAndAppliesGamma) {
  GraphicsDevice& device = open(64, 48, 32, 0);
  EXPECT_EQ(platform->displayKind(), DisplayKind::FullScreen);
  ASSERT_TRUE(device.separateBack());
  device.backCanvas().setColor(0x808080);
  device.backCanvas().cls();
  device.backCanvas().rect(0, 0, 64, 48, true);
  platform->flip(false);
  // The pages changed places: the front has the picture, the back the old front.
  EXPECT_EQ(device.frontCanvas().getPixel(1, 1), 0xFF808080u);
  EXPECT_EQ(device.backCanvas().getPixel(1, 1), 0xFF000000u);
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(SDL_GetRenderer(platform->window()), &w, &h);
  const int cx = w / 2, cy = h / 2;
  EXPECT_EQ(shown(cx, cy), 0x808080u);

  // Red at full scale becomes half; the ramps apply once UpdateGamma is called.
  EXPECT_FLOAT_EQ(device.gamma(0, 128), 128.0f);
  device.setGamma(128, 0, 0, 64, 0, 0);
  platform->present();
  EXPECT_EQ(shown(cx, cy), 0x808080u);
  device.updateGamma(false);
  platform->present();
  EXPECT_EQ(shown(cx, cy), 0x408080u);

  platform->closeGraphics();
  EXPECT_EQ(platform->displayKind(), DisplayKind::None);
  EXPECT_FALSE(SDL_GetWindowFlags(platform->window()) & SDL_WINDOW_FULLSCREEN);
}

TEST_F(Presentation, ModesThatCannotBeMadeLeaveNoModeOpen) {
  EXPECT_EQ(platform->openGraphics(40000, 40000, 32, 0, vx::kGraphicsWindowed), nullptr);
  EXPECT_EQ(platform->openGraphics(64, 48, 15, 0, vx::kGraphicsWindowed), nullptr);
  EXPECT_EQ(platform->openGraphics(64, 48, 32, 7, 0), nullptr);  // no such driver
  EXPECT_EQ(platform->displayKind(), DisplayKind::None);
  EXPECT_NE(platform->openGraphics(64, 48, 32, 0, vx::kGraphicsWindowed), nullptr);
  EXPECT_EQ(platform->openGraphics(64, 48, 32, 0, vx::kGraphicsWindowed), nullptr);  // one at a time
}
