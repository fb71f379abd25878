// Programs that render sprites, mirrors and planes headless through OpenGL
// and read back what the back buffer holds.

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "pictures.h"
#include "program_run.h"

using vxtest::Picture;
using vxtest::ProgramRun;
using vxtest::readBmp;
using vxtest::runModule;
using vxtest::ScratchDir;

namespace {

std::vector<int> numbers(const std::string& out) {
  std::istringstream in(out);
  std::vector<int> values;
  for (int v; in >> v;) values.push_back(v);
  return values;
}

// One unit at the centre of the view is 12.8 pixels: a quad two units
// across covers about 26 of them.
constexpr int kUnitQuad = 26;

}  // namespace

TEST(SpritePrograms, ViewModesTurnTheQuadTowardsTheCamera) {
  ProgramRun r = runModule("sprites", {"modes"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  const std::vector<int> v = numbers(r.out);
  ASSERT_EQ(v.size(), 16u) << r.out;
  EXPECT_NEAR(v[0], kUnitQuad, 2);  // mode 1 faces the camera whatever its own turn
  EXPECT_NEAR(v[1], kUnitQuad, 2);
  EXPECT_EQ(v[2], 1);               // mode 2 keeps its turn: edge on
  EXPECT_NEAR(v[3], 2 * kUnitQuad, 2);  // wide in mode 1 though rolled
  EXPECT_NEAR(v[4], kUnitQuad / 2, 2);
  EXPECT_NEAR(v[5], kUnitQuad / 2, 2);  // mode 3 keeps its own up: tall
  EXPECT_NEAR(v[6], 2 * kUnitQuad, 2);
  EXPECT_NEAR(v[7], kUnitQuad / 2, 2);  // an unknown mode is mode 2
  EXPECT_NEAR(v[8], 2 * kUnitQuad, 2);
  EXPECT_EQ(v[9], 1);                   // mode 2 seen from the side
  EXPECT_NEAR(v[10], kUnitQuad, 2);     // mode 4 turns to face it
  EXPECT_NEAR(v[11], kUnitQuad, 2);
  // From above at 45 degrees: mode 1 tilts towards the camera, mode 4
  // stands upright, as wide but shorter.
  EXPECT_NEAR(v[14], v[12], 2);
  EXPECT_LT(v[15], v[13] - 4);
}

TEST(SpritePrograms, HandleRotationScalesAndTweening) {
  ProgramRun r = runModule("sprites", {"shape"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  const std::vector<int> v = numbers(r.out);
  ASSERT_EQ(v.size(), 7u) << r.out;
  EXPECT_EQ(v[0], 1);  // above the position
  EXPECT_EQ(v[1], 0);  // nothing below it
  EXPECT_NEAR(v[2], 2 * kUnitQuad, 2);  // scaled wide
  EXPECT_NEAR(v[3], kUnitQuad / 2, 2);
  EXPECT_NEAR(v[4], kUnitQuad / 2, 2);  // a quarter turn: tall
  EXPECT_NEAR(v[5], 2 * kUnitQuad, 2);
  EXPECT_NEAR(v[6], 2 * kUnitQuad, 2);  // half way from scale 1 to 3
}

TEST(SpritePrograms, TheSharedBufferGrowsAndSpritesOutOfViewAreSkipped) {
  ProgramRun r = runModule("sprites", {"many"});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out,
            "514\n1\n"  // 257 sprites, the last in a slot beyond the first 256
            "2\n1\n"    // one sprite once every other was freed
            "0\n"       // behind the camera
            "2\n1\n");  // larger than the view on every side
}

TEST(SpritePrograms, AParticleTextureGlowsAddedOntoTheBackground) {
  ProgramRun r = runModule("sprites", {"particle"}, {"VX_DEBUG=1", std::string("VX_TEST_MEDIA_DIR=") + VX_TEST_MEDIA_DIR});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, "1\n1\n1\n0\n");
}

TEST(MirrorPrograms, WhatIsAboveTheMirrorShowsReflectedAndNothingBelowIt) {
  ProgramRun r = runModule("sprites", {"mirror"});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out,
            "800\n800\n"  // the red cube and its reflection
            "0\n"         // the green cube below the mirror is not reflected
            "8\n880\n8\n880\n"
            "56\n"        // two cubes and two sprites, each in both passes
            "Mirror\n");
}

TEST(PlanePrograms, APlaneReachesTheHorizonAndTilesItsTexture) {
  ScratchDir dir;
  ProgramRun r = runModule("sprites", {"plane", dir / "horizon.bmp"});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out,
            "1\n1\nPlane\n"
            "800\n8\n800\n8\n"  // red and blue halves, the next tile, the one before
            "800\n800\n");      // the same across the whole height of the view
  // Seen from height 1, the plane covers every pixel below the horizon, in
  // every column, without a gap between its cells, and nothing above it.
  Picture b = readBmp(dir / "horizon.bmp");
  ASSERT_EQ(b.width, 128);
  for (int x = 0; x < b.width; ++x)
    for (int y = 0; y < b.height; ++y) {
      if (y >= 47 && y <= 49) continue;
      ASSERT_EQ(b.at(x, y), y < 48 ? 0u : 0x00FF00u) << x << ", " << y;
    }
}

TEST(SpritePrograms, ChecksWithTheDebugger) {
  EXPECT_EQ(runModule("sprites", {"notmodel"}).err, "Entity is not a model\n");
  EXPECT_EQ(runModule("sprites", {"notsprite"}).err, "Entity is not a sprite\n");
  EXPECT_EQ(runModule("sprites", {"segments"}).err, "Illegal number of segments\n");
  ProgramRun quiet = runModule("sprites", {"segments"}, {});
  EXPECT_EQ(quiet.exitStatus, 0);
  EXPECT_EQ(quiet.err, "");
}
