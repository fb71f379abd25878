// MD2 models from real files: what is drawn against the file's own bytes,
// the way drawn faces and normals turn, playback with its ranges, modes and
// transitions, copies, and when the device buffer is written.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine3d/render_context.h"
#include "engine3d/world.h"
#include "world3d/md2_loader.h"
#include "world3d/vexel3d_module.h"
#include "debugged_3d_run.h"
#include "math3d_expect.h"
#include "recording_scene_device.h"
#include "registered.h"
#include "sound_media.h"

using vx::MD2Model;
using vx::Vector;

namespace {

std::string media(const std::string& name) { return std::string(VX_TEST_MEDIA_DIR) + "/" + name; }

// A file read straight from its bytes: header field n, the corners of
// triangle t, and positions with the file's (x, y, z) taken as (y, z, x).
struct FileView {
  std::string b;
  explicit FileView(const std::string& name) : b(vxtest::readFile(media(name))) {}
  template <typename T>
  T at(size_t offset) const {
    T v;
    std::memcpy(&v, b.data() + offset, sizeof v);
    return v;
  }
  int32_t field(int n) const { return at<int32_t>(4 * n); }
  int corner(int t, int c, bool texCoord) const { return at<uint16_t>(field(13) + 12 * t + 2 * c + 6 * texCoord); }
  Vector position(int frame, int v) const {
    const size_t f = size_t(field(14)) + size_t(frame) * field(4);
    float p[3];
    for (int a = 0; a < 3; ++a) p[a] = at<float>(f + 12 + 4 * a) + at<float>(f + 4 * a) * at<uint8_t>(f + 40 + 4 * v + a);
    return {p[1], p[2], p[0]};
  }
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

  MD2Model& load(const std::string& name) { return place(vx::loadMD2(media(name))); }
  MD2Model& place(std::shared_ptr<const vx::MD2Data> data) {
    auto* model = new MD2Model(std::move(data));
    vx::addEntity(model, nullptr);
    model->setLocalPosition({0, 0, 100});
    return *model;
  }
  // One frame of the model as the world renderer draws it: its buffer, or
  // null when nothing was drawn.
  vxtest::RecordingMesh* draw(MD2Model& model) {
    const size_t before = device.draws.size();
    if (model.beginRender(1) && model.prepare({0, 0, 0})) model.render(context);
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
    model.brush.setFX(vx::kFxNoCulling);  // every triangle reaches the device
    EXPECT_EQ(model.frameCount(), e.frames);
    EXPECT_EQ(model.data().vertexCount, e.vertices);
    EXPECT_EQ(model.data().outputVertexCount(), e.outputVertices);  // one per distinct pair
    EXPECT_EQ(model.data().triangleCount(), e.triangles);
    const FileView file(e.name);
    for (int frame : {0, e.frames - 1}) {
      model.play(1, 0, frame, frame, 0);
      vxtest::RecordingMesh* mesh = draw(model);
      ASSERT_NE(mesh, nullptr);
      for (int t = 0; t < e.triangles; ++t)
        for (int c = 0; c < 3; ++c) {
          const int fileCorner = (3 - c) % 3;  // drawn turning the other way: 0, 2, 1
          const vx::DeviceVertex& v = mesh->vertexData[mesh->indexData[3 * t + c]];
          ASSERT_TRUE(vxtest::near(positionOf(v), file.position(frame, file.corner(t, fileCorner, false)), 1e-4f));
          const size_t st = size_t(file.field(12)) + 4 * file.corner(t, fileCorner, true);
          ASSERT_FLOAT_EQ(v.u0, file.at<int16_t>(st) / float(file.field(2)));
          ASSERT_FLOAT_EQ(v.v0, file.at<int16_t>(st + 2) / float(file.field(3)));
          ASSERT_TRUE(v.u1 == v.u0 && v.v1 == v.v0 && v.argb == 0xFFFFFFFFu);
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
    model.play(3, 1, 0, 5, 0);
    model.animate(0.5f);
    vxtest::RecordingMesh* mesh = draw(model);
    double agreement = 0;
    float shortest = 1;
    const int triangles = model.data().triangleCount();
    for (int t = 0; t < triangles; ++t) {
      const vx::DeviceVertex* c[3];
      for (int i = 0; i < 3; ++i) c[i] = &mesh->vertexData[mesh->indexData[3 * t + i]];
      const Vector face = vx::cross(positionOf(*c[1]) - positionOf(*c[0]), positionOf(*c[2]) - positionOf(*c[0]));
      agreement += vx::dot(vx::normalise(face), vx::normalise(normalOf(*c[0]) + normalOf(*c[1]) + normalOf(*c[2])));
      shortest = std::min(shortest, vx::length(normalOf(*c[0])));
    }
    EXPECT_GT(agreement / triangles, 0.85) << name;
    EXPECT_LT(shortest, 0.999f) << name;  // half way between frames, not renormalised
  }
}

TEST_F(MD2, PlaybackRangesModesAndTransitions) {
  MD2Model& m = load("sydney.md2");
  auto steps = [&m](int count, float elapsed) {
    while (count--) m.animate(elapsed);
  };
  // Ranges are put in order: 10 to 5 plays 5 to 10, from 5.
  m.play(1, 1, 10, 5, 0);
  EXPECT_FLOAT_EQ(m.time(), 5);
  // A loop of 0 to 9 shows 0..8 and blends from 8 straight back into 0.
  m.play(1, 0.5f, 0, 9, 0);
  std::set<int> shown;
  for (int i = 0; i < 40; ++i) {
    m.animate(1);
    shown.insert(m.shownFrame(0));
    if (m.time() == 8.5f) {
      EXPECT_TRUE(m.shownFrame(1) == 0 && m.fraction() == 0.5f);
    }
  }
  EXPECT_EQ(shown, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  // Once, backwards: from 20 down to 0, and stopped there.
  m.play(3, -1, 0, 20, 0);
  EXPECT_FLOAT_EQ(m.time(), 20);
  steps(20, 1);
  EXPECT_TRUE(m.animating());
  m.animate(1);
  EXPECT_TRUE(!m.animating() && m.time() == 0 && m.shownFrame(1) == 0);
  // A single frame is shown and does not play; frames clamp to the file's.
  m.play(1, 0, 7, 9999, 0);
  EXPECT_TRUE(!m.animating() && m.shownFrame(0) == 7 && m.shownFrame(1) == 7);
  m.play(1, 1, 500, 9999, 0);
  EXPECT_EQ(m.shownFrame(0), 197);
  // Ping-pong turns at each end.
  m.play(2, 1, 0, 3, 0);
  std::vector<float> times;
  for (int i = 0; i < 7; ++i) m.animate(1), times.push_back(m.time());
  EXPECT_EQ(times, (std::vector<float>{1, 2, 3, 2, 1, 0, 1}));
  // A transition of 10 takes 10 updates whatever their length, holding the
  // new range at its start; then the range plays.
  m.play(1, 1, 20, 30, 10);
  steps(9, 100);
  EXPECT_TRUE(m.animating() && m.time() == 20);
  EXPECT_FLOAT_EQ(m.transitionProgress(), 0.9f);
  m.animate(0.5f);
  EXPECT_FLOAT_EQ(m.transitionProgress(), 1);
  EXPECT_FLOAT_EQ(m.time(), 20.5f);
  m.play(0, 0, 70, 70, 3);  // into a stopped frame: not animating once done
  steps(3, 0);
  EXPECT_FALSE(m.animating());
}

// Steps longer than the range, and times that are no number, never show a
// frame outside it.
TEST_F(MD2, PlaybackStaysInItsRangeWhateverTheStep) {
  MD2Model& m = load("gun.md2");
  for (int mode : {1, 2})
    for (float elapsed : {1.3f, 7.7f, -3.1f, 1e30f, NAN}) {
      m.play(mode, 1000, 40, 49, 0);
      m.animate(elapsed);
      EXPECT_TRUE(m.time() >= 40 && m.time() <= 49) << mode << " " << elapsed;
      EXPECT_TRUE(m.shownFrame(0) >= 40 && m.shownFrame(1) <= 49) << mode << " " << elapsed;
    }
}

TEST_F(MD2, TransitionsBlendFromThePoseShown) {
  MD2Model& m = load("sydney.md2");
  MD2Model& target = load("sydney.md2");
  const size_t n = size_t(m.data().vertexCount);
  std::vector<vx::MD2PoseVertex> before(n), after(n), now(n), halfWay(n);
  auto pose = [&m, &now] { return m.pose(now.data()), now; };
  m.play(0, 0, 3, 3, 0);
  m.pose(before.data());
  target.play(0, 0, 50, 50, 0);
  target.pose(after.data());

  m.play(1, 1, 50, 60, 10);
  EXPECT_EQ(std::memcmp(pose().data(), before.data(), n * sizeof now[0]), 0);
  for (int i = 0; i < 5; ++i) m.animate(1);
  halfWay = pose();
  for (size_t v = 0; v < n; ++v)
    for (int a = 0; a < 3; ++a)
      ASSERT_NEAR(halfWay[v].position[a], (before[v].position[a] + after[v].position[a]) / 2, 1e-3f);
  // A transition begun in a transition starts from its blend.
  m.play(1, 1, 50, 60, 2);
  EXPECT_EQ(std::memcmp(pose().data(), halfWay.data(), n * sizeof now[0]), 0);
}

// Copies share the data (the last one frees it) and play on their own, each
// into a buffer of its own, written only when it is drawn and what it shows
// has changed.
// Only triangles that can face the viewer reach the device: those facing
// it clearly are all sent, those facing clearly away never, seen from an
// eye, along an orthographic view, and through a mirrored transform.
TEST_F(MD2, OnlyTrianglesThatCanFaceTheViewerAreSent) {
  MD2Model& model = load("sydney.md2");
  model.setLocalPosition({0, 20, 100});
  const int total = model.data().triangleCount();
  // How each triangle of the drawn buffer faces a point (or, with a null
  // point, the direction towards the viewer); +1, -1, or 0 when nearly
  // edge on.
  auto facings = [&](vxtest::RecordingMesh& mesh, Vector towards, bool perspective, float side) {
    std::vector<int> result;
    for (int t = 0; t < total; ++t) {
      const uint16_t* i = model.data().indices.data() + 3 * t;
      const Vector a = positionOf(mesh.vertexData[i[0]]);
      const Vector n = vx::cross(positionOf(mesh.vertexData[i[1]]) - a, positionOf(mesh.vertexData[i[2]]) - a);
      const Vector to = perspective ? towards - a : towards;
      const float cosine = side * vx::dot(n, to) / (vx::length(n) * vx::length(to));
      result.push_back(cosine > 0.01f ? 1 : cosine < -0.01f ? -1 : 0);
    }
    return result;
  };
  // The triangles drawn, each by its corners, to be found among the file's.
  auto drawnCount = [&](vxtest::RecordingMesh& mesh, const std::vector<int>& facing) {
    std::multiset<std::vector<uint16_t>> drawn;
    const int count = device.draws.back().triangles;
    for (int t = 0; t < count; ++t)
      drawn.insert({mesh.indexData[3 * t], mesh.indexData[3 * t + 1], mesh.indexData[3 * t + 2]});
    int front = 0, back = 0;
    for (int t = 0; t < total; ++t) {
      const uint16_t* i = model.data().indices.data() + 3 * t;
      const bool sent = drawn.count({i[0], i[1], i[2]}) > 0;
      EXPECT_TRUE(facing[t] == 0 || sent == (facing[t] > 0)) << "triangle " << t;
      front += facing[t] > 0, back += facing[t] < 0;
    }
    EXPECT_GT(front, total / 4);
    EXPECT_GT(back, total / 4);
    return count;
  };

  vxtest::RecordingMesh* mesh = draw(model);
  ASSERT_NE(mesh, nullptr);
  const Vector eye{0, -20, -100};  // the origin, in the model's space
  const int seen = drawnCount(*mesh, facings(*mesh, eye, true, 1));

  context.perspective = false;  // looking along +z from everywhere
  draw(model);
  drawnCount(*mesh, facings(*mesh, {0, 0, -1}, false, 1));
  context.perspective = true;

  // Mirrored, seen from the same place in its space: the other side faces
  // out, so every triangle is sent one way or the other.
  model.setLocalScale({-1, 1, 1});
  draw(model);
  const int mirrored = drawnCount(*mesh, facings(*mesh, eye, true, -1));
  EXPECT_GE(seen + mirrored, total);

  model.setFX(vx::kFxNoCulling);
  draw(model);
  EXPECT_EQ(device.draws.back().triangles, total);
}

TEST_F(MD2, CopiesAndTheirBuffers) {
  auto shared = vx::loadMD2(media("faerie.md2"));
  const std::weak_ptr<const vx::MD2Data> data = shared;
  MD2Model& original = place(std::move(shared));
  original.play(1, 1, 10, 20, 0);
  original.animate(2);
  auto* copy = static_cast<MD2Model*>(original.clone());
  vx::adoptEntity(copy);
  EXPECT_TRUE(copy->sharesData(original));
  EXPECT_FLOAT_EQ(copy->time(), 12);
  copy->play(1, 1, 100, 120, 0);
  original.animate(1);
  EXPECT_TRUE(original.time() == 13 && copy->time() == 100);

  vxtest::RecordingMesh* mesh = draw(original);
  vxtest::RecordingMesh* copyMesh = draw(*copy);
  ASSERT_TRUE(mesh && copyMesh && copyMesh != mesh);
  EXPECT_EQ(mesh->vertexLocks, (std::vector<vxtest::LockRange>{{0, 503}}));
  // Every triangle once, then those that face the eye.
  EXPECT_EQ(mesh->triangleLocks, (std::vector<vxtest::LockRange>{{0, 654}, {0, 654}}));
  EXPECT_LT(device.draws.back().triangles, 654);
  draw(original);  // a second camera in the same frame, at the same place
  EXPECT_EQ(mesh->triangleLocks.size(), 2u);
  original.animate(0.25f);
  draw(original);
  EXPECT_EQ(mesh->vertexLocks.size(), 2u);
  original.play(1, 0, 4, 4, 0);
  draw(original);
  for (int i = 0; i < 3; ++i) original.animate(1);  // stopped: nothing changes
  draw(original);
  EXPECT_EQ(mesh->vertexLocks.size(), 3u);
  original.play(1, 1, 0, 9, 0);
  original.setLocalPosition({0, 0, -100});  // behind the eye
  original.animate(1);
  EXPECT_EQ(draw(original), nullptr);
  EXPECT_EQ(mesh->vertexLocks.size(), 3u);

  vx::freeEntity(&original);
  EXPECT_FALSE(data.expired());
  vx::freeEntity(copy);
  EXPECT_TRUE(data.expired());
}

namespace {

using I1 = int32_t(VX_STDCALL*)(int32_t);

struct Commands {
  int32_t(VX_STDCALL* loadMD2)(vx::RuntimeString*, int32_t) =
      vxtest::registered<decltype(loadMD2)>("%LoadMD2$file%parent=0");
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

int32_t loadFile(const std::string& name, int32_t parent = 0) { return c().loadMD2(vx::newString(media(name)), parent); }

}  // namespace

TEST(MD2Commands, DebuggingNamesEachFaultAndWithoutItNothingHappens) {
  EXPECT_EQ(vxtest::messageOf([] { c().animate(c().createCube(0), 1, 1, 0, 9, 0); }), "Entity is not an MD2 Model");
  EXPECT_EQ(vxtest::messageOf([] { c().animating(c().createPivot(0)); }), "Entity is not a model");
  EXPECT_EQ(vxtest::messageOf([] { c().animTime(12345); }), "Entity does not exist");
  EXPECT_EQ(vxtest::messageOf([] { loadFile("sydney.md2", 12345); }), "Parent entity does not exist");
  EXPECT_EQ(vxtest::messageOf([] {
              vx::endWorld3D();
              loadFile("sydney.md2");
            }),
            "3D Graphics mode not set");

  vx::startWorld3D();
  const int32_t cube = c().createCube(0);
  c().animate(cube, 1, 1, 0, 9, 0);
  EXPECT_EQ(c().animLength(cube) + c().animating(cube), 0);
  for (const char* name : {"missing.md2", "sydney.bmp", ""}) EXPECT_EQ(loadFile(name), 0) << name;
  const int32_t m = loadFile("sydney.md2", c().createPivot(0));
  c().animate(m, 1, 1, 10, 20, 0);
  EXPECT_TRUE(c().animLength(m) == 198 && c().animating(m) && c().animTime(m) == 10);
  vx::endWorld3D();
}
