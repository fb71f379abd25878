// Programs that play 3D sounds from entities to a listener, with OpenAL
// Soft writing what it plays to a WAV file.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "../unit/sound_media.h"
#include "program_run.h"

using vxtest::modulePath;
using vxtest::ProgramRun;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::ScratchDir;
using vxtest::vxrunPath;

namespace {

ProgramRun run(const ScratchDir& dir, const std::string& part, const std::string& output = "null") {
  RunOptions options;
  options.environment = {"VX_DEBUG=1", "VX_TEST_DIR=" + dir.path(), "ALSOFT_DRIVERS=" + output,
                         "ALSOFT_CONF=" + (dir / "alsoft.conf")};
  return runProgram({vxrunPath(), modulePath("sound3d"), part}, options);
}

// The part of what was heard from start to end seconds after it began.
vxtest::Heard slice(const vxtest::Heard& h, size_t first, double start, double end) {
  const size_t from = std::min(h.frames(), first + size_t(start * h.rate));
  const size_t to = std::min(h.frames(), first + size_t(end * h.rate));
  return {h.rate, {h.left.begin() + from, h.left.begin() + to}, {h.right.begin() + from, h.right.begin() + to}};
}

TEST(Sound3DPrograms, AnEmittedSoundFollowsItsEntityFromTheListenersLeftToItsRight) {
  ScratchDir dir;
  vxtest::writeSineWav(dir / "sine.wav", 440, 1.2);
  vxtest::writeFile(dir / "alsoft.conf", vxtest::waveOutputConfig(dir / "heard.wav"));
  ProgramRun r = run(dir, "follow", "wave");
  ASSERT_EQ(r.out, "1\n1\nfollow done\n") << r.err;
  vxtest::Heard h = vxtest::readWave(dir / "heard.wav");
  size_t first = 0;
  while (first < h.frames() && std::fabs(h.left[first]) < 0.01f && std::fabs(h.right[first]) < 0.01f) ++first;
  ASSERT_LT(first, h.frames());
  const vxtest::Heard left = slice(h, first, 0.1, 0.45), right = slice(h, first, 0.8, 1.1);
  EXPECT_GT(left.leftLevel(), 2 * left.rightLevel());
  EXPECT_GT(right.rightLevel(), 2 * right.leftLevel());
  EXPECT_NEAR(left.frequency(), 440, 10);
}

TEST(Sound3DPrograms, WithoutASoundDeviceTheListenerIsHarmless) {
  ScratchDir dir;
  vxtest::writeSineWav(dir / "sine.wav", 440, 0.2);
  ProgramRun r = run(dir, "nodevice", "no-such-output");
  EXPECT_EQ(r.err, "Program has ended\n");
  EXPECT_EQ(r.out, "1\nListener\n0\n0\n1\nno device done\n");
}

TEST(Sound3DPrograms, OneListenerAtATimeAndNoSoundWithoutOne) {
  ScratchDir dir;
  vxtest::writeSineWav(dir / "sine.wav", 440, 0.2);
  EXPECT_EQ(run(dir, "twice").err, "Listener already created\n");
  EXPECT_EQ(run(dir, "nolistener").err, "No Listener created\n");
}

}  // namespace
