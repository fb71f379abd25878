// Programs in a window of the test X server: the window shows the front
// buffer, in 2D and 3D modes, windowed, scaled and full-screen, across mode
// changes; and the example of the README runs in a window as it does
// headless.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

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

namespace {

const char kTitle[] = "vx window test";

// What differs between the window and the canvas it shows ("" when
// nothing): the canvas covers the window, or keeps its shape centred on
// black (letterbox); the steps use whole multiples of the canvas size.
std::string difference(const Picture& window, const Picture& canvas, bool letterbox) {
  if (window.empty()) return "the window could not be read";
  int64_t x0 = 0, y0 = 0, w = window.width, h = window.height;
  if (letterbox) {
    if (int64_t(window.width) * canvas.height > int64_t(window.height) * canvas.width) {
      w = int64_t(window.height) * canvas.width / canvas.height;
      x0 = (window.width - w) / 2;
    } else {
      h = int64_t(window.width) * canvas.height / canvas.width;
      y0 = (window.height - h) / 2;
    }
  }
  for (int y = 0; y < window.height; ++y)
    for (int x = 0; x < window.width; ++x) {
      const bool inside = x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
      const uint32_t expected =
          inside ? canvas.at(int((x - x0) * canvas.width / w), int((y - y0) * canvas.height / h)) : 0;
      if (window.at(x, y) != expected) {
        std::ostringstream text;
        text << std::hex << "window " << std::dec << window.width << "x" << window.height << " at " << x << ","
             << y << std::hex << ": 0x" << window.at(x, y) << ", the front buffer 0x" << expected;
        return text.str();
      }
    }
  return "";
}

// The X server shows a frame once the program's requests reach it: the
// window is read until it shows the canvas, for some seconds at most (a
// loaded machine may take a while).
std::string windowDifference(const Picture& canvas, bool letterbox) {
  std::string last;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  do {
    last = difference(vxtest::readWindow(kTitle), canvas, letterbox);
    if (last.empty()) return last;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (std::chrono::steady_clock::now() < deadline);
  return last;
}

}  // namespace

TEST(WindowPrograms, TheWindowShowsTheFrontBufferInEveryKindOfMode) {
  ScratchDir dir;
  RunOptions options;
  options.windowed = true;
  options.environment = {"VX_DEBUG=1", "VX_TEST_DIR=" + dir.path()};
  // Each of the six steps may wait for the X server to show its frame.
  options.timeoutMs = 6 * 15000;
  int steps = 0;
  std::string differences;
  options.onOutput = [&](const std::string& out) {
    while (out.find("shown " + std::to_string(steps + 1) + "\n") != std::string::npos) {
      const std::string step = std::to_string(++steps);
      const Picture canvas = readBmp(dir / ("step" + step + ".bmp"));
      // Step 4 is full-screen on a display of another shape.
      const std::string difference = canvas.empty() ? "no front buffer saved" : windowDifference(canvas, steps == 4);
      if (!difference.empty()) differences += "step " + step + ": " + difference + "\n";
      std::ofstream(dir / ("next" + step));
    }
  };
  ProgramRun r = runProgram({vxrunPath(), modulePath("window")}, options);
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_EQ(r.err, "Program has ended\n");
  EXPECT_EQ(steps, 6);
  EXPECT_EQ(differences, "");
}

TEST(WindowPrograms, TheExampleRunsInAWindowAsItDoesHeadless) {
  ScratchDir windowed, headless;
  auto example = [](const ScratchDir& dir, bool window) {
    RunOptions options;
    options.windowed = window;
    options.environment = {"VX_DEBUG=1", "TMPDIR=" + dir.path()};
    return runProgram({vxrunPath(), VX_EXAMPLE_MODULE}, options);
  };
  const ProgramRun inWindow = example(windowed, true);
  const ProgramRun alone = example(headless, false);
  EXPECT_EQ(inWindow.err, alone.err);
  EXPECT_NE(inWindow.out.find("Triangles in the last 3D frame: "), std::string::npos) << inWindow.out;
  for (const char* file : {"hello.bmp", "hello3d.bmp", "hello_world.bmp"}) {
    const Picture shown = readBmp(windowed / file), drawn = readBmp(headless / file);
    EXPECT_FALSE(shown.empty()) << file;
    EXPECT_TRUE(shown.pixels == drawn.pixels) << file << " differs between the window and headless";
  }
}
