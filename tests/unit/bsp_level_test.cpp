// Levels: the real level 20kdm2 loaded whole (faces, leaves, batches,
// patches, visibility), its textures found where an unpacked archive keeps
// them, its lightmaps through the gamma curve, and copies of it truncated
// and damaged in every lump, which must load what they can and never
// break anything.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "engine3d/lower_case.h"
#include "engine3d/render_context.h"
#include "engine3d/world.h"
#include "platform/canvas.h"
#include "platform/graphics_device.h"
#include "platform/whole_file.h"
#include "recording_scene_device.h"
#include "temp_dir.h"
#include "world3d/bsp_model.h"
#include "world3d/bsp_patch.h"
#include "world3d/collision.h"
#include "world3d/vexel3d_module.h"

namespace {

using vx::BSPLevel;
using vx::Vector;

const std::vector<uint8_t>& levelFile() {
  static const std::vector<uint8_t> bytes = vx::readWholeFile(VX_TEST_LEVEL).value_or(std::vector<uint8_t>{});
  return bytes;
}

int32_t intAt(const std::vector<uint8_t>& bytes, size_t at) {
  int32_t v;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}
void setInt(std::vector<uint8_t>& bytes, size_t at, int32_t v) {
  if (at + 4 <= bytes.size()) std::memcpy(bytes.data() + at, &v, 4);
}
size_t lumpOffset(const std::vector<uint8_t>& bytes, int lump) { return static_cast<size_t>(intAt(bytes, 8 + 8 * lump)); }
size_t lumpLength(const std::vector<uint8_t>& bytes, int lump) { return static_cast<size_t>(intAt(bytes, 12 + 8 * lump)); }

// A point of the file's space in the engine's.
Vector fromQuake(float x, float y, float z) { return {-y, z, x}; }

// Everything the level holds names only what is there.
void expectConsistent(const BSPLevel& level, size_t fileSize) {
  for (const vx::BSPPart& part : level.parts) {
    ASSERT_LE(part.vertices.size(), 65536u);
    ASSERT_EQ(part.indices.size() % 3, 0u);
    for (uint16_t i : part.indices) ASSERT_LT(i, part.vertices.size());
    ASSERT_LE(static_cast<size_t>(part.firstFace + part.faceCount), level.faces.size());
    ASSERT_LT(static_cast<size_t>(part.batch), level.batches.size());
  }
  for (const vx::BSPBatch& batch : level.batches) {
    ASSERT_LT(batch.texture, static_cast<int32_t>(level.textures.size()));
    ASSERT_LT(batch.lightmap, static_cast<int32_t>(level.lightmaps.size()));
  }
  for (const vx::BSPFace& face : level.faces) {
    ASSERT_LT(static_cast<size_t>(face.part), level.parts.size());
    ASSERT_LE(static_cast<size_t>(face.firstTriangle + face.triangleCount),
              level.parts[face.part].indices.size() / 3);
  }
  for (const vx::BSPLeaf& leaf : level.leaves)
    ASSERT_LE(static_cast<size_t>(leaf.firstLeafFace + leaf.leafFaceCount), level.leafFaces.size());
  for (int32_t face : level.leafFaces) ASSERT_LT(face, static_cast<int32_t>(level.faces.size()));
  for (size_t i = 0; i < level.nodes.size(); ++i)
    for (int32_t child : level.nodes[i].children) {
      if (child >= 0) {
        ASSERT_TRUE(child > static_cast<int32_t>(i) && child < static_cast<int32_t>(level.nodes.size()));
      } else if (child != vx::BSPNode::kNoChild) {
        ASSERT_LT(-1 - child, static_cast<int32_t>(level.leaves.size()));
      }
    }
  ASSERT_EQ(level.visibility.size(), static_cast<size_t>(level.clusterCount) * level.bytesPerCluster);
  // Nothing grows beyond a small multiple of the file.
  ASSERT_TRUE(level.collider);
  ASSERT_LE(level.collider->triangles().size(), fileSize / 3 + 2 * 16 * (fileSize / 44));
  size_t drawn = 0;
  for (const vx::BSPPart& part : level.parts) drawn += part.vertices.size();
  ASSERT_LE(drawn, fileSize + 16 * (fileSize / 44));
}

// Renders the level from a few eyes and counts the triangles queued.
int64_t renderFrom(const std::shared_ptr<BSPLevel>& level, std::initializer_list<Vector> eyes) {
  vxtest::RecordingSceneDevice device;
  vx::BSPModel model(level);
  model.beginRender(1);
  model.prepare({});
  const vx::Frustum frustum(1, 10000, 2, 1.5f);
  int64_t triangles = 0;
  for (Vector eye : eyes) {
    const vx::Transform at{{}, eye};
    model.render({device, at, frustum.transformed(at)});
    device.draws.clear();
    model.flush(vx::Model::kOpaque, device);
    model.flush(vx::Model::kTransparent, device);
    for (const auto& draw : device.draws) triangles += draw.triangles;
  }
  return triangles;
}

const Vector kSpawn = fromQuake(896, 960, 256);  // a player's start, at eye height

TEST(BSPLevel, TheRealLevelLoadsItsFacesLeavesBatchesAndPatches) {
  const auto& file = levelFile();
  ASSERT_FALSE(file.empty()) << VX_TEST_LEVEL;
  std::shared_ptr<BSPLevel> level = vx::readBSPLevel(file, nullptr);
  ASSERT_TRUE(level);
  expectConsistent(*level, file.size());
  EXPECT_EQ(level->leaves.size(), 1697u);
  EXPECT_EQ(level->nodes.size(), 1695u);
  EXPECT_EQ(level->clusterCount, 791);
  EXPECT_EQ(level->bytesPerCluster, 104);
  // Of 2,895 faces: lava and player clips are not solid; caulk and sky
  // collide without being drawn.
  EXPECT_EQ(level->faces.size(), 2842u);
  EXPECT_EQ(level->batches.size(), 29u);
  EXPECT_EQ(level->collider->triangles().size(), 11810u);
  int64_t drawnTriangles = 0;
  for (const vx::BSPPart& part : level->parts) drawnTriangles += part.indices.size() / 3;
  EXPECT_EQ(drawnTriangles, 11796);

  // Every drawn triangle, of flat faces and of patches, faces where the
  // normals of its vertices point: the axes change keeps the file's
  // triangles facing out.
  int facing = 0, against = 0;
  for (const vx::BSPPart& part : level->parts)
    for (size_t i = 0; i < part.indices.size(); i += 3) {
      const vx::DeviceVertex* v[3] = {&part.vertices[part.indices[i]], &part.vertices[part.indices[i + 1]],
                                      &part.vertices[part.indices[i + 2]]};
      auto position = [](const vx::DeviceVertex* p) { return Vector{p->x, p->y, p->z}; };
      const Vector n = vx::cross(position(v[1]) - position(v[0]), position(v[2]) - position(v[0]));
      const Vector normals{v[0]->nx + v[1]->nx + v[2]->nx, v[0]->ny + v[1]->ny + v[2]->ny,
                           v[0]->nz + v[1]->nz + v[2]->nz};
      if (vx::length(n) < 1e-3f || vx::length(normals) < 0.1f) continue;
      ++(vx::dot(n, normals) > 0 ? facing : against);
    }
  // All but two slivers of the file, whose vertices carry the normals of
  // the faces they were cut from.
  EXPECT_GT(facing, 11000);
  EXPECT_LE(against, 2);

  // The axes are the engine's: the level's floor at the spawn lies below
  // the eye, and every leaf's bounds are ordered.
  for (const vx::BSPLeaf& leaf : level->leaves) {
    EXPECT_LE(leaf.min.x, leaf.max.x);
    EXPECT_LE(leaf.min.y, leaf.max.y);
    EXPECT_LE(leaf.min.z, leaf.max.z);
  }
}

TEST(BSPLevel, AnEyeInsideSeesOnlyWhatItsClusterSees) {
  std::shared_ptr<BSPLevel> level = vx::readBSPLevel(levelFile(), nullptr);
  ASSERT_TRUE(level);
  vx::BSPModel model(level);
  const int32_t leaf = model.leafAt(kSpawn);
  ASSERT_GE(leaf, 0);
  const int32_t cluster = level->leaves[leaf].cluster;
  ASSERT_GE(cluster, 0);
  EXPECT_TRUE(level->clusterVisible(cluster, cluster));
  int hidden = 0;
  for (int32_t c = 0; c < level->clusterCount; ++c) hidden += !level->clusterVisible(cluster, c);
  EXPECT_GT(hidden, 0);

  int64_t all = 0;
  for (const vx::BSPPart& part : level->parts) all += part.indices.size() / 3;
  // Looking along +z from the spawn: a few rooms, not the level.
  const int64_t seen = renderFrom(level, {kSpawn});
  EXPECT_GT(seen, 100);
  EXPECT_LT(seen, all / 2);
  // An eye outside every cluster hides nothing by visibility: from behind
  // the level, all of it lies in view.
  EXPECT_EQ(renderFrom(level, {fromQuake(-3000, 1408, 540)}), all);
}

TEST(BSPLevel, PatchesAreBezierGridsThroughTheirCornersAndEdges) {
  // Three by five control points on y = 0, the middle column raised to
  // y = 4: two patches side by side along x.
  std::vector<vx::DeviceVertex> controls;
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 5; ++column) {
      vx::DeviceVertex v{};
      v.x = static_cast<float>(column), v.z = static_cast<float>(row), v.y = column == 1 ? 4.0f : 0.0f;
      v.ny = 1;
      v.argb = column < 2 ? 0xFF000000u : 0xFFFFFFFFu;
      v.u1 = static_cast<float>(column);
      controls.push_back(v);
    }
  const vx::PatchGrid grid = vx::tessellatePatch(controls.data(), 5, 3);
  ASSERT_EQ(grid.columns, 17);
  ASSERT_EQ(grid.rows, 9);
  EXPECT_EQ(grid.vertices.size(), 153u);
  EXPECT_EQ(grid.triangles.size(), 256u);
  auto at = [&](int row, int column) { return grid.vertices[row * 17 + column]; };
  // Through the corners and the shared edge column, half way up the first
  // patch's bulge: (1/4 * 0 + 1/2 * 4 + 1/4 * 0).
  EXPECT_FLOAT_EQ(at(0, 0).x, 0);
  EXPECT_FLOAT_EQ(at(8, 16).x, 4);
  EXPECT_FLOAT_EQ(at(8, 16).z, 2);
  EXPECT_FLOAT_EQ(at(4, 8).x, 2);
  EXPECT_FLOAT_EQ(at(4, 4).y, 2);
  EXPECT_FLOAT_EQ(at(4, 12).y, 0);
  EXPECT_FLOAT_EQ(at(0, 4).u1, 1);
  EXPECT_EQ(at(0, 16).argb, 0xFFFFFFFFu);
  EXPECT_FLOAT_EQ(at(4, 4).ny, 1);
  for (const auto& t : grid.triangles)
    for (int32_t v : t) EXPECT_LT(v, 153);
  // Sizes that are not patches make nothing.
  EXPECT_EQ(vx::patchVertexCount(4, 3), 0);
  EXPECT_EQ(vx::patchVertexCount(1, 3), 0);
  EXPECT_TRUE(vx::tessellatePatch(controls.data(), 2, 3).vertices.empty());
  // The largest size a damaged face can claim is counted as it is, for the
  // loader to weigh against the file.
  EXPECT_EQ(vx::patchVertexCount(0x7FFFFFFF, 3), (int64_t{0x3FFFFFFF} * 8 + 1) * 9);
}

// A sphere swept from the spawn: down onto the floor (at file height 192),
// sideways into a wall; the level moved up moves its floor with it.
TEST(BSPLevel, SpheresSweptThroughTheLevelStopAtItsFloorAndWalls) {
  std::shared_ptr<BSPLevel> level = vx::readBSPLevel(levelFile(), nullptr);
  ASSERT_TRUE(level);
  vx::BSPModel model(level);
  const vx::CollisionLine down{kSpawn, {0, -200, 0}};
  vx::CollisionInfo floor;
  ASSERT_TRUE(model.collide(down, 10, floor, {}));
  EXPECT_NEAR(floor.time, (256.0f - 202.0f) / 200.0f, 1e-4f);
  EXPECT_NEAR(floor.normal.y, 1, 1e-4f);
  EXPECT_EQ(floor.surface, nullptr);
  EXPECT_EQ(floor.triangle, -1);

  vx::CollisionInfo raised;
  ASSERT_TRUE(model.collide(down, 10, raised, {{}, {0, 30, 0}}));
  EXPECT_NEAR(raised.time, (256.0f - 232.0f) / 200.0f, 1e-4f);

  // Towards the file's -y, the engine's +x: a wall, facing back.
  vx::CollisionInfo wall;
  ASSERT_TRUE(model.collide({kSpawn, {4000, 0, 0}}, 10, wall, {}));
  EXPECT_LT(wall.time, 1);
  EXPECT_LT(wall.normal.x, -0.9f);
  // From below the floor, nothing stops a sphere going up through it: only
  // fronts collide.
  vx::CollisionInfo under;
  EXPECT_FALSE(model.collide({{kSpawn.x, 150, kSpawn.z}, {0, 60, 0}}, 10, under, {}));
}

// Copies of the level cut short, with lumps that lie outside the file, and
// with indices and counts beyond what they name, each loaded and drawn
// from a few eyes.
TEST(BSPLevel, DamagedAndTruncatedLevelsLoadWhatTheyCanAndNeverBreak) {
  const std::vector<uint8_t>& original = levelFile();
  ASSERT_FALSE(original.empty());
  int loaded = 0, tried = 0;
  auto attempt = [&](const std::vector<uint8_t>& bytes) {
    ++tried;
    std::shared_ptr<BSPLevel> level = vx::readBSPLevel(bytes, nullptr);
    if (!level) return;
    ++loaded;
    expectConsistent(*level, bytes.size());
    renderFrom(level, {kSpawn, fromQuake(1920, 1728, 480), fromQuake(-3000, 1408, 540)});
  };

  // Cut short: in the header, at every lump's start, middle and end.
  for (size_t length : {size_t{0}, size_t{4}, size_t{8}, size_t{143}, size_t{144}})
    attempt({original.begin(), original.begin() + length});
  for (int lump = 0; lump < 17; ++lump)
    for (size_t at : {lumpOffset(original, lump), lumpOffset(original, lump) + lumpLength(original, lump) / 2,
                      lumpOffset(original, lump) + lumpLength(original, lump) - 1})
      if (at < original.size()) attempt({original.begin(), original.begin() + at});
  EXPECT_EQ(loaded, tried - 4);  // all but those without a whole header

  // Lumps that lie outside the file, over the header, or over each other.
  std::vector<uint8_t> bytes;
  for (int lump = 0; lump < 17; ++lump)
    for (auto [offset, length] : std::initializer_list<std::pair<int32_t, int32_t>>{
             {-1, 100}, {INT_MAX, 100}, {100, INT_MAX}, {0, 200}, {static_cast<int32_t>(original.size()) - 4, 8},
             {144, -8}, {static_cast<int32_t>(lumpOffset(original, (lump + 3) % 17)), 4096}}) {
      bytes = original;
      setInt(bytes, 8 + 8 * lump, offset);
      setInt(bytes, 12 + 8 * lump, length);
      attempt(bytes);
    }

  // Fields of entries set to what lies just outside, or far outside, what
  // they name: faces, leaves, nodes, planes, mesh vertices, leaf faces,
  // the visibility counts.
  struct Field {
    int lump;
    size_t entrySize;
    std::vector<size_t> offsets;
  };
  const Field fields[] = {
      {13, 104, {0, 8, 12, 16, 20, 24, 28, 96, 100}},
      {4, 48, {0, 32, 36}},
      {3, 36, {0, 4, 8}},
      {11, 4, {0}},
      {5, 4, {0}},
      {16, 1 << 30, {0, 4}},
  };
  std::mt19937 random(20);
  for (const Field& field : fields) {
    const size_t base = lumpOffset(original, field.lump), length = lumpLength(original, field.lump);
    const size_t entries = std::max<size_t>(1, length / std::min(field.entrySize, length));
    for (size_t offset : field.offsets)
      for (int32_t value : {-1, -2, INT_MIN, INT_MAX, static_cast<int32_t>(entries), static_cast<int32_t>(entries) + 1,
                            1 << 20, 3}) {
        bytes = original;
        // One entry at random, and every entry of a few.
        setInt(bytes, base + field.entrySize * (random() % entries) + offset, value);
        if (value != INT_MIN)
          for (size_t e = random() % 7; e < entries && field.entrySize < length; e += 1 + random() % 50)
            setInt(bytes, base + field.entrySize * e + offset, value);
        attempt(bytes);
      }
  }
  // Bytes overwritten at random all over the file.
  for (int round = 0; round < 40; ++round) {
    bytes = original;
    for (int n = 0; n < 200; ++n) bytes[144 + random() % (bytes.size() - 144)] = static_cast<uint8_t>(random());
    attempt(bytes);
  }
  // A wrong magic or version loads nothing.
  bytes = original;
  bytes[0] = 'X';
  EXPECT_FALSE(vx::readBSPLevel(bytes, nullptr));
  bytes = original;
  setInt(bytes, 4, 47);
  EXPECT_FALSE(vx::readBSPLevel(bytes, nullptr));
}

// Textures and lightmaps need a graphics device and a world's filters.
class BSPTextures : public ::testing::Test {
 protected:
  void SetUp() override {
    device = vx::GraphicsDevice::create(64, 48, 32, false, false);
    vx::startWorld3D(nullptr, device.get());
    std::filesystem::create_directories(dir / "maps");
    std::filesystem::copy_file(VX_TEST_LEVEL, dir / "maps/20kdm2.bsp");
    const std::filesystem::path unpacked = std::filesystem::path(VX_TEST_LEVEL).parent_path().parent_path();
    std::filesystem::create_directory_symlink(unpacked / "textures", dir / "textures");
  }
  void TearDown() override { vx::endWorld3D(); }

  std::unique_ptr<BSPLevel> load(float gamma = 0) {
    const vx::BSPTextureSource source{*device, vx::world3D()->textureFilters, dir / "maps/20kdm2.bsp", gamma};
    return vx::readBSPLevel(levelFile(), &source);
  }

  std::unique_ptr<vx::GraphicsDevice> device;
  vxtest::TempDir dir;
};

// A 2 by 2 uncompressed true-colour TGA of one colour.
void writeTga(const std::string& path, uint8_t red, uint8_t green, uint8_t blue) {
  uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0};
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  for (int i = 0; i < 4; ++i) out << blue << green << red;
}

TEST_F(BSPTextures, TexturesAreFoundInTheLevelsDirectoryThenByFullNameBesideAndAboveIt) {
  // Entry 12 is textures/e7/e7bigwall, 2 textures/e7/e7steptop2, 1
  // textures/e7/e7walldesign01b; the archive has them only as .jpg.
  writeTga(dir / "maps/e7bigwall.tga", 255, 0, 0);
  std::filesystem::create_directories(dir / "maps/textures/e7");
  std::filesystem::copy_file(dir / "textures/e7/e7bmtrim.jpg", dir / "maps/textures/e7/e7steptop2.jpg");
  std::unique_ptr<BSPLevel> level = load();
  ASSERT_TRUE(level);
  const std::string base = vx::lowerCase(dir.path());
  auto name = [&](int entry) { return level->textures.at(entry) ? level->textures[entry].name() : "(none)"; };
  EXPECT_EQ(name(12), base + "/maps/e7bigwall.tga");
  EXPECT_EQ(name(2), base + "/maps/textures/e7/e7steptop2.jpg");
  EXPECT_EQ(name(1), base + "/textures/e7/e7walldesign01b.jpg");
  EXPECT_GT(level->textures[1].frameCount(), 0);
  EXPECT_EQ(level->textures[1].coords(), 1);
  EXPECT_EQ(level->textures[12].frame(0)->getPixel(0, 0) & 0xFFFFFF, 0xFF0000u);
  // A drawn texture that is nowhere is kept, without an image.
  ASSERT_TRUE(level->textures[22]);  // models/mapobjects/timlamp/timlamp
  EXPECT_EQ(level->textures[22].frameCount(), 0);
  // Textures not drawn (caulk, clip) are not looked for.
  EXPECT_FALSE(level->textures[0]);
  EXPECT_EQ(level->lightmaps.size(), 11u);
}

TEST_F(BSPTextures, LightmapsTakeTheFileBytesThroughTheGammaCurve) {
  const std::vector<uint8_t>& file = levelFile();
  const size_t lightmaps = lumpOffset(file, 14);
  std::unique_ptr<BSPLevel> plain = load(0), bright = load(0.5f);
  ASSERT_TRUE(plain && bright);
  const vx::Texture& lightmap = plain->lightmaps.at(0);
  ASSERT_TRUE(lightmap);
  EXPECT_EQ(lightmap.blend(), vx::Texture::kAdd);
  EXPECT_EQ(lightmap.flags(), 57 | vx::kTextureCanvas);
  int brighter = 0;
  for (int y = 0; y < 128; y += 9)
    for (int x = 0; x < 128; x += 7) {
      const uint8_t* rgb = file.data() + lightmaps + 3 * (y * 128 + x);
      const uint32_t p = plain->lightmaps[0].frame(0)->getPixel(x, y), b = bright->lightmaps[0].frame(0)->getPixel(x, y);
      EXPECT_EQ(p, 0xFF000000u | uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2]);
      const int red = static_cast<int>(255 * std::sqrt(rgb[0] / 255.0));
      EXPECT_EQ(static_cast<int>(b >> 16 & 255), red);
      brighter += red > rgb[0];
    }
  EXPECT_GT(brighter, 100);
  // Gammas beyond 1 would divide by zero at black: the curve stays within
  // the byte.
  EXPECT_EQ(vx::lightmapGamma(0, 2), 255);
  EXPECT_EQ(vx::lightmapGamma(255, 2), 255);
  EXPECT_EQ(vx::lightmapGamma(0, 1), 255);
  EXPECT_EQ(vx::lightmapGamma(64, -1), 16);
}

}  // namespace
