// A program that builds, copies and frees entities in 3D modes, and what
// mode changes and the debugging flag do to them.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "program_run.h"

using vxtest::ProgramRun;
using vxtest::runModule;
using vxtest::ScratchDir;

TEST(EntityPrograms, HierarchiesMoveCopyAndGoWithTheMode) {
  ProgramRun r = runModule("entities", {"scene"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.out,
            "700\n0\n0\n"  // the hand, in the world
            "9000\nPivot\n1\n1\n"
            "300\n"  // the hand in the root's space
            "1\nhand\n"
            "700\n500\n0\n"  // the copy's hand, moved with it
            "700\n0\n0\n"    // unparented in place
            "1\n"
            "cleared\n");
  EXPECT_EQ(r.err, "Entity does not exist\n");
}

TEST(EntityPrograms, ModeChangesFreeTheWorld) {
  ProgramRun reopened = runModule("entities", {"modechange"});
  EXPECT_EQ(reopened.out, "reopened\n");
  EXPECT_EQ(reopened.err, "Entity does not exist\n");
  ProgramRun flat = runModule("entities", {"no3d"});
  EXPECT_EQ(flat.err, "3D Graphics mode not set\n");
}

TEST(EntityPrograms, WithoutTheDebuggerBadHandlesAreHarmless) {
  ScratchDir dir;
  ProgramRun r = runModule("entities", {"unchecked"}, {"VX_TEST_DIR=" + dir.path()});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.signal, 0);
  std::ifstream in(dir / "log.txt");
  const std::string log{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(log, "0\r\n0\r\n0\r\n1\r\n100\r\n200\r\n300\r\n");
}
