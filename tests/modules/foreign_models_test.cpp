// Programs that load X files written here and the real X and 3DS files of
// the test media, render them headless and read the back buffer.

#include <gtest/gtest.h>

#include <string>

#include "program_run.h"
#include "x_writer.h"

using vxtest::ProgramRun;
using vxtest::runModule;
using vxtest::ScratchDir;
using vxtest::XWriter;

namespace {

ProgramRun runIn(const ScratchDir& dir, const std::string& scenario) {
  return runModule("foreign_models", {scenario},
                   {"VX_DEBUG=1", "VX_TEST_DIR=" + dir.path(), std::string("VX_MEDIA_DIR=") + VX_TEST_MEDIA_DIR});
}

// A quad from (left, -2) to (right, 2) facing the camera, drawn with a
// dark red material that names green.bmp.
void quad(const std::string& path, double left, double right) {
  XWriter x(XWriter::kText);
  x.open("Mesh", "quad").ints({4}).floats({left, -2, 0, left, 2, 0, right, 2, 0, right, -2, 0});
  x.ints({1, 4, 0, 1, 2, 3});
  x.open("MeshMaterialList").ints({1, 1, 0}).open("Material").floats({0.2, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
  x.open("TextureFilename").string("green.bmp").close().close().close();
  x.open("MeshTextureCoords").ints({4}).floats({0, 1, 0, 0, 1, 0, 1, 1}).close();
  x.close();
  XWriter::save(x.bytes(), path);
}

}  // namespace

TEST(ForeignModelPrograms, ATexturedMaterialShowsItsTextureUnmodulated) {
  ScratchDir dir;
  quad(dir / "quad.x", -2, 2);
  ProgramRun r = runIn(dir, "textured");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "65280\n");
}

TEST(ForeignModelPrograms, AMirroringLoaderMatrixKeepsFacesFrontFacing) {
  ScratchDir dir;
  quad(dir / "half.x", 0, 2);
  ProgramRun r = runIn(dir, "mirror");
  EXPECT_EQ(r.exitStatus, 0);
  // Untextured (no green.bmp here), the quad is its material's dark red.
  EXPECT_EQ(r.out, "3342336\n0\n");
}

TEST(ForeignModelPrograms, TheRealGlobeAndRoomLoadAndDraw) {
  ScratchDir dir;
  ProgramRun r = runIn(dir, "media");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, std::string(VX_TEST_MEDIA_DIR) + "/earth.jpg\n1\n1\n");
}
