// Animation advanced by UpdateWorld in a program.

#include <gtest/gtest.h>

#include "program_run.h"
#include "v3d_writer.h"

using vxtest::ProgramRun;
using vxtest::runModule;
using vxtest::ScratchDir;
using vxtest::V3DWriter;

TEST(AnimationPrograms, UpdateWorldPlaysSequencesTransitionsCopiesAndLoadedModels) {
  ScratchDir dir;
  V3DWriter w;
  w.file().node("walker").begin("ANIM").i(0).i(10).f(30).end();
  w.node("bone").begin("KEYS").i(1).i(0).f({0, 0, 0}).i(10).f({0, 5, 0}).end().end();
  w.end().end();
  w.save(dir / "walk.v3d");
  ProgramRun r = runModule("animation_update", {}, {"VX_DEBUG=1", "VX_TEST_DIR=" + dir.path()});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out,
            "30\n30\n"  // loop: 13 wraps to 3
            "75\n"      // ping-pong: 12.5 turns back to 7.5
            "0\n0\n"    // once, backwards: stops at 0
            "50\n1\n"   // half way through a transition of 4
            "60\n"      // the copy plays on its own
            "50\n"      // while the original goes on after its transition
            "15\n");    // the loaded bone rises
}
