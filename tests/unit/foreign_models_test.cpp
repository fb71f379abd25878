// DirectX and 3D Studio model files: one scene written as text, binary and
// compressed X files loads alike; loader matrices, 3DS key-framer
// hierarchies, the real files of the test media, and readers that survive
// damaged copies of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>

#include "engine3d/mesh.h"
#include "engine3d/world.h"
#include "platform/native_file.h"
#include "world3d/key_animator.h"
#include "world3d/model_files.h"
#include "world3d/three_ds_file.h"
#include "world3d/vexel3d_module.h"
#include "world3d/x_file.h"
#include "world3d/x_text_numbers.h"
#include "math3d_expect.h"
#include "temp_dir.h"
#include "three_ds_writer.h"
#include "x_writer.h"

using vx::Matrix;
using vx::Mesh;
using vx::Object;
using vx::Vector;
using vxtest::near;
using vxtest::ThreeDSWriter;
using vxtest::XWriter;

namespace {

// Frames Body (raised by 2) and its child Arm (moved right by 1); Body's
// mesh has a five-corner face, a two-corner face (dropped) and a triangle,
// drawn with a material referenced from the top level and one inline;
// normals of the wrong count (ignored); an object of an unknown template
// holding a frame (skipped whole); keys of each type.
void scene(XWriter& x) {
  x.text("// a comment\n# another\n");
  x.declare("Custom");
  x.open("Material", "Red").floats({1, 0, 0, 1, 10, 0, 0, 0, 0, 0, 0}).close();
  x.open("Unknown", "Thing").ints(std::vector<uint32_t>(12000, 7)).ref("Red");
  x.open("Frame", "Hidden").close().close();
  x.open("Custom", "Known").ints({5}).close();
  x.open("Frame", "Body");
  x.open("FrameTransformMatrix").floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 2, 0, 1}).close();
  x.open("Mesh", "BodyMesh").ints({6}).floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0.5, 1.5, 0, 0, 1, 0, 5, 5, 5});
  x.ints({3, 5, 0, 1, 2, 3, 4, 2, 0, 1, 3, 0, 4, 5});
  x.open("MeshMaterialList").ints({2, 3, 0, 1, 1}).ref("Red");
  x.open("Material", "Blue").floats({0, 0, 1, 0.5, 1, 0, 0, 0, 0, 0, 0}).close().close();
  x.open("MeshTextureCoords").ints({6}).floats({0, 0, 1, 0, 1, 1, 0.5, 1, 0, 1, 0.25, 0.75}).close();
  x.open("MeshNormals").ints({1}).floats({0, 0, 1}).ints({0}).close();
  x.close();
  x.open("Frame", "Arm");
  x.open("FrameTransformMatrix").floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1}).close().close();
  x.close();
  x.open("AnimationSet", "Walk").open("Animation").ref("Arm");
  x.open("AnimationKey").ints({0, 2, 0, 4}).floats({1, 0, 0, 0}).ints({10, 4}).floats({0.70710678, 0.70710678, 0, 0});
  x.close();
  x.open("AnimationKey").ints({1, 1, 5, 3}).floats({2, 2, 2}).close();
  x.open("AnimationKey").ints({2, 2, 0, 3}).floats({0, 0, 0}).ints({20, 3}).floats({0, 3, 0}).close();
  x.close();
  x.open("Animation").ref("Body").open("AnimationKey").ints({4, 1, 30, 16});
  x.floats({0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 4, 0, 0, 1}).close().close();
  x.close();
}

std::vector<std::vector<uint8_t>> sceneFiles() {
  XWriter text(XWriter::kText), binary(XWriter::kBinary), doubles(XWriter::kBinary, true);
  scene(text), scene(binary), scene(doubles);
  return {text.bytes(), binary.bytes(), doubles.bytes(), text.compressed(), binary.compressed()};
}

Vector corner(const vx::MeshSurface& s, int triangle, int c) { return s.vertices()[s.triangles()[triangle].v[c]].position(); }

// The length of the animation's sequence, shown at its start; -1 without
// an animator.
int32_t lengthOf(Object& root) {
  vx::KeyAnimator* animator = vx::KeyAnimator::of(&root);
  if (!animator) return -1;
  animator->setTime(0, 0);
  return animator->length();
}

// A readable account of a loaded hierarchy: names, surfaces, triangles and
// where things are at three times of the animation.
std::string describe(Object& root) {
  std::ostringstream out;
  out.precision(4);
  // Surfaces by triangles, vertices, blue and alpha, in that order.
  auto walk = [&](auto&& self, vx::Entity& e, int depth) -> void {
    out << std::string(depth, ' ') << e.name << " at " << e.localPosition().x << "," << e.localPosition().y << ":";
    std::vector<std::string> surfaces;
    for (const auto& s : e.getObject()->getModel()->getMesh()->surfaces()) {
      std::ostringstream one;
      one << " [" << s->triangleCount() << "/" << s->vertexCount() << " " << s->brush().color().z << " "
          << s->brush().alpha() << "]";
      surfaces.push_back(one.str());
    }
    std::sort(surfaces.begin(), surfaces.end());
    for (const std::string& one : surfaces) out << one;
    out << "\n";
    for (vx::Entity* child = e.firstChild(); child; child = child->next()) self(self, *child, depth + 1);
  };
  walk(walk, root, 0);
  vx::KeyAnimator* animator = vx::KeyAnimator::of(&root);
  out << "length " << lengthOf(root) << "\n";
  for (float time : {0.f, 5.f, 10.f, 15.f, 25.f}) {
    if (animator) animator->setTime(time, 0);
    walk(walk, root, 0);
  }
  return out.str();
}

class ForeignModels : public ::testing::Test {
 protected:
  void SetUp() override { vx::startWorld3D(); }
  void TearDown() override { vx::endWorld3D(); }
  vx::ModelLoad load(int32_t flags = vx::kLoadAnimMesh, Matrix matrix = {}) {
    return {*vx::world3D(), "", flags, matrix};
  }
  static Mesh& child(Object& root, const char* path) {
    vx::Entity* e = &root;
    for (const char* p = path; *p; ++p) {
      e = e->firstChild();
      for (char n = '1'; n < *p; ++n) e = e->next();
    }
    return *e->getObject()->getModel()->getMesh();
  }
  static const vx::MeshSurface& surfaceOf(const Mesh& mesh, Vector color) {
    for (const auto& s : mesh.surfaces())
      if (s->brush().color() == color) return *s;
    return *mesh.surfaces().at(99);
  }
};

}  // namespace

TEST_F(ForeignModels, AnXSceneLoadsAlikeFromTextBinaryDoubleAndCompressedFiles) {
  std::vector<std::string> accounts;
  for (const auto& bytes : sceneFiles()) {
    std::unique_ptr<Object> root = vx::readX(load(), bytes);
    ASSERT_TRUE(root);
    accounts.push_back(describe(*root));
  }
  for (size_t n = 1; n < accounts.size(); ++n) EXPECT_EQ(accounts[n], accounts[0]) << "file " << n;
  // The five corners make three triangles about the first; the two-corner
  // face is dropped; the unknown object's frame is not there.
  EXPECT_EQ(accounts[0].substr(0, accounts[0].find("length 30")),
            " at 0,0:\n"
            " Body at 0,2: [1/3 1 0.5] [3/5 0 1]\n"
            "  Arm at 1,0:\n");
  std::unique_ptr<Object> root = vx::readX(load(), sceneFiles()[0]);
  const vx::MeshSurface& red = surfaceOf(child(*root, "1"), {1, 0, 0});
  for (int t = 0; t < 3; ++t) EXPECT_EQ(corner(red, t, 0), (Vector{0, 0, 0}));
  EXPECT_FLOAT_EQ(red.vertices()[3].v1, 1);  // both coordinate sets
  EXPECT_TRUE(near(red.vertices()[0].normal(), {0, 0, 1}));  // computed: the faces turn to +z

  // Keys: Arm turns by the stored quaternion (a quarter turn about x at
  // frame 10, read as DirectX applies it: y goes to z), scales at 5, moves
  // at 20; Body's matrix key at 30 (its only key, so at all times) turns a quarter about z and moves it.
  vx::KeyAnimator& animator = *vx::KeyAnimator::of(root.get());
  vx::Entity& arm = *root->firstChild()->firstChild();
  vx::Entity& body = *root->firstChild();
  animator.setTime(10, 0);
  EXPECT_TRUE(near(vx::matrixFromQuat(arm.localRotation()) * Vector{0, 1, 0}, {0, 0, 1}, 1e-4f));
  animator.setTime(5, 0);
  EXPECT_TRUE(near(arm.localScale(), {2, 2, 2}));
  animator.setTime(29, 0);
  EXPECT_TRUE(near(arm.localPosition(), {0, 3, 0}));
  EXPECT_TRUE(near(body.localPosition(), {4, 0, 0}));
  EXPECT_TRUE(near(vx::matrixFromQuat(body.localRotation()) * Vector{1, 0, 0}, {0, 1, 0}, 1e-4f));
}

// A face dropped for a corner that is no vertex takes no material entry
// from the faces after it: each triangle keeps its own face's material.
TEST_F(ForeignModels, FacesKeepTheirMaterialsPastADroppedFace) {
  XWriter x(XWriter::kText);
  x.open("Mesh", "quads").ints({4}).floats({0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0});
  x.ints({3, 3, 0, 1, 2, 3, 0, 1, 9, 3, 0, 2, 3});
  x.open("MeshMaterialList").ints({2, 3, 0, 0, 1});
  x.open("Material").floats({1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}).close();
  x.open("Material").floats({0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}).close();
  x.close().close();
  std::unique_ptr<Object> root = vx::readX(load(), x.bytes());
  ASSERT_TRUE(root);
  const Mesh& mesh = *root->getModel()->getMesh();
  ASSERT_EQ(mesh.surfaces().size(), 2u);
  EXPECT_EQ(surfaceOf(mesh, {1, 0, 0}).triangleCount(), 1);
  EXPECT_EQ(surfaceOf(mesh, {0, 0, 1}).triangleCount(), 1);
  EXPECT_EQ(corner(surfaceOf(mesh, {0, 0, 1}), 0, 0), (Vector{0, 0, 0}));
}

// Text numbers read as the float nearest their value, however they are
// spelled, and whole numbers in any spelling name vertices.
TEST_F(ForeignModels, TextNumbersReadAsTheFloatNearestTheirValue) {
  const std::vector<std::string> values = {
      "0.1",      "0.7",        "-0.032702",  "1e-7",  "123456.7",          "16777217",
      "1.0000001", "9.999999",  "12345678.9", "-0",    "1.5e3",             "2.5E-3",
      "1058.757", "4.0000005",  "3.999999e-5", "1e10", "0.000000059604645", "653.9907"};
  XWriter x(XWriter::kText);
  x.open("Mesh", "Numbers").text("6;\n");
  for (size_t n = 0; n < values.size(); n += 3)
    x.text(values[n] + ";" + values[n + 1] + ";" + values[n + 2] + (n + 3 < values.size() ? ";,\n" : ";;\n"));
  x.text("3;\n3;-0,+1,2.0;,\n3;3e0,0004,5;,\n3;1.5,0,1;;\n").close();
  std::unique_ptr<Object> root = vx::readX(load(), x.bytes());
  ASSERT_TRUE(root);
  const Mesh& mesh = *root->getModel()->getMesh();
  ASSERT_EQ(mesh.surfaces().size(), 1u);
  const vx::MeshSurface& s = *mesh.surfaces()[0];
  EXPECT_EQ(s.triangleCount(), 2);  // the face naming vertex 1.5 is dropped
  ASSERT_EQ(s.vertexCount(), 6);
  for (size_t n = 0; n < values.size(); ++n) {
    const vx::Vertex& v = s.vertices()[n / 3];
    const float read = n % 3 == 0 ? v.x : n % 3 == 1 ? v.y : v.z;
    EXPECT_EQ(read, static_cast<float>(std::strtod(values[n].c_str(), nullptr))) << values[n];
  }
}

// A run of text numbers ends and counts as it does read a number at a
// time, wherever sixteen-byte blocks cut it: plain numbers, numbers that
// run into each other ("1-2", "1.2.3"), exponents, comments, long digit
// strings and what ends a run.
TEST(XTextNumbers, RunsEndAndCountAsReadANumberAtATime) {
  using namespace vx::x_text;
  const std::vector<std::string> pieces = {
      "0.500000;", "-12.25,",  "3;",     "1-2 ",  "1.2.3;", "--5;",      "1e5,",  "2.5E-3;", "7e;",
      ".5 ",       "5. ",      "+.;",    "- ",    "\t\r\n", "# note\n", "// x\n", "12345678901234567890.5;",
      ",,;;",      "-0.032702;0.997859;-0.056641;,\n   ", "}", "Name", "\"s\"", "/", "9"};
  std::mt19937 random(5);
  for (int text = 0; text < 4000; ++text) {
    std::string body;
    const int count = 1 + int(random() % 12);
    for (int n = 0; n < count; ++n) body += pieces[random() % pieces.size()];
    for (size_t shift = 0; shift < 17; shift += 1 + random() % 5) {
      const std::string bytes = std::string(shift, ' ') + "4 " + body;
      const auto* begin = reinterpret_cast<const uint8_t*>(bytes.data()) + shift;
      const auto* end = reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size();
      uint32_t expectedCount = 0;
      const uint8_t* expectedEnd = begin;
      do {
        expectedEnd = skipSeparators(scanNumber<void>(expectedEnd, end, nullptr), end);
        ++expectedCount;
      } while (expectedEnd != end && startsNumber(*expectedEnd));
      uint32_t runCount = 0;
      const uint8_t* runEnd = scanNumberRun(begin, end, runCount);
      ASSERT_EQ(runEnd - begin, expectedEnd - begin) << bytes;
      ASSERT_EQ(runCount, expectedCount) << bytes;
    }
  }
}

TEST_F(ForeignModels, LoadFlagsAndLoaderMatricesShapeWhatLoads) {
  const std::vector<uint8_t> bytes = sceneFiles()[0];
  // LoadMesh makes no animator; LoadAnimSeq keeps the frames without geometry.
  EXPECT_FALSE(vx::KeyAnimator::of(vx::readX(load(vx::kLoadMesh), bytes).get()));
  std::unique_ptr<Object> keysOnly = vx::readX(load(vx::kLoadAnimSeq), bytes);
  EXPECT_TRUE(child(*keysOnly, "1").surfaces().empty());
  EXPECT_EQ(lengthOf(*keysOnly), 30);

  // A mirror in x: positions, frames and stored normals mirror, and faces
  // keep their side.
  XWriter x(XWriter::kText);
  x.open("Mesh").ints({3}).floats({0, 0, 0, 1, 0, 0, 1, 1, 0}).ints({1, 3, 0, 1, 2});
  x.open("MeshNormals").ints({3}).floats({1, 0, -1, 1, 0, -1, 1, 0, -1}).close().close();
  x.open("Frame", "F").open("FrameTransformMatrix").floats({0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 3, 0, 0, 1});
  x.close().close();
  const Matrix mirror{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  std::unique_ptr<Object> plain = vx::readX(load(), x.bytes()), mirrored = vx::readX(load(0, mirror), x.bytes());
  for (Object* root : {plain.get(), mirrored.get()}) {
    const vx::MeshSurface& s = *root->getModel()->getMesh()->surfaces()[0];
    const Vector facing = vx::cross(corner(s, 0, 1) - corner(s, 0, 0), corner(s, 0, 2) - corner(s, 0, 0));
    EXPECT_GT(facing.z, 0);
    EXPECT_GT(vx::dot(s.vertices()[0].normal(), vx::normalise(Vector{corner(s, 0, 1).x, 0, -1})), 0.99f);
  }
  EXPECT_FLOAT_EQ(mirrored->getModel()->getMesh()->surfaces()[0]->vertices()[1].x, -1);
  vx::Entity& frame = *mirrored->firstChild();
  EXPECT_TRUE(near(frame.localPosition(), {-3, 0, 0}));
  EXPECT_TRUE(near(vx::matrixFromQuat(frame.localRotation()) * Vector{1, 0, 0}, {0, -1, 0}, 1e-4f));
}

namespace {

// Objects "box" (placed at x = 10 by its matrix, one face red) and "lid";
// the key-framer makes a dummy "hinge" with moves at frames 0, 10 and 30
// (past the length of 20), hangs lid under it with a pivot and two
// quarter turns about y, names an object nobody has and a parent nobody
// registered.
ThreeDSWriter room() {
  ThreeDSWriter w;
  w.begin(0x4D4D).begin(0x3D3D);
  w.begin(0x4000).s("box").begin(0x4100);
  w.begin(0x4110).w(4).f({10, 0, 0, 11, 0, 0, 11, 1, 0, 10, 1, 2}).end();
  w.begin(0x4120).w(2).w(0).w(1).w(2).w(0).w(0).w(2).w(3).w(0);
  w.begin(0x4130).s("red").w(2).w(1).w(9).end().end();
  w.begin(0x4140).w(4).f({0, 0, 1, 0, 1, 1, 0, 0.25f}).end();
  w.begin(0x4160).f({1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 0, 0}).end();
  w.end().end();
  w.begin(0x4000).s("lid").begin(0x4100).begin(0x4110).w(3).f({0, 0, 0, 1, 0, 0, 0, 1, 0}).end();
  w.begin(0x4120).w(1).w(0).w(1).w(2).w(0).end().end().end();
  w.begin(0xAFFF).begin(0xA000).s("red").end().begin(0xA020).begin(0x0011).w(0x00FF).bytes.push_back(0);
  w.end().end().end();
  w.end();  // editor
  w.begin(0xB000).begin(0xB00A).w(5).s("").w(20).end();
  w.begin(0xB002).begin(0xB010).s("$$$DUMMY").w(0).w(0).w(0xFFFF).end().begin(0xB011).s("hinge").end();
  w.begin(0xB030).w(0).end().track(0xB020, {{0, 0, 0, 0}, {10, 0, 5, 0}, {30, 9, 9, 9}}).end();
  w.begin(0xB002).begin(0xB010).s("lid").w(0).w(0).w(0).end().begin(0xB013).f({1, 0, 0}).end();
  w.begin(0xB030).w(1).end().track(0xB021, {{0, 1.5707964f, 0, 1, 0}, {10, 1.5707964f, 0, 1, 0}}).end();
  w.begin(0xB002).begin(0xB010).s("nobody").w(0).w(0).w(0xFFFF).end().end();
  w.begin(0xB002).begin(0xB010).s("box").w(0).w(0).w(7).end().end();
  w.end().end();
  return w;
}

}  // namespace

TEST_F(ForeignModels, A3DSFileBuildsItsKeyFramerHierarchy) {
  std::unique_ptr<Object> root = vx::read3DS(load(), room().bytes);
  ASSERT_TRUE(root);
  const std::string account = describe(*root);
  EXPECT_EQ(account.substr(0, account.find("length 20")),
            " at 0,0:\n"
            " box at 10,0: [1/3 0 1] [1/3 1 1]\n"
            " hinge at 0,0:\n"
            "  lid at 0,0: [1/3 1 1]\n");
  Mesh& box = child(*root, "1");
  // Stored in the object's own space; coordinates (u, 1 - v); the face
  // named twice by its material drawn red, the other plain.
  EXPECT_EQ(corner(*box.surfaces()[0], 0, 0), (Vector{0, 0, 0}));
  EXPECT_FLOAT_EQ(surfaceOf(box, {1, 0, 0}).vertices()[2].v0, 0.75f);
  EXPECT_EQ(box.surfaces()[0]->brush().color() + box.surfaces()[1]->brush().color(), (Vector{2, 1, 1}));
  // The lid's geometry moved by minus its pivot; keys past the length are
  // dropped; rotations accumulate to a half turn at frame 10.
  Mesh& lid = child(*root, "21");
  EXPECT_EQ(corner(*lid.surfaces()[0], 0, 0), (Vector{-1, 0, 0}));
  vx::KeyAnimator& animator = *vx::KeyAnimator::of(root.get());
  animator.setTime(15, 0);
  EXPECT_TRUE(near(child(*root, "2").localPosition(), {0, 5, 0}));
  EXPECT_TRUE(near(vx::matrixFromQuat(lid.localRotation()) * Vector{1, 0, 0}, {-1, 0, 0}, 1e-4f));
}

TEST_F(ForeignModels, The3DSLoaderMatrixSwapsYAndZUntilItIsReplaced) {
  vxtest::TempDir dir;
  const std::string path = dir / "room.3DS";
  XWriter::save(room().bytes, path);
  vx::World& world = *vx::world3D();
  for (const Matrix& matrix : {world.loaderMatrices["3ds"], Matrix{}}) {
    world.loaderMatrices["3ds"] = matrix;
    std::unique_ptr<Object> root = vx::loadModel(world, path, vx::kLoadAnimMesh);
    ASSERT_TRUE(root);
    Mesh& box = child(*root, "1");
    const Vector last = matrix == Matrix{} ? Vector{10, 1, 2} : Vector{10, 2, 1};
    int found = 0;
    for (const vx::Vertex& v : surfaceOf(box, {1, 0, 0}).vertices()) found += near(box.localTransform() * v.position(), last);
    EXPECT_EQ(found, 1);
  }
  std::vector<uint8_t> notMain = room().bytes;
  notMain[0] = 0x4E;
  EXPECT_FALSE(vx::read3DS(load(), notMain));
  EXPECT_FALSE(vx::readX(
      load(), std::vector<uint8_t>{'x', 'o', 'f', ' ', '0', '3', '0', '3', 'z', 'i', 'p', ' ', '0', '0', '3', '2'}));
}

namespace {

std::vector<uint8_t> media(const char* name) {
  return vx::readNativeFile(std::string(VX_TEST_MEDIA_DIR) + "/" + name).value_or(std::vector<uint8_t>());
}

// Copies of a file cut short and with bytes changed at random: each loads
// or gives nothing, and what loads can be played.
void damage(const std::vector<uint8_t>& file, const vx::ModelLoad& load,
            std::unique_ptr<Object> (*read)(const vx::ModelLoad&, std::span<const uint8_t>), int copies) {
  uint32_t seed = 777;
  auto random = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  auto tryLoad = [&](const std::vector<uint8_t>& bytes) {
    if (std::unique_ptr<Object> root = read(load, bytes))
      if (vx::KeyAnimator* animator = vx::KeyAnimator::of(root.get())) {
        animator->play(1, 1, 0, 2);
        for (int i = 0; i < 3; ++i) root->animate(7.5f);
      }
  };
  for (int n = 1; n <= 40; ++n) tryLoad({file.begin(), file.begin() + file.size() * n / 41});
  for (int n = 0; n < copies; ++n) {
    std::vector<uint8_t> bytes = file;
    for (int changes = 1 + random() % 6; changes > 0; --changes) {
      uint8_t& byte = bytes[random() % bytes.size()];
      byte = random() % 3 ? random() & 0xFF : byte ^ 0x80;
    }
    tryLoad(bytes);
  }
}

}  // namespace

TEST_F(ForeignModels, DamagedFilesLoadWhatTheySafelyCan) {
  for (const auto& bytes : sceneFiles()) damage(bytes, load(), vx::readX, 800);
  damage(room().bytes, load(), vx::read3DS, 3000);
  EXPECT_EQ(vx::world3D()->entities.size(), 0u);
}

class ForeignModelMedia : public ForeignModels {};

TEST_F(ForeignModelMedia, RealFilesLoadAndSurviveDamage) {
  const std::vector<uint8_t> earth = media("earth.x"), room = media("room.3ds");
  std::unique_ptr<Object> globe = vx::readX(load(), earth);
  ASSERT_TRUE(globe);
  Mesh& sphere = child(*globe, "11");
  EXPECT_EQ(sphere.name, "Frame1_sphere_lwo_layer1");
  ASSERT_EQ(sphere.surfaces().size(), 1u);
  EXPECT_EQ(sphere.surfaces()[0]->triangleCount(), 4512);
  EXPECT_EQ(lengthOf(*globe), 60);

  std::unique_ptr<Object> walls = vx::read3DS(load(vx::kLoadAnimMesh, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}}), room);
  ASSERT_TRUE(walls);
  int meshes = 0, triangles = 0;
  for (vx::Entity* e = walls->firstChild(); e; e = e->next(), ++meshes)
    for (const auto& s : e->getObject()->getModel()->getMesh()->surfaces()) triangles += s->triangleCount();
  EXPECT_GT(meshes, 1);
  EXPECT_GT(triangles, 10);

  damage(earth, load(), vx::readX, 60);
  damage(room, load(), vx::read3DS, 3000);
}
