// Programs that load the real level 20kdm2 (unpacked as it stands, maps/
// beside textures/) and draw it headless: what the pictures saved with
// SaveBuffer show, how much the visibility data leaves out, copies, the
// checks, and damaged files.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "program_run.h"

using vxtest::ProgramRun;
using vxtest::runModule;

namespace {

const std::string kLevel = VX_TEST_MEDIA_DIR "/20kdm2/maps/20kdm2.bsp";
constexpr int kAllTriangles = 11796;  // drawn triangles of the whole level

std::vector<uint8_t> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The pixels of a 24-bit BMP as 0xRRGGBB, rows as they are stored.
std::vector<uint32_t> bmpPixels(const std::string& path) {
  const std::vector<uint8_t> bytes = fileBytes(path);
  if (bytes.size() < 54) return {};
  int32_t width, height, offset;
  std::memcpy(&offset, &bytes[10], 4);
  std::memcpy(&width, &bytes[18], 4);
  std::memcpy(&height, &bytes[22], 4);
  const size_t row = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint32_t> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &bytes[offset + y * row + 3 * x];
      pixels.push_back(uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
    }
  return pixels;
}

int brightness(uint32_t rgb) { return (rgb >> 16 & 255) + (rgb >> 8 & 255) + (rgb & 255); }

ProgramRun runLevel(const std::string& scenario, const std::string& out) {
  return runModule("bsp", {scenario}, {"VX_DEBUG=1", "VX_LEVEL=" + kLevel, "VX_OUT=" + out});
}

}  // namespace

TEST(BSPPrograms, ALevelDrawsTexturedAndLightmappedWallsOfWhatItsClusterSees) {
  vxtest::ScratchDir out;
  ProgramRun r = runLevel("render", out.path());
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  std::istringstream lines(r.out);
  int loaded = 0, inside = 0, outside = 0;
  std::string kind;
  lines >> loaded >> kind >> inside >> outside;
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(kind, "BSP");
  EXPECT_GT(inside, 100);
  EXPECT_LT(inside, kAllTriangles / 2);
  EXPECT_EQ(outside, kAllTriangles);

  const std::vector<uint32_t> lit = bmpPixels(out / "lit.bmp");
  const std::vector<uint32_t> unlit = bmpPixels(out / "unlit.bmp");
  const std::vector<uint32_t> ambient = bmpPixels(out / "ambient.bmp");
  ASSERT_EQ(lit.size(), 320u * 240u);
  ASSERT_EQ(unlit.size(), lit.size());
  ASSERT_EQ(ambient.size(), lit.size());
  // Walls everywhere, textured (many colours), lit by the lightmaps.
  std::set<uint32_t> colours(lit.begin(), lit.end());
  int dark = 0;
  long litSum = 0, unlitSum = 0, ambientSum = 0;
  int changed = 0;
  for (size_t i = 0; i < lit.size(); ++i) {
    dark += brightness(lit[i]) < 12;
    litSum += brightness(lit[i]);
    unlitSum += brightness(unlit[i]);
    ambientSum += brightness(ambient[i]);
    changed += lit[i] != unlit[i];
  }
  // The lightmaps are added to a black ambient and multiply the textures:
  // dim walls, darker than the textures alone, but seen over most of the
  // picture.
  EXPECT_LT(dark, static_cast<int>(lit.size() / 2));
  EXPECT_GT(colours.size(), 200u);
  EXPECT_LT(litSum * 4, ambientSum);
  // Without lightmaps the vertex colours light it: another picture; a
  // white ambient adds to them.
  EXPECT_GT(changed, static_cast<int>(lit.size() / 2));
  EXPECT_GT(unlitSum, 0);
  EXPECT_GT(ambientSum, unlitSum);
  EXPECT_GT(litSum, 0);
}

TEST(BSPPrograms, CopiesShareTheLevelAndOutliveTheOriginal) {
  vxtest::ScratchDir out;
  ProgramRun r = runLevel("copies", out.path());
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, "BSP\n1\n1\n");
}

TEST(BSPPrograms, ASphereLandsOnTheLevelsFloorAndALinePicksIt) {
  vxtest::ScratchDir out;
  ProgramRun r = runLevel("collide", out.path());
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, "202\n1\n1\n232\n1\n222\n1\n");
}

TEST(BSPPrograms, ChecksOfTheLevelCommands) {
  vxtest::ScratchDir out;
  EXPECT_EQ(runLevel("nomode", out.path()).err, "3D Graphics mode not set\n");
  EXPECT_EQ(runLevel("noparent", out.path()).err, "Parent entity does not exist\n");
  EXPECT_EQ(runLevel("notmodel", out.path()).err, "Entity is not a model\n");
  EXPECT_EQ(runLevel("notbsp", out.path()).err, "Entity is not a BSP Model\n");
}

TEST(BSPPrograms, DamagedLevelsLoadWhatTheyCanOrNothing) {
  vxtest::ScratchDir out;
  const std::vector<uint8_t> level = fileBytes(kLevel);
  ASSERT_GT(level.size(), 144u);
  auto write = [&](const std::string& name, std::vector<uint8_t> bytes) {
    std::ofstream(out / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  };
  auto setInt = [](std::vector<uint8_t>& bytes, size_t at, int32_t v) { std::memcpy(&bytes[at], &v, 4); };
  write("truncated.bsp", {level.begin(), level.begin() + level.size() / 2});
  std::vector<uint8_t> header = level;
  header[3] = 'Q';
  write("header.bsp", header);
  std::vector<uint8_t> lumps = level;
  for (int lump = 0; lump < 17; ++lump) setInt(lumps, 8 + 8 * lump + 4 * (lump % 2), lump % 3 ? -7 : 0x7FFFFFF0);
  write("lumps.bsp", lumps);
  // Every face names texture 1000, lightmap 99 and vertex -5.
  std::vector<uint8_t> indices = level;
  int32_t faces, faceBytes;
  std::memcpy(&faces, &level[8 + 8 * 13], 4);
  std::memcpy(&faceBytes, &level[12 + 8 * 13], 4);
  for (int32_t f = 0; f < faceBytes / 104; f += 2) {
    setInt(indices, faces + 104 * f, 1000);
    setInt(indices, faces + 104 * f + 28, 99);
    setInt(indices, faces + 104 * f + 12, -5);
  }
  write("indices.bsp", indices);
  ProgramRun r = runLevel("damaged", out.path());
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, "1\n0\n1\n1\n0\nsurvived\n");
}
