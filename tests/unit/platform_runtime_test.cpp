#include "platform/platform_runtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "recording_debugger.h"

using vx::PlatformRuntime;

namespace {

class Platform : public ::testing::Test {
 protected:
  void SetUp() override {
    platform = PlatformRuntime::create("the arguments", &debugger);
    ASSERT_NE(platform, nullptr);
  }
  void TearDown() override {
    if (PlatformRuntime::current()) PlatformRuntime::current()->destroy();
  }
  vxtest::RecordingDebugger debugger;
  PlatformRuntime* platform = nullptr;
};

}  // namespace

TEST_F(Platform, OnlyOneExistsAtATime) {
  EXPECT_EQ(PlatformRuntime::create("", &debugger), nullptr);
  EXPECT_EQ(PlatformRuntime::current(), platform);
  EXPECT_EQ(platform->commandLine(), "the arguments");
  ASSERT_NE(platform->window(), nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(platform->window()), " ");
  EXPECT_TRUE(SDL_GetWindowFlags(platform->window()) & SDL_WINDOW_HIDDEN);
}

TEST_F(Platform, RequestsFromAnotherThreadDriveTheRunStates) {
  std::thread([] { PlatformRuntime::requestSuspend(); }).join();
  // A suspended idle blocks until the resume arrives.
  std::atomic<bool> resumePosted{false};
  std::thread resumer([&] {
    SDL_Delay(50);
    resumePosted = true;
    PlatformRuntime::requestResume();
  });
  EXPECT_TRUE(platform->idle());
  EXPECT_TRUE(resumePosted);
  resumer.join();
  EXPECT_EQ(debugger.stops, 1);
  EXPECT_EQ(debugger.runs, 1);
  EXPECT_FALSE(platform->suspended());

  std::thread([] { PlatformRuntime::requestEnd(); }).join();
  EXPECT_FALSE(platform->idle());
  EXPECT_FALSE(platform->delay(10));
  // The debugger is let go once the program has ended.
  platform->debugLog("after the end");
  platform->debugError("after the end");
  EXPECT_TRUE(debugger.logs.empty());
  EXPECT_TRUE(debugger.messages.empty());
}

TEST_F(Platform, DelayWhileSuspendedWaitsForTheResume) {
  platform->debugStop();
  EXPECT_TRUE(platform->suspended());
  std::atomic<bool> resumePosted{false};
  std::thread resumer([&] {
    SDL_Delay(100);
    resumePosted = true;
    PlatformRuntime::requestResume();
  });
  EXPECT_TRUE(platform->delay(5));
  EXPECT_TRUE(resumePosted);
  resumer.join();
}

TEST_F(Platform, ErrorsEndTheProgramAfterTellingTheDebugger) {
  platform->debugError("it broke");
  ASSERT_EQ(debugger.messages.size(), 1u);
  EXPECT_EQ(debugger.messages[0].serious, 1);
  EXPECT_EQ(debugger.stops, 1);
  EXPECT_FALSE(platform->idle());
}

TEST_F(Platform, ClosingTheWindowEndsTheProgram) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_FALSE(platform->idle());
}

TEST_F(Platform, ClosingWithAPromptEndsOnceConfirmed) {
  // Without a display the prompt is written out and answered with OK.
  platform->setTitle("My Game", "Really quit?");
  EXPECT_STREQ(SDL_GetWindowTitle(platform->window()), "My Game");
  testing::internal::CaptureStderr();
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  close.window.windowID = SDL_GetWindowID(platform->window());
  SDL_PushEvent(&close);
  EXPECT_FALSE(platform->idle());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "My Game: Really quit?\n");
}
