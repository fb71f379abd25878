// Programs reading keyboard, mouse and joysticks fed by recorded input.

#include <gtest/gtest.h>

#include <fstream>

#include "program_run.h"

using vxtest::modulePath;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::vxrunPath;

TEST(Input, KeysButtonsAndJoysticksReachTheProgram) {
  std::string playback = ::testing::TempDir() + "input_playback.txt";
  {
    std::ofstream out(playback);
    out << "50 key_down 30\n60 key_up 30\n"
           "100 key_down 42\n110 key_down 30\n120 key_up 30\n700 key_up 42\n";
    for (int i = 0; i < 33; ++i) out << 200 + i << " key_down 57\n" << 200 + i << " key_up 57\n";
    // Each reading comes well after what it reads and well before what
    // follows, so a loaded machine does not change the outcome.
    out << "800 key_down 200\n805 key_up 200\n810 key_down 59\n815 key_up 59\n"
           "1300 button_down 1\n1310 button_up 1\n1320 wheel 240\n"
           "1800 joy_axis 0 0 0.3\n1800 joy_axis 0 1 -1\n1800 joy_hat 0 90\n1800 joy_button 0 3 1\n"
           "2300 joy_hat 0 -1\n"
           "3500 close   # the window's close button\n";
  }
  RunOptions options;
  options.environment = {"VX_DEBUG=1", "VX_INPUT_PLAYBACK=" + playback};
  auto run = runProgram({vxrunPath(), modulePath("input")}, options);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out,
            "97\n65\n33\n32\n28\n0\n0\n1\n"
            "1\n2\n2\n0\n"
            "1\n0\n0\n-1\n90\n1\n1\n0.0\n"
            "-1\n");
  EXPECT_EQ(run.err, "");
}
