// Programs that load, draw, transform and collide images, write text in
// installed fonts and use the console, checked through what they read back
// from their buffers.

#include <gtest/gtest.h>

#include <fstream>

#include "program_run.h"

using vxtest::modulePath;
using vxtest::ProgramRun;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::ScratchDir;
using vxtest::vxrunPath;

namespace {

ProgramRun run(const ScratchDir& dir, const std::string& program, const std::string& scenario,
               std::vector<std::string> env = {"VX_DEBUG=1"}) {
  RunOptions options;
  env.push_back("VX_TEST_DIR=" + dir.path());
  options.environment = std::move(env);
  return runProgram({vxrunPath(), modulePath(program), scenario}, options);
}

void expectRun(const std::string& program, const std::string& scenario, const std::string& out,
               const std::string& err = "Program has ended\n") {
  SCOPED_TRACE(program + " " + scenario);
  ScratchDir dir;
  ProgramRun r = run(dir, program, scenario);
  // An error message ends a program with status 1.
  EXPECT_EQ(r.exitStatus, err.empty() || err == "Program has ended\n" ? 0 : 1);
  EXPECT_EQ(r.err, err);
  EXPECT_EQ(r.out, out);
}

}  // namespace

TEST(ImagePrograms, AnimationSheetsAreCutInCellOrder) {
  expectRun("images", "anim", "16\n130\n150\n8\n0\nsurvived\n");
  // These three are errors with or without the debugging flag.
  expectRun("images", "too_few", "", "Not enough frames in bitmap\n");
  expectRun("images", "no_count", "", "Illegal frame count\n");
  expectRun("images", "bad_first", "", "Illegal first frame\n");
  ScratchDir dir;
  ProgramRun r = run(dir, "images", "too_few", {});
  EXPECT_EQ(r.err, "Error!: Not enough frames in bitmap\n");
}

TEST(ImagePrograms, TransformsKeepHandlesAndMovePixelsExactly) {
  expectRun("images", "transforms",
            // ScaleImage 2,2 of 10 by 20, handle (0, 0) and (5, 10)
            "20\n40\n0\n20\n10\n20\n"
            // doubled without filtering; turned a quarter: 3 by 5, handle (3, 1)
            "1\n3\n5\n3\n1\n"
            // ResizeImage of a flat colour with filtering
            "16\n24\n51200\nsurvived\n");
}

TEST(ImagePrograms, DrawingMasksTilesGrabsAndFrees) {
  expectRun("images", "drawing",
            "255\n16711680\n0\n"         // masked, solid
            "255\n0\n16711680\n"         // another mask colour; a rectangle less the handle
            "16711680\n16711680\n0\n"    // tiles aligned to (1, 1)
            "16711680\n"                 // grabbed
            "1\n1\n4\n0\n1\nsurvived\n");  // freed while current, saved, loaded
}

TEST(ImagePrograms, CollisionsArePixelExactWhereAsked) {
  expectRun("images", "collisions", "1\n0\n1\n0\n1\n1\n0\n1\n0\n1\nsurvived\n");
}

TEST(ImagePrograms, ModeChangesFreeImages) {
  expectRun("images", "after_mode_change", "", "Image does not exist\n");
  expectRun("images", "bad_frame", "", "Image frame out of range\n");
  ScratchDir dir;
  ProgramRun r = run(dir, "images", "after_mode_change", {});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.err, "");
}

TEST(TextPrograms, TextInTheDrawColourAndFontsByNameAndFile) {
  expectRun("text", "text",
            "12\n1\n"         // the default font: 12 high, monospaced
            "1\n0\n1\n0\n"    // red text; black text drawn as 0x000010
            "1\n20\n20\n1\n1\n"  // a proportional face by name
            "1\n1\n"          // centred
            "1\n0\n12\nsurvived\n");
  expectRun("text", "bad_font", "", "Font does not exist\n");
}

TEST(TextPrograms, TheConsoleOpensAWindowAndScrolls) {
  expectRun("text", "console", "400\n300\n1\n64\nsurvived\n");
}

TEST(TextPrograms, InputEditsALine) {
  ScratchDir dir;
  const std::string playback = dir / "keys.txt";
  std::ofstream keys(playback);
  int t = 400;
  for (int code : {30, 48, 46, 203, 203, 14, 211, 45, 28}) {
    keys << t << " key_down " << code << "\n" << t + 30 << " key_up " << code << "\n";
    t += 100;
  }
  keys.close();
  ProgramRun r = run(dir, "text", "input", {"VX_DEBUG=1", "VX_INPUT_PLAYBACK=" + playback});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "got:xc\nsurvived\n");
}
