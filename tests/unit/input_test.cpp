#include <gtest/gtest.h>

#include "platform/input_device.h"
#include "platform/key_codes.h"

using vx::InputDevice;

TEST(InputDevice, HitsCountEveryPressButTheQueueHolds32) {
  int refreshes = 0;
  InputDevice device([&] { ++refreshes; });
  for (int i = 0; i < 33; ++i) {
    device.pressed(57);
    device.released(57);
  }
  device.pressed(30);  // finds the queue full
  EXPECT_EQ(device.hitCount(57), 33);
  EXPECT_EQ(device.hitCount(57), 0);
  int queued = 0;
  while (device.next() == 57) ++queued;
  EXPECT_EQ(queued, 32);
  EXPECT_EQ(device.next(), 0);
  EXPECT_TRUE(device.isDown(30));
  EXPECT_GT(refreshes, 0);
}

TEST(InputDevice, FlushKeepsWhatIsHeldResetForgetsEverything) {
  InputDevice device(nullptr);
  device.pressed(1);
  device.setAxis(2, 240.0f);
  device.flush();
  EXPECT_TRUE(device.isDown(1));
  EXPECT_EQ(device.hitCount(1), 0);
  EXPECT_EQ(device.next(), 0);
  EXPECT_EQ(device.axis(2), 240.0f);
  device.reset();
  EXPECT_FALSE(device.isDown(1));
  EXPECT_EQ(device.axis(2), 0.0f);
  // Codes and slots outside the device are nothing, not memory.
  device.pressed(300);
  device.pressed(-1);
  EXPECT_FALSE(device.isDown(300));
  EXPECT_EQ(device.axis(40), 0.0f);
}

TEST(KeyCodes, TableRoundTripsAndExtendedKeys) {
  EXPECT_EQ(vx::keyCodeOf(SDL_SCANCODE_ESCAPE), 1);
  EXPECT_EQ(vx::keyCodeOf(SDL_SCANCODE_A), 30);
  EXPECT_EQ(vx::keyCodeOf(SDL_SCANCODE_UP), 200);
  EXPECT_EQ(vx::keyCodeOf(SDL_SCANCODE_RCTRL), 157);
  EXPECT_EQ(vx::keyCodeOf(SDL_SCANCODE_KP_ENTER), 156);
  EXPECT_EQ(vx::keyCodeOf(SDL_SCANCODE_UNKNOWN), 0);
  for (int code = 1; code < 256; ++code) {
    SDL_Scancode s = vx::scancodeOf(code);
    if (s != SDL_SCANCODE_UNKNOWN) {
      EXPECT_EQ(vx::keyCodeOf(s), code);
    }
  }
  EXPECT_EQ(vx::scancodeOf(0), SDL_SCANCODE_UNKNOWN);
  EXPECT_EQ(vx::scancodeOf(999), SDL_SCANCODE_UNKNOWN);
}

TEST(KeyCodes, CharactersOfKeys) {
  // The layout's characters come from SDL's keymap, which video sets up.
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0);
  EXPECT_EQ(vx::keyCharacter(200, false, false), 28);  // cursor up
  EXPECT_EQ(vx::keyCharacter(211, true, false), 4);    // delete
  EXPECT_EQ(vx::keyCharacter(30, false, false), 'a');
  EXPECT_EQ(vx::keyCharacter(30, true, false), 'A');
  EXPECT_EQ(vx::keyCharacter(30, false, true), 1);
  EXPECT_EQ(vx::keyCharacter(2, true, false), '!');
  EXPECT_EQ(vx::keyCharacter(57, false, false), ' ');
  EXPECT_EQ(vx::keyCharacter(28, false, false), 13);
  EXPECT_EQ(vx::keyCharacter(14, false, false), 8);
  EXPECT_EQ(vx::keyCharacter(72, false, false), '8');  // keypad 8
  EXPECT_EQ(vx::keyCharacter(59, false, false), 0);    // F1
  EXPECT_EQ(vx::keyCharacter(42, false, false), 0);    // shift alone
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
