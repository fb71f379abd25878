// A program that renders an MD2 model of the test media; what it drew is
// read back from the frames it saved.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "pictures.h"
#include "program_run.h"

using vxtest::Picture;
using vxtest::ProgramRun;
using vxtest::readBmp;
using vxtest::runModule;
using vxtest::ScratchDir;

namespace {

constexpr uint32_t kBackground = 0x000040;

// What of a rendered picture is the model: its box, size, brightness and
// number of colours.
struct Figure {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, pixels = 0;
  double brightness = 0;
  size_t colours = 0;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

Figure figureIn(const Picture& b) {
  Figure f;
  std::set<uint32_t> colours;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      const uint32_t c = b.at(x, y);
      if (c == kBackground) continue;
      f.left = std::min(f.left, x), f.right = std::max(f.right, x);
      f.top = std::min(f.top, y), f.bottom = std::max(f.bottom, y);
      ++f.pixels;
      f.brightness += ((c >> 16 & 255) + (c >> 8 & 255) + (c & 255)) / 3.0;
      colours.insert(c);
    }
  if (f.pixels) f.brightness /= f.pixels;
  f.colours = colours.size();
  return f;
}

}  // namespace

TEST(MD2Programs, AFrameRendersLitAndTexturedFacingOut) {
  ScratchDir dir;
  ProgramRun r = runModule("md2", {},
                           {"VX_DEBUG=1", "VX_MEDIA=" + std::string(VX_TEST_MEDIA_DIR), "VX_TEST_DIR=" + dir.path()});
  EXPECT_EQ(r.exitStatus, 0);
  // Triangles facing away are never sent to the device, unless the model
  // draws back faces too; what is seen stays the same.
  EXPECT_EQ(r.out, "MD2\n198\n305\n679\n");
  EXPECT_TRUE(readBmp(dir / "white.bmp").pixels == readBmp(dir / "both_sides.bmp").pixels);

  // Lit from the camera with no ambient light: only faces turned to the
  // camera are bright, so the drawn faces are the outer ones.
  const Figure white = figureIn(readBmp(dir / "white.bmp"));
  EXPECT_GT(white.brightness, 150);

  const Figure standing = figureIn(readBmp(dir / "stand.bmp"));
  EXPECT_EQ(standing.pixels, white.pixels);
  // At 70 units a 55-unit figure is about 63 of 120 rows, a third as wide.
  EXPECT_GT(standing.height(), 55);
  EXPECT_LT(standing.height(), 75);
  EXPECT_GT(standing.height(), 2 * standing.width());
  EXPECT_NEAR((standing.left + standing.right) / 2.0, 80, 10);
  EXPECT_GT(standing.colours, 100u);  // the skin, not one colour
  EXPECT_LT(standing.brightness, white.brightness / 2);  // a dark suit

  const Figure lying = figureIn(readBmp(dir / "lying.bmp"));
  EXPECT_GT(lying.pixels, 100);
  EXPECT_LT(lying.top, standing.bottom);
  EXPECT_GT(lying.top, standing.top + standing.height() / 2);  // on the ground

  const Figure copy = figureIn(readBmp(dir / "copy.bmp"));
  EXPECT_EQ(copy.height(), standing.height());
  EXPECT_GT(copy.left, 80);
}
