// Programs that make, load, change and draw terrains headless, and load
// heightmap files that are odd, damaged or cut short.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "program_run.h"

using vxtest::ProgramRun;
using vxtest::runModule;
using vxtest::ScratchDir;

namespace {

const std::string kMedia = std::string(VX_TEST_MEDIA_DIR) + "/";

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A 24-bit BMP of the size, grey levels rising along x.
std::vector<uint8_t> greyBmp(int width, int height) {
  const uint32_t row = (uint32_t(width) * 3 + 3) & ~3u;
  std::vector<uint8_t> b(54 + row * height, 0);
  b[0] = 'B', b[1] = 'M';
  put32(b, 2, uint32_t(b.size()));
  put32(b, 10, 54);
  put32(b, 14, 40);
  put32(b, 18, uint32_t(width));
  put32(b, 22, uint32_t(height));
  b[26] = 1, b[28] = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) b[54 + y * row + x * 3 + c] = uint8_t(x * 4);
  return b;
}

// The 24-bit BMP the back buffer was saved as: pixels as 0xRRGGBB, top row
// first.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[y * width + x]; }
};

Picture readBmp(const std::string& path) {
  const std::vector<uint8_t> b = readFile(path);
  Picture p;
  if (b.size() < 54) return p;
  auto get32 = [&b](size_t at) { return uint32_t(b[at]) | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; };
  p.width = int(get32(18)), p.height = int(get32(22));
  const uint32_t row = (uint32_t(p.width) * 3 + 3) & ~3u;
  if (b.size() < 54 + row * p.height) return Picture{};
  for (int y = p.height - 1; y >= 0; --y)
    for (int x = 0; x < p.width; ++x) {
      const uint8_t* q = &b[54 + y * row + x * 3];
      p.pixels.push_back(uint32_t(q[2]) << 16 | q[1] << 8 | q[0]);
    }
  return p;
}

ProgramRun loadFile(const std::string& path, bool debugged = true) {
  std::vector<std::string> environment{"TERRAIN_FILE=" + path};
  if (debugged) environment.push_back("VX_DEBUG=1");
  return runModule("terrain", {"load"}, environment);
}

}  // namespace

TEST(TerrainPrograms, HeightsWrapAndHoldToTheirRangeAndSurfacePointsFollowTheEntity) {
  ProgramRun r = runModule("terrain", {"basics"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "Program has ended\n");
  EXPECT_EQ(r.out,
            "128\nTerrain\n1\n"
            "1\n1\n"        // wrapped, off the grid
            "1\n255000\n"   // 127/255, held to 1 and 0
            "255\n"         // beside a change made off the grid
            "1100\n12100\n-3000\n"
            "255127\n128\n");  // a copy's heights are its own
}

TEST(TerrainPrograms, ChecksWithAndWithoutTheDebugger) {
  EXPECT_EQ(runModule("terrain", {"illegal"}).err, "Illegal terrain size\n");
  EXPECT_EQ(runModule("terrain", {"nomode"}).err, "3D Graphics mode not set\n");
  EXPECT_EQ(runModule("terrain", {"notmodel"}).err, "Entity is not a model\n");
  EXPECT_EQ(runModule("terrain", {"notterrain"}).err, "Entity is not a terrain\n");
  EXPECT_EQ(runModule("terrain", {"noparent"}).err, "Parent entity does not exist\n");
  // Without it other entities are passed over; the size is still refused.
  EXPECT_EQ(runModule("terrain", {"lenient"}, {}).err, "Error!: Illegal terrain size\n");
  EXPECT_EQ(runModule("terrain", {"nomode"}, {}).err, "");  // nothing made without a 3D mode
}

TEST(TerrainPrograms, FlatGroundIsTwoTrianglesAtAnyDetail) {
  ProgramRun r = runModule("terrain", {"flat"});
  EXPECT_EQ(r.out, "2\n22\n16711680\n");
}

TEST(TerrainPrograms, AChangeSplitsTheGroundAtTheNextFrameOrAtOnce) {
  EXPECT_EQ(runModule("terrain", {"modify"}).out, "2\n1\n2\n");
}

TEST(TerrainPrograms, BallsStopOnOrSlideDownASlopeAndMeetABumpRaisedAtOnce) {
  EXPECT_EQ(runModule("terrain", {"slide"}).out, "830\n901\n1\n1\n1644\n");
}

TEST(TerrainPrograms, ShadedNormalsFollowTheSlope) {
  EXPECT_EQ(runModule("terrain", {"shading"}).out, "1\n1\n1\n");
}

TEST(TerrainPrograms, MoreVerticesThanSixteenBitIndicesReachAreDrawnWithoutHoles) {
  EXPECT_EQ(runModule("terrain", {"fine"}).out, "1\n0\n1\n");
}

TEST(TerrainPrograms, TheMediaHeightmapReadsBackAndDrawsTexturedWithinItsDetail) {
  ScratchDir dir;
  const std::string out = dir / "frame.bmp";
  ProgramRun r = runModule("terrain", {"heightmap"}, {"VX_DEBUG=1", "TERRAIN_MEDIA=" + kMedia, "TERRAIN_OUT=" + out});
  EXPECT_EQ(r.err, "Program has ended\n");
  EXPECT_EQ(r.out, "256\n0\n1\n1\n1\n1\n1\n");
  const Picture p = readBmp(out);
  ASSERT_EQ(p.width, 160);
  ASSERT_EQ(p.height, 120);
  // Sky over the far edge, ground textured in many colours at the bottom.
  EXPECT_EQ(p.at(80, 0), 0x0000FFu);
  std::set<uint32_t> colours;
  int sky = 0;
  for (int y = 80; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      colours.insert(p.at(x, y));
      sky += p.at(x, y) == 0x0000FF;
    }
  EXPECT_EQ(sky, 0);
  EXPECT_GT(colours.size(), 50u);
}

TEST(TerrainPrograms, HeightmapsOfTheWrongShapeOrMissingAreRefusedWithOrWithoutTheDebugger) {
  ScratchDir dir;
  writeFile(dir / "wide.bmp", greyBmp(64, 32));
  writeFile(dir / "odd.bmp", greyBmp(48, 48));
  writeFile(dir / "one.bmp", greyBmp(1, 1));
  writeFile(dir / "small.bmp", greyBmp(16, 16));
  EXPECT_EQ(loadFile(dir / "wide.bmp").err, "Terrain must be square\n");
  EXPECT_EQ(loadFile(dir / "odd.bmp").err, "Illegal terrain size\n");
  EXPECT_EQ(loadFile(dir / "missing.bmp").err, "Unable to load heightmap image\n");
  EXPECT_EQ(loadFile(dir / "missing.bmp", false).err, "Error!: Unable to load heightmap image\n");
  EXPECT_EQ(loadFile(dir / "odd.bmp", false).err, "Error!: Illegal terrain size\n");
  EXPECT_EQ(loadFile(dir / "one.bmp").out, "1\n0\n");
  // Sixteen columns rising by 4 each, the same in every row.
  EXPECT_EQ(loadFile(dir / "small.bmp").out, "16\n7680\n");
}

TEST(TerrainPrograms, DamagedHeightmapsLoadWhatTheyCanOrAreRefused) {
  ScratchDir dir;
  const std::vector<uint8_t> real = readFile(kMedia + "terrain-heightmap.bmp");
  ASSERT_GT(real.size(), 1000u);
  std::vector<std::vector<uint8_t>> damaged;
  for (size_t length : {size_t(0), size_t(2), size_t(14), size_t(40), size_t(54), size_t(60), real.size() / 2,
                        real.size() - 1})
    damaged.emplace_back(real.begin(), real.begin() + length);
  auto patched = [&](size_t at, uint32_t value) {
    std::vector<uint8_t> b = real;
    put32(b, at, value);
    damaged.push_back(b);
  };
  patched(18, 0x7FFFFFFF);  // width
  patched(22, 0x80000001);  // height
  patched(18, 1u << 20);
  patched(10, 0xFFFFFF00);  // where the pixels start
  patched(28, 0xFFFF);      // bits per pixel
  patched(30, 7);           // compression
  patched(46, 0x7FFFFFFF);  // palette size
  std::vector<uint8_t> noisy = real;
  for (size_t i = 54; i < noisy.size(); i += 97) noisy[i] ^= 0x5A;
  damaged.push_back(noisy);

  const std::set<std::string> refusals{"Unable to load heightmap image\n", "Terrain must be square\n",
                                       "Illegal terrain size\n"};
  for (size_t i = 0; i < damaged.size(); ++i) {
    const std::string path = dir / ("damaged" + std::to_string(i) + ".bmp");
    writeFile(path, damaged[i]);
    ProgramRun r = loadFile(path);
    EXPECT_EQ(r.signal, 0) << i;
    if (r.err == "Program has ended\n") {
      const int size = std::stoi(r.out);
      EXPECT_TRUE(size > 0 && (size & (size - 1)) == 0) << i << ": " << r.out;
    } else {
      EXPECT_TRUE(refusals.count(r.err)) << i << ": " << r.err;
    }
  }
}
