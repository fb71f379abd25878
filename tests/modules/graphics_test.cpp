// Programs that open windowed, scaled and full-screen modes at each depth,
// draw through front and back buffers and read back what they drew, both
// through the pixel commands and through the BMP files SaveBuffer writes.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "pictures.h"
#include "program_run.h"

using vxtest::modulePath;
using vxtest::Picture;
using vxtest::ProgramRun;
using vxtest::readBmp;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::ScratchDir;
using vxtest::vxrunPath;
namespace fs = std::filesystem;

namespace {

ProgramRun run(const ScratchDir& dir, const std::string& scenario, std::vector<std::string> env = {"VX_DEBUG=1"}) {
  RunOptions options;
  env.push_back("VX_TEST_DIR=" + dir.path());
  options.environment = std::move(env);
  return runProgram({vxrunPath(), modulePath("graphics"), scenario}, options);
}

}  // namespace

TEST(GraphicsPrograms, EveryKindOfModeDrawsThroughFrontAndBackBuffers) {
  ScratchDir dir;
  ProgramRun r = run(dir, "modes");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "Program has ended\n");
  // Width, height, depth; whether front and back share their pixels; saved.
  EXPECT_EQ(r.out,
            "400\n300\n"
            "64\n48\n16\n1\n1\n"
            "64\n48\n24\n1\n1\n"
            "64\n48\n32\n1\n1\n"
            "64\n48\n32\n1\n1\n"  // scaled, at the desktop's depth
            "64\n48\n16\n0\n1\n"
            "64\n48\n32\n0\n1\n"
            "64\n48\n16\n0\n1\n"  // full-screen of depth 0
            "64\n48\n32\n1\n1\n"  // mode 0 while debugging: a window
            "400\n300\nsurvived\n");
  struct Expect {
    const char* file;
    uint32_t red, green, blue, white, yellow;
  };
  const Expect high{"", 0xF80000, 0x00FC00, 0x0000F8, 0xF8FCF8, 0xF8FC00};
  const Expect full{"", 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFFFF00};
  const std::pair<const char*, Expect> files[] = {
      {"window16.bmp", high}, {"window24.bmp", full}, {"window32.bmp", full}, {"scaled.bmp", full},
      {"full16.bmp", high},   {"full32.bmp", full},   {"full0.bmp", high},    {"mode0.bmp", full}};
  for (const auto& [file, e] : files) {
    SCOPED_TRACE(file);
    Picture b = readBmp(dir / file);
    ASSERT_EQ(b.width, 64);
    ASSERT_EQ(b.height, 48);
    EXPECT_EQ(b.at(0, 0), e.blue);
    EXPECT_EQ(b.at(2, 2), e.red);
    EXPECT_EQ(b.at(11, 7), e.red);
    EXPECT_EQ(b.at(12, 7), e.blue);
    EXPECT_EQ(b.at(11, 8), e.blue);
    EXPECT_EQ(b.at(20, 20), e.green);
    EXPECT_EQ(b.at(0, 47), e.white);
    EXPECT_EQ(b.at(63, 47), e.white);
    EXPECT_EQ(b.at(30, 30), e.yellow);
  }
}

TEST(GraphicsPrograms, ModeZeroIsFullScreenUnlessDebugging) {
  ScratchDir dir;
  ProgramRun r = run(dir, "modes", {});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "");
  // Without the debugging flag the last mode, mode 0 of depth 0, is
  // full-screen, which gives it 16 bits.
  Picture b = readBmp(dir / "mode0.bmp");
  ASSERT_EQ(b.width, 64);
  EXPECT_EQ(b.at(2, 2), 0xF80000u);  // 16 bits: full-screen of depth 0
}

TEST(GraphicsPrograms, PixelsColoursGammaAndBufferFiles) {
  ScratchDir dir;
  std::ofstream(dir / "damaged.bmp", std::ios::binary) << std::string("BM\x36\x10\0\0\0\0\0\0\x36\0\0\0", 14);
  ProgramRun r = run(dir, "pixels");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "Program has ended\n");
  EXPECT_EQ(r.out,
            // Color 300,0,0: red byte 0x2C, the carry beyond it is no colour
            "44\n0\n0\n"
            // WritePixel, GetColor, origin, viewport, SetBuffer's reset
            "-15584170\n18\n-16711936\n-16777216\n-15584170\n"
            // fast paths outside the buffer, nested locks, copies
            "0\n0\n-5517841\n-15584170\n-15584170\n-15584170\n"
            // gamma ramps: set, clamped below and above, untouched
            "20.0\n0.0\n255.0\n11.0\n"
            // SaveBuffer and LoadBuffer, missing and damaged files, stretched
            "1\n1\n-15584170\n-65536\n0\n0\n1\n-65536\n-16777216\n"
            // drivers and modes
            "1\n1\n16\n1\n0\n1\n"
            "survived\n");
  Picture saved = readBmp(dir / "saved.bmp");
  ASSERT_EQ(saved.width, 64);
  EXPECT_EQ(saved.at(5, 5), 0x123456u);
  EXPECT_EQ(saved.at(25, 25), 0xFF0000u);
}

TEST(GraphicsPrograms, PointerPositionsAreScaledAndClampedToTheCanvas) {
  ScratchDir dir;
  const std::string playback = dir / "playback.txt";
  std::ofstream(playback) << "200 motion 400 300\n"   // the scaled client's far corner
                             "500 motion 200 150\n"   // its centre
                             "800 motion 100 100\n";  // beyond a 64 by 48 window
  ProgramRun r = run(dir, "mouse", {"VX_DEBUG=1", "VX_INPUT_PLAYBACK=" + playback});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "799\n599\n400\n300\n63\n47\n10\n11\nsurvived\n");
}

TEST(GraphicsPrograms, BadArgumentsAreReportedWhenDebuggingAndHarmlessOtherwise) {
  ScratchDir dir;
  const std::pair<const char*, const char*> debugged[] = {
      {"bad_mode", "Illegal Graphics mode\n"},
      {"bad_3d_mode", "Illegal Graphics3D mode\n"},
      {"mode_index", "Illegal graphics mode index\n"},
      {"driver_index", "Illegal graphics driver index\n"},
      {"bad_buffer", "Buffer does not exist\n"},
      {"bad_buffer_pixels", "Buffer does not exist\n"},
      {"too_big", "Unable to set graphics mode\n"},
  };
  for (const auto& [scenario, message] : debugged) {
    SCOPED_TRACE(scenario);
    ProgramRun r = run(dir, scenario);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, message);
    EXPECT_EQ(r.out, "");
  }
  // Without the flag only the mode errors remain; the rest is ignored.
  for (const char* scenario : {"mode_index", "driver_index", "bad_buffer", "bad_buffer_pixels"}) {
    SCOPED_TRACE(scenario);
    ProgramRun r = run(dir, scenario, {});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.err, "");
  }
  ProgramRun r = run(dir, "bad_mode", {});
  EXPECT_EQ(r.err, "Error!: Illegal Graphics mode\n");
}
