// Programs that play MD2 models through UpdateWorld and sweep collisions
// through them.

#include <gtest/gtest.h>

#include "program_run.h"

using vxtest::ProgramRun;
using vxtest::runModule;

namespace {

ProgramRun run(const std::string& scenario) {
  return runModule("md2_world", {scenario}, {"VX_DEBUG=1", "VX_MEDIA=" + std::string(VX_TEST_MEDIA_DIR)});
}

}  // namespace

TEST(MD2WorldPrograms, PlaybackAdvancesOncePerUpdateOfEnabledModels) {
  ProgramRun r = run("playback");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out,
            "50\n250\n50\n"  // half a frame an update of 1, the loop closing past 9
            "50\n"           // hidden, not animated
            "1\n2000\n"      // a transition of ten updates holds the new range's start
            "2050\n");       // the tenth ends it, and the range plays on
}

TEST(MD2WorldPrograms, PolygonCollisionsPassThroughMD2Models) {
  ProgramRun r = run("collisions");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "0\n10000\n1\n1\n1\n");
}
