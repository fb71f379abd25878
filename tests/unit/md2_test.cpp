// MD2 models from real files: what is drawn against the file's own bytes,
// the way the drawn faces and normals turn, playback with its ranges,
// modes and transitions, copies, and when the device buffer is written.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "engine3d/render_context.h"
#include "engine3d/world.h"
#include "world3d/md2_loader.h"
#include "world3d/md2_model.h"
#include "world3d/vexel3d_module.h"
#include "debugged_3d_run.h"
#include "math3d_expect.h"
#include "recording_scene_device.h"
#include "registered.h"
#include "sound_media.h"

using vx::MD2Model;
using vx::Vector;
using vxtest::near;

namespace {

std::string media(const std::string& name) { return std::string(VX_TEST_MEDIA_DIR) + "/" + name; }

// A file read straight from its bytes, for comparison.
struct FileView {
  std::string bytes;
  explicit FileView(const std::string& name) : bytes(vxtest::readFile(media(name))) {}
  int32_t field(int index) const {
    int32_t v;
    std::memcpy(&v, bytes.data() + 4 * index, 4);
    return v;
  }
  float floatAt(size_t at) const {
    float v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  }
  uint8_t byte(size_t at) const { return static_cast<uint8_t>(bytes[at]); }
  uint16_t u16(size_t at) const { return static_cast<uint16_t>(byte(at) | byte(at + 1) << 8); }
  // Corner c of triangle t: its vertex and texture coordinate indices.
  int vertex(int t, int c) const { return u16(size_t(field(13)) + 12 * t + 2 * c); }
  int texCoord(int t, int c) const { return u16(size_t(field(13)) + 12 * t + 6 + 2 * c); }
  // The file's (x, y, z) taken as (y, z, x).
  Vector position(int frame, int v) const {
    const size_t at = size_t(field(14)) + size_t(frame) * size_t(field(4));
    float p[3];
    for (int a = 0; a < 3; ++a) p[a] = floatAt(at + 12 + 4 * a) + floatAt(at + 4 * a) * byte(at + 40 + 4 * v + a);
    return {p[1], p[2], p[0]};
  }
  float u(int st) const { return int16_t(u16(size_t(field(12)) + 4 * st)) / float(field(2)); }
  float v(int st) const { return int16_t(u16(size_t(field(12)) + 4 * st + 2)) / float(field(3)); }
};

Vector positionOf(const vx::DeviceVertex& v) { return {v.x, v.y, v.z}; }
Vector normalOf(const vx::DeviceVertex& v) { return {v.nx, v.ny, v.nz}; }

class MD2 : public ::testing::Test {
 protected:
  void SetUp() override {
    vx::startWorld3D();
    vx::world3D()->device = &device;
  }
  void TearDown() override { vx::endWorld3D(); }

  MD2Model& load(const std::string& name) {
    auto data = vx::loadMD2(media(name));
    EXPECT_TRUE(data) << name;
    auto* model = new MD2Model(std::move(data));
    vx::addEntity(model, nullptr);
    model->setLocalPosition({0, 0, 100});
    return *model;
  }
  // One frame of the model as the world renderer draws it; its buffer, or
  // null when nothing was queued.
  vxtest::RecordingMesh* draw(MD2Model& model) {
    if (!model.beginRender(1) || !model.prepare({0, 0, 0})) return nullptr;
    model.render(context);
    if (!model.hasQueued(MD2Model::kOpaque)) return nullptr;
    const size_t before = device.draws.size();
    model.flush(MD2Model::kOpaque, device);
    return device.draws.size() > before ? static_cast<vxtest::RecordingMesh*>(device.draws.back().mesh) : nullptr;
  }

  vxtest::RecordingSceneDevice device;
  vx::RenderContext context{device, {}, vx::Frustum(1, 1000, 2, 2)};
};

}  // namespace

TEST_F(MD2, RealFilesDrawTheirTrianglesWithEveryFramesPositionsAndCoordinates) {
  struct Expected {
    const char* name;
    int frames, vertices, outputVertices, triangles;
  };
  for (const Expected& e : {Expected{"sydney.md2", 198, 342, 482, 679}, Expected{"faerie.md2", 198, 366, 503, 654},
                            Expected{"gun.md2", 50, 203, 334, 353}}) {
    SCOPED_TRACE(e.name);
    MD2Model& model = load(e.name);
    const vx::MD2Data& data = model.data();
    EXPECT_EQ(model.frameCount(), e.frames);
    EXPECT_EQ(data.vertexCount, e.vertices);
    EXPECT_EQ(data.outputVertexCount(), e.outputVertices);  // one per distinct pair
    EXPECT_EQ(data.triangleCount(), e.triangles);
    ASSERT_EQ(data.parts.size(), 1u);

    const FileView file(e.name);
    for (int frame : {0, e.frames / 2, e.frames - 1}) {
      model.play(1, 0, frame, frame, 0);
      vxtest::RecordingMesh* mesh = draw(model);
      ASSERT_NE(mesh, nullptr);
      for (int t = 0; t < e.triangles; ++t)
        for (int c = 0; c < 3; ++c) {
          // Corners drawn in the other turn: 0, 2, 1.
          const int fileCorner = (3 - c) % 3;
          const vx::DeviceVertex& v = mesh->vertexData[mesh->indexData[3 * t + c]];
          ASSERT_TRUE(near(positionOf(v), file.position(frame, file.vertex(t, fileCorner)), 1e-4f))
              << "frame " << frame << " triangle " << t;
          const int st = file.texCoord(t, fileCorner);
          ASSERT_FLOAT_EQ(v.u0, file.u(st));
          ASSERT_FLOAT_EQ(v.v0, file.v(st));
          ASSERT_FLOAT_EQ(v.u1, v.u0);
          ASSERT_FLOAT_EQ(v.v1, v.v0);
          ASSERT_EQ(v.argb, 0xFFFFFFFFu);
        }
    }
  }
}

// Drawn faces wind clockwise seen from outside, as the engine's own meshes
// do, and the normals of the table point out of them: the table, its order
// and the axes of normals and positions all agree.
TEST_F(MD2, NormalsPointOutOfTheDrawnFaces) {
  for (const char* name : {"sydney.md2", "faerie.md2", "gun.md2"}) {
    MD2Model& model = load(name);
    for (int frame : {0, model.frameCount() - 1}) {
      model.play(0, 0, frame, frame, 0);
      vxtest::RecordingMesh* mesh = draw(model);
      ASSERT_NE(mesh, nullptr);
      double agreement = 0;
      const int triangles = model.data().triangleCount();
      int counted = 0;
      for (int t = 0; t < triangles; ++t) {
        const vx::DeviceVertex* c[3];
        for (int i = 0; i < 3; ++i) c[i] = &mesh->vertexData[mesh->indexData[3 * t + i]];
        const Vector face = vx::cross(positionOf(*c[1]) - positionOf(*c[0]), positionOf(*c[2]) - positionOf(*c[0]));
        const Vector normal = normalOf(*c[0]) + normalOf(*c[1]) + normalOf(*c[2]);
        if (vx::length(face) < 1e-6f || vx::length(normal) < 1e-6f) continue;
        agreement += vx::dot(vx::normalise(face), vx::normalise(normal));
        ++counted;
      }
      EXPECT_GT(agreement / counted, 0.85) << name << " frame " << frame;
    }
    // Normals as stored: unit length, not renormalised between frames.
    model.play(3, 1, 0, 5, 0);
    model.animate(0.5f);
    vxtest::RecordingMesh* mesh = draw(model);
    float shortest = 1;
    for (int i = 0; i < model.data().outputVertexCount(); ++i)
      shortest = std::min(shortest, vx::length(normalOf(mesh->vertexData[i])));
    EXPECT_LT(shortest, 0.999f) << name;
  }
}

TEST_F(MD2, PlaybackRangesModesAndTheLoopThatNeverShowsItsLastFrame) {
  MD2Model& m = load("sydney.md2");
  // Ranges are put in order: 10 to 5 plays 5 to 10, from 5.
  m.play(1, 1, 10, 5, 0);
  EXPECT_FLOAT_EQ(m.time(), 5);
  EXPECT_TRUE(m.animating());
  for (int i = 0; i < 12; ++i) {
    m.animate(0.5f);
    EXPECT_GE(m.shownFrame(0), 5);
    EXPECT_LE(m.shownFrame(1), 9);
  }

  // A loop of 0 to 9 shows 0..8 and blends from 8 straight back into 0.
  m.play(1, 0.5f, 0, 9, 0);
  std::set<int> shown;
  for (int i = 0; i < 40; ++i) {
    m.animate(1);
    shown.insert(m.shownFrame(0));
    if (m.time() == 8.5f) {
      EXPECT_EQ(m.shownFrame(1), 0);
      EXPECT_FLOAT_EQ(m.fraction(), 0.5f);
    }
  }
  EXPECT_EQ(shown, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));

  // Once, backwards: from 20 down to 0, and stopped there.
  m.play(3, -1, 0, 20, 0);
  EXPECT_FLOAT_EQ(m.time(), 20);
  for (int i = 0; i < 19; ++i) m.animate(1);
  EXPECT_TRUE(m.animating());
  EXPECT_EQ(m.shownFrame(0), 1);
  m.animate(1);
  m.animate(1);
  EXPECT_FALSE(m.animating());
  EXPECT_FLOAT_EQ(m.time(), 0);
  EXPECT_EQ(m.shownFrame(1), 0);

  // A single frame: shown, not animating; frames clamp to the file's.
  m.play(1, 0, 7, 9999, 0);
  EXPECT_FALSE(m.animating());
  EXPECT_EQ(m.shownFrame(0), 7);
  EXPECT_EQ(m.shownFrame(1), 7);
  m.play(1, 1, 500, 9999, 0);
  EXPECT_EQ(m.shownFrame(0), 197);

  // Ping-pong turns at each end.
  m.play(2, 1, 0, 3, 0);
  float times[7];
  for (float& t : times) {
    m.animate(1);
    t = m.time();
  }
  EXPECT_EQ(std::vector<float>(times, times + 7), (std::vector<float>{1, 2, 3, 2, 1, 0, 1}));

  // Once forwards stops on the last frame, whose next frame is itself.
  m.play(3, 2, 196, 197, 0);
  m.animate(1);
  EXPECT_FALSE(m.animating());
  EXPECT_EQ(m.shownFrame(0), 197);
  EXPECT_EQ(m.shownFrame(1), 197);
}

// Steps longer than the range, and times that are no number, never show a
// frame outside it.
TEST_F(MD2, PlaybackStaysInItsRangeWhateverTheStep) {
  MD2Model& m = load("gun.md2");
  m.play(1, 1000, 40, 49, 0);
  for (float elapsed : {1.3f, 7.7f, -3.1f, 1e30f, NAN}) {
    m.animate(elapsed);
    EXPECT_GE(m.time(), 40);
    EXPECT_LT(m.time(), 49);
    EXPECT_GE(m.shownFrame(0), 40);
    EXPECT_LE(m.shownFrame(1), 48);
  }
  m.play(2, 1000, 40, 49, 0);
  m.animate(1);
  EXPECT_GE(m.shownFrame(0), 40);
  EXPECT_LE(m.shownFrame(1), 49);
  EXPECT_NE(draw(m), nullptr);
}

TEST_F(MD2, TransitionsBlendFromWhatIsShownOverUpdatesNotTime) {
  MD2Model& m = load("sydney.md2");
  MD2Model& target = load("sydney.md2");
  const size_t n = size_t(m.data().vertexCount);
  std::vector<vx::MD2PoseVertex> before(n), after(n), now(n);
  m.play(0, 0, 3, 3, 0);
  m.pose(before.data());
  target.play(0, 0, 50, 50, 0);
  target.pose(after.data());

  m.play(1, 1, 50, 60, 10);
  EXPECT_TRUE(m.animating());
  m.pose(now.data());
  EXPECT_EQ(std::memcmp(now.data(), before.data(), n * sizeof now[0]), 0);
  for (int i = 0; i < 5; ++i) m.animate(100);  // elapsed does not matter
  EXPECT_FLOAT_EQ(m.time(), 50);
  m.pose(now.data());
  for (size_t v = 0; v < n; ++v)
    for (int a = 0; a < 3; ++a)
      ASSERT_NEAR(now[v].position[a], (before[v].position[a] + after[v].position[a]) / 2, 1e-3f);

  // A transition begun half way blends from the half-way pose.
  std::vector<vx::MD2PoseVertex> halfWay = now;
  m.play(1, 1, 50, 60, 2);
  m.pose(now.data());
  EXPECT_EQ(std::memcmp(now.data(), halfWay.data(), n * sizeof now[0]), 0);
  m.animate(0);
  EXPECT_FLOAT_EQ(m.transitionProgress(), 0.5f);
  m.animate(0);  // the second update ends it and plays on
  EXPECT_FLOAT_EQ(m.transitionProgress(), 1);
  EXPECT_FLOAT_EQ(m.time(), 50);
  m.animate(1);
  EXPECT_FLOAT_EQ(m.time(), 51);

  // Ten updates end a transition of ten, into a stopped frame.
  m.play(0, 0, 70, 70, 10);
  for (int i = 0; i < 9; ++i) m.animate(0.01f);
  EXPECT_TRUE(m.animating());
  m.animate(0.01f);
  EXPECT_FALSE(m.animating());
}

TEST_F(MD2, CopiesShareTheDataAndPlayOnTheirOwn) {
  MD2Model& original = load("faerie.md2");
  original.play(1, 1, 10, 20, 0);
  original.animate(2);
  auto* copy = static_cast<MD2Model*>(original.clone());
  vx::adoptEntity(copy);
  copy->setLocalPosition({0, 0, 100});
  EXPECT_TRUE(copy->sharesData(original));
  EXPECT_FLOAT_EQ(copy->time(), 12);
  copy->play(1, 1, 100, 120, 0);
  original.animate(1);
  EXPECT_FLOAT_EQ(original.time(), 13);
  EXPECT_FLOAT_EQ(copy->time(), 100);

  vxtest::RecordingMesh* copyBuffer = draw(*copy);
  vxtest::RecordingMesh* originalBuffer = draw(original);
  ASSERT_TRUE(copyBuffer && originalBuffer);
  EXPECT_NE(copyBuffer, originalBuffer);  // a buffer of each entity's own
  EXPECT_NE(copyBuffer->vertexData[0].x, originalBuffer->vertexData[0].x);

  std::weak_ptr<const vx::MD2Data> data;
  {
    auto shared = vx::loadMD2(media("gun.md2"));
    data = shared;
    auto* gun = new MD2Model(shared);
    vx::addEntity(gun, nullptr);
    vx::adoptEntity(gun->clone());
    vx::freeEntity(gun);
  }
  EXPECT_FALSE(data.expired());  // the copy holds it
  vx::freeAllEntities();
  EXPECT_TRUE(data.expired());
}

// The buffer is written only when the model is drawn and what it shows
// has changed; the triangles once.
TEST_F(MD2, TheBufferIsWrittenOnlyForChangedPosesOfModelsInView) {
  MD2Model& m = load("sydney.md2");
  m.play(1, 1, 0, 9, 0);
  vxtest::RecordingMesh* mesh = draw(m);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->vertexLocks, (std::vector<vxtest::LockRange>{{0, 482}}));
  EXPECT_EQ(mesh->triangleLocks, (std::vector<vxtest::LockRange>{{0, 679}}));
  draw(m);  // a second camera in the same frame
  EXPECT_EQ(mesh->vertexLocks.size(), 1u);
  m.animate(0.25f);
  draw(m);
  EXPECT_EQ(mesh->vertexLocks.size(), 2u);

  m.play(1, 0, 4, 4, 0);
  draw(m);
  for (int i = 0; i < 3; ++i) m.animate(1);  // stopped: nothing changes
  draw(m);
  EXPECT_EQ(mesh->vertexLocks.size(), 3u);

  m.play(1, 1, 0, 9, 0);
  m.setLocalPosition({0, 0, -100});  // behind the eye
  for (int i = 0; i < 3; ++i) {
    m.animate(1);
    EXPECT_EQ(draw(m), nullptr);
  }
  EXPECT_EQ(mesh->vertexLocks.size(), 3u);
  EXPECT_EQ(device.meshes.size(), 1u);
}

namespace {

using I1 = int32_t(VX_STDCALL*)(int32_t);
using I2 = int32_t(VX_STDCALL*)(int32_t, int32_t);

struct Commands {
  I2 loadMD2 = vxtest::registered<I2>("%LoadMD2$file%parent=0");
  void(VX_STDCALL* animate)(int32_t, int32_t, float, int32_t, int32_t, float) =
      vxtest::registered<decltype(animate)>("AnimateMD2%md2%mode=1#speed=1%first_frame=0%last_frame=9999#transition=0");
  float(VX_STDCALL* animTime)(int32_t) = vxtest::registered<decltype(animTime)>("#MD2AnimTime%md2");
  I1 animLength = vxtest::registered<I1>("%MD2AnimLength%md2");
  I1 animating = vxtest::registered<I1>("%MD2Animating%md2");
  I1 createPivot = vxtest::registered<I1>("%CreatePivot%parent=0");
  I1 createCube = vxtest::registered<I1>("%CreateCube%parent=0");
};

const Commands& c() {
  static const Commands commands;
  return commands;
}

int32_t loadSydney(int32_t parent = 0) {
  return c().loadMD2(reinterpret_cast<int32_t>(vx::newString(media("sydney.md2"))), parent);
}

}  // namespace

TEST(MD2Commands, DebuggingNamesEachFault) {
  EXPECT_EQ(vxtest::messageOf([] { c().animate(c().createCube(0), 1, 1, 0, 9, 0); }), "Entity is not an MD2 Model");
  EXPECT_EQ(vxtest::messageOf([] { c().animating(c().createPivot(0)); }), "Entity is not a model");
  EXPECT_EQ(vxtest::messageOf([] { c().animTime(12345); }), "Entity does not exist");
  EXPECT_EQ(vxtest::messageOf([] { loadSydney(12345); }), "Parent entity does not exist");
  EXPECT_EQ(vxtest::messageOf([] {
              vx::endWorld3D();
              loadSydney();
            }),
            "3D Graphics mode not set");
  EXPECT_EQ(vxtest::messageOf([] {
              const int32_t m = loadSydney(c().createPivot(0));
              c().animate(m, 1, 1, 10, 20, 0);
              if (c().animLength(m) != 198 || !c().animating(m) || c().animTime(m) != 10) vx::raiseError("wrong");
            }),
            "Program has ended");
}

TEST(MD2Commands, WithoutDebuggingOtherKindsAndMissingFilesGiveNothing) {
  vx::startWorld3D();
  const int32_t cube = c().createCube(0);
  c().animate(cube, 1, 1, 0, 9, 0);
  EXPECT_EQ(c().animLength(cube), 0);
  EXPECT_EQ(c().animating(cube), 0);
  EXPECT_EQ(c().loadMD2(reinterpret_cast<int32_t>(vx::newString(media("missing.md2"))), 0), 0);
  EXPECT_EQ(c().loadMD2(reinterpret_cast<int32_t>(vx::newString(media("sydney.bmp"))), 0), 0);
  EXPECT_EQ(c().loadMD2(reinterpret_cast<int32_t>(vx::newString(VX_TEST_MEDIA_DIR)), 0), 0);
  vx::endWorld3D();
  EXPECT_EQ(loadSydney(), 0);
}
