// Programs that load V3D model files written here chunk by chunk, render
// them headless and read the back buffer.

#include <gtest/gtest.h>

#include <string>

#include "program_run.h"
#include "v3d_writer.h"

using vxtest::ProgramRun;
using vxtest::runModule;
using vxtest::ScratchDir;
using vxtest::V3DWriter;

namespace {

std::string lowerCase(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

ProgramRun runIn(const ScratchDir& dir, const std::string& scenario) {
  return runModule("models", {scenario}, {"VX_DEBUG=1", "VX_TEST_DIR=" + dir.path()});
}

// A full-bright quad from (-2, -2) to (2, 2) facing the camera, drawn
// with brush 0.
void quad(V3DWriter& w) {
  w.begin("MESH").n(0);
  w.positions({-2, -2, 0, 0, 1, -2, 2, 0, 0, 0, 2, 2, 0, 1, 0, 2, -2, 0, 1, 1});
  w.triangles(-1, {0, 1, 2, 0, 2, 3});
  w.end();
}

}  // namespace

TEST(ModelPrograms, TexturesAreFoundBesideTheModelWhileItLoads) {
  ScratchDir dir;
  V3DWriter w;
  w.file();
  w.begin("TEXS").s("c:\\models\\red.bmp").i(1).i(2).f({0, 0, 1, 1, 0}).end();
  w.begin("BRUS").i(1).s("lit").f({1, 1, 1, 1, 0}).i(0).i(1 + 16).i(0).end();
  w.node("quad");
  quad(w);
  w.end().end();
  w.save(dir / "textured.v3d");
  ProgramRun r = runIn(dir, "textured");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "1\n16711680\n" + lowerCase(dir.path() + "/") + "red.bmp\n0\n");
}

TEST(ModelPrograms, ASkinnedMeshIsDrawnWhereItsBonesAre) {
  ScratchDir dir;
  V3DWriter w;
  w.file();
  w.begin("BRUS").i(0).s("green").f({0, 1, 0, 1, 0}).i(0).i(1 + 16).end();
  w.node("skin");
  w.begin("ANIM").i(0).i(10).f(30).end();
  quad(w);
  w.node("left").begin("BONE").i(0).f(1).i(1).f(1).end();
  w.begin("KEYS").i(1).i(0).f({0, 0, 0}).i(10).f({0, 2, 0}).end().end();
  w.end().end();
  w.save(dir / "skinned.v3d");
  ProgramRun r = runIn(dir, "skinned");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out,
            "0\n65280\n"   // above the quad, on it
            "65280\n0\n"   // its left side raised
            "0\n");        // and back
}

TEST(ModelPrograms, PlayingAnEntityWithoutAnimationEndsTheProgramWithoutTheDebuggerToo) {
  ProgramRun r = runModule("models", {"notanimated"}, {});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Error!: Entity has no animation\n");
}
