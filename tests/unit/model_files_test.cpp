// Model files: the mesh builder, V3D files written chunk by chunk and
// loaded through the commands, skinned meshes posed for a draw, and a
// reader that survives damaged files.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine3d/mesh.h"
#include "engine3d/render_context.h"
#include "engine3d/world.h"
#include "world3d/key_animator.h"
#include "world3d/mesh_builder.h"
#include "world3d/model_files.h"
#include "world3d/skin.h"
#include "world3d/v3d_file.h"
#include "world3d/vexel3d_module.h"
#include "math3d_expect.h"
#include "recording_scene_device.h"
#include "registered.h"
#include "temp_dir.h"
#include "v3d_writer.h"

using vx::Mesh;
using vx::MeshSurface;
using vx::Vector;
using vxtest::near;
using vxtest::registered;
using vxtest::V3DWriter;

namespace {

using Str = vx::RuntimeString*;
using I1 = int32_t(VX_STDCALL*)(int32_t);
using I2 = int32_t(VX_STDCALL*)(int32_t, int32_t);
using LoadFn = int32_t(VX_STDCALL*)(Str, int32_t);

struct Commands {
  LoadFn loadMesh = registered<LoadFn>("%LoadMesh$file%parent=0");
  LoadFn loadAnimMesh = registered<LoadFn>("%LoadAnimMesh$file%parent=0");
  int32_t(VX_STDCALL* loadAnimSeq)(int32_t, Str) = registered<decltype(loadAnimSeq)>("%LoadAnimSeq%entity$file");
  I1 countSurfaces = registered<I1>("%CountSurfaces%mesh");
  I2 getSurface = registered<I2>("%GetSurface%mesh%surface_index");
  I1 countVertices = registered<I1>("%CountVertices%surface");
  I1 countTriangles = registered<I1>("%CountTriangles%surface");
  I1 countChildren = registered<I1>("%CountChildren%entity");
  I2 getChild = registered<I2>("%GetChild%entity%index");
  int32_t(VX_STDCALL* findChild)(int32_t, Str) = registered<decltype(findChild)>("%FindChild%entity$name");
  Str(VX_STDCALL* entityName)(int32_t) = registered<decltype(entityName)>("$EntityName%entity");
  Str(VX_STDCALL* entityClass)(int32_t) = registered<decltype(entityClass)>("$EntityClass%entity");
  float(VX_STDCALL* vertexNX)(int32_t, int32_t) = registered<decltype(vertexNX)>("#VertexNX%surface%index");
  float(VX_STDCALL* vertexNZ)(int32_t, int32_t) = registered<decltype(vertexNZ)>("#VertexNZ%surface%index");
  float(VX_STDCALL* vertexX)(int32_t, int32_t) = registered<decltype(vertexX)>("#VertexX%surface%index");
  float(VX_STDCALL* vertexU)(int32_t, int32_t, int32_t) =
      registered<decltype(vertexU)>("#VertexU%surface%index%coord_set=0");
  I1 animating = registered<I1>("%Animating%entity");
  I1 animLength = registered<I1>("%AnimLength%entity");
  void(VX_STDCALL* animate)(int32_t, int32_t, float, int32_t, float) =
      registered<decltype(animate)>("Animate%entity%mode=1#speed=1%sequence=0#transition=0");
  void(VX_STDCALL* setAnimTime)(int32_t, float, int32_t) =
      registered<decltype(setAnimTime)>("SetAnimTime%entity#time%anim_seq=0");
  float(VX_STDCALL* entityY)(int32_t, int32_t) = registered<decltype(entityY)>("#EntityY%entity%global=0");
  I2 copyEntity = registered<I2>("%CopyEntity%entity%parent=0");
};

std::string text(Str s) {
  std::string result(vx::viewOf(s));
  vx::releaseString(s);
  return result;
}

vx::Brush colored(Vector color) {
  vx::Brush brush;
  brush.setColor(color);
  return brush;
}

Vector positionOf(const vxtest::RecordingMesh& mesh, int index) {
  const vx::DeviceVertex& v = mesh.vertexData[index];
  return {v.x, v.y, v.z};
}

vx::Vertex at(float x, float y, float z) {
  vx::Vertex v;
  v.setPosition({x, y, z});
  return v;
}

}  // namespace

TEST(MeshBuilder, OneSurfacePerBrushHoldingOnlyTheVerticesItsTrianglesUse) {
  vx::MeshBuilder builder;
  for (int i = 0; i < 7; ++i) builder.addVertex(at(static_cast<float>(i), 0, 0));
  const vx::Brush red = colored({1, 0, 0}), blue = colored({0, 0, 1});
  EXPECT_TRUE(builder.addTriangle(0, 1, 2, red));
  EXPECT_TRUE(builder.addTriangle(2, 3, 4, blue));
  EXPECT_TRUE(builder.addTriangle(0, 2, 5, colored({1, 0, 0})));  // equal to red
  EXPECT_FALSE(builder.addTriangle(0, 1, 7, red));                 // no vertex 7
  // A second builder meanwhile (a nested node) is a mesh of its own.
  vx::MeshBuilder inner;
  inner.addVertex(at(0, 0, 0));
  inner.addTriangle(0, 0, 0, blue);
  Mesh innerMesh;
  inner.finish(innerMesh);
  EXPECT_EQ(innerMesh.surfaces().size(), 1u);

  Mesh mesh;
  builder.finish(mesh);
  ASSERT_EQ(mesh.surfaces().size(), 2u);
  const MeshSurface* reds = mesh.findSurface(red);
  const MeshSurface* blues = mesh.findSurface(blue);
  ASSERT_TRUE(reds && blues);
  // Vertex 2 is copied into both; vertex 6 is in neither.
  EXPECT_EQ(reds->vertexCount(), 4);
  EXPECT_EQ(blues->vertexCount(), 3);
  EXPECT_EQ(reds->triangles()[1], (vx::Triangle{{0, 2, 3}}));
  EXPECT_FLOAT_EQ(reds->vertices()[3].x, 5);
  EXPECT_EQ(builder.vertexCount(), 0);
}

// A model is many meshes finished one after another, larger and smaller,
// with what finishing works in kept from each to the next: every triangle
// still lands on its own corners, each surface holding each vertex once.
TEST(MeshBuilder, MeshesFinishedOneAfterAnotherKeepTheirOwnCorners) {
  const vx::Brush brushes[2] = {colored({1, 0, 0}), colored({0, 0, 1})};
  uint32_t seed = 7;
  auto random = [&seed](int n) { return static_cast<int>(((seed = seed * 1103515245u + 12345u) >> 8) % n); };
  for (int m = 0; m < 60; ++m) {
    const int vertices = 3 + (m * 37) % 200;
    vx::MeshBuilder builder;
    for (int v = 0; v < vertices; ++v) builder.addVertex(at(static_cast<float>(v), static_cast<float>(m), 0));
    std::vector<std::array<int, 3>> wanted[2];
    for (int t = 1 + random(150); t > 0; --t) {
      const int brush = random(2);
      const std::array<int, 3> corners{random(vertices), random(vertices), random(vertices)};
      builder.addTriangle(corners[0], corners[1], corners[2], brushes[brush]);
      wanted[brush].push_back(corners);
    }
    Mesh mesh;
    builder.finish(mesh);
    for (int brush = 0; brush < 2; ++brush) {
      const MeshSurface* surface = mesh.findSurface(brushes[brush]);
      if (wanted[brush].empty()) {
        EXPECT_FALSE(surface);
        continue;
      }
      ASSERT_TRUE(surface);
      ASSERT_EQ(surface->triangleCount(), static_cast<int>(wanted[brush].size()));
      std::vector<bool> held(vertices, false);
      for (const vx::Vertex& v : surface->vertices()) {
        ASSERT_EQ(v.y, m);
        ASSERT_FALSE(held[static_cast<size_t>(v.x)]) << "mesh " << m;
        held[static_cast<size_t>(v.x)] = true;
      }
      for (size_t t = 0; t < wanted[brush].size(); ++t)
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(surface->vertices()[surface->triangles()[t].v[c]].x, wanted[brush][t][c]) << "mesh " << m;
    }
  }
}

TEST(MeshBuilder, ASurfaceFullAt65536VerticesGoesOnInANewOne) {
  vx::MeshBuilder builder;
  const int triangles = 23334;  // 70,002 vertices, none shared
  for (int i = 0; i < 3 * triangles; ++i) builder.addVertex(at(static_cast<float>(i), 0, 0));
  for (int t = 0; t < triangles; ++t) builder.addTriangle(3 * t, 3 * t + 1, 3 * t + 2, vx::Brush());
  Mesh mesh;
  builder.finish(mesh);
  ASSERT_EQ(mesh.surfaces().size(), 2u);
  EXPECT_EQ(mesh.surfaces()[0]->vertexCount(), 65535);
  EXPECT_EQ(mesh.surfaces()[1]->triangleCount() + mesh.surfaces()[0]->triangleCount(), triangles);
  for (const auto& s : mesh.surfaces()) EXPECT_TRUE(s->drawable());
  EXPECT_FLOAT_EQ(mesh.surfaces()[1]->vertices()[0].x, 65535);
}

namespace {

class ModelFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    vx::startWorld3D();
    vx::world3D()->device = &device;
  }
  void TearDown() override { vx::endWorld3D(); }

  std::string save(const V3DWriter& file, const std::string& name = "model.v3d") {
    const std::string path = dir / name;
    file.save(path);
    return path;
  }
  int32_t loadAnim(const std::string& path) { return c.loadAnimMesh(vx::newString(path), 0); }
  static Mesh* meshOf(int32_t handle) { return vx::world3D()->entities.find(handle)->getModel()->getMesh(); }
  // Renders the mesh as one frame of the world renderer does, after every
  // object of its hierarchy has taken its place (its bones among them).
  // False when it is not drawn.
  bool draw(Mesh& mesh) {
    beginRender(mesh);
    if (!mesh.prepare({0, 0, 0})) return false;
    mesh.render(context);
    mesh.flush(Mesh::kOpaque, device);
    mesh.flush(Mesh::kTransparent, device);
    return true;
  }
  static void beginRender(vx::Entity& entity) {
    if (vx::Object* object = entity.getObject()) object->beginRender(1);
    for (vx::Entity* child = entity.firstChild(); child; child = child->next()) beginRender(*child);
  }

  Commands c;
  vxtest::TempDir dir;
  vxtest::RecordingSceneDevice device;
  vx::RenderContext context{device, {}, vx::Frustum(1, 100, 2, 2)};
};

// Every kind of chunk: a textured brush, two equal brushes and the default
// one, a mesh with normals and an unused vertex, a child without normals,
// keys and an animation, bad numbers and chunks nobody knows.
V3DWriter everyChunk() {
  V3DWriter w;
  w.file();
  w.begin("TEXS").s("missing.png").n(1 | 0x10000).n(3).f({0.5f, 0.25f, 2, 2, 45}).end();
  w.begin("BRUS").n(1);
  w.s("red").f({1, 0, 0, 1, 0}).n(0).n(0).n(-1);
  w.s("same red").f({1, 0, 0, 1, 0}).n(0).n(0).n(-1);
  w.s("textured").f({0, 0, 1, 1, 0}).n(0).n(0).n(0);
  w.end();
  w.begin("JUNK").i(12345).end();
  w.node("root");
  w.begin("ANIM").n(0).n(10).f(30).end();
  w.begin("KEYS").n(1).i(0).f({0, 0, 0}).i(10).f({0, 5, 0}).end();
  w.begin("MESH").n(2);
  // A quad and an unused vertex, with normals that are not the faces' and
  // two sets of two coordinates.
  w.begin("VRTS").n(1).n(2).n(2);
  for (Vector p : {Vector{0, 0, 10}, Vector{0, 1, 10}, Vector{1, 1, 10}, Vector{1, 0, 10}, Vector{7, 7, 10}})
    w.f({p.x, p.y, p.z, 1, 0, 0, p.x, p.y, 1, 0});
  w.end();
  w.begin("HUH?").f(1).end();  // unknown, inside a mesh
  w.triangles(0, {0, 1, 2});
  w.triangles(1, {0, 2, 3});   // an equal brush: the same surface
  w.triangles(-1, {2, 1, 3});  // the default brush
  w.triangles(0, {0, 1, 99});  // no vertex 99
  w.end();
  w.node("child", 1, 0, 0);
  w.begin("MESH").n(-1);
  w.positions({0, 0, 10, 0, 0, 1, 0, 10, 0, 0, 1, 1, 10, 0, 0});
  w.triangles(-1, {0, 1, 2});
  w.end();
  w.node("grandchild").begin("KEYS").n(2).i(3).f({1, 2, 3}).end().end();
  w.end();  // child
  w.end();  // root
  w.begin("JUNK").end();
  w.end();
  return w;
}

// A quad at z = 5 whose two left corners follow bone "left", which rises
// by 2 over 10 frames; the top right one follows "right" (the greater
// weight), the bottom right one the mesh itself.
V3DWriter skinned() {
  V3DWriter w;
  w.file();
  w.node("skin", 0, 0, 5);
  w.begin("ANIM").n(0).n(10).f(30).end();
  w.begin("MESH").n(-1);
  w.positions({-1, -1, 0, 0, 0, -1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, -1, 0, 0, 0});
  w.triangles(-1, {0, 1, 2, 0, 2, 3});
  w.end();
  w.node("left").begin("BONE").n(0).f(0.5f).n(1).f(0.5f).n(2).f(0.3f).end();
  w.begin("KEYS").n(1).i(0).f({0, 0, 0}).i(10).f({0, 2, 0}).end().end();
  w.node("right").begin("BONE").n(0).f(0.5f).n(2).f(0.7f).n(9).f(1).end().end();
  w.end().end();
  return w;
}

}  // namespace

TEST_F(ModelFiles, AV3DFileLoadsItsHierarchySurfacesNormalsAndKeys) {
  const std::string path = save(everyChunk());
  const int32_t root = loadAnim(path);
  ASSERT_NE(root, 0);
  EXPECT_EQ(text(c.entityName(root)), "root");
  EXPECT_EQ(text(c.entityClass(root)), "Mesh");
  ASSERT_EQ(c.countChildren(root), 1);
  const int32_t child = c.getChild(root, 1);
  EXPECT_EQ(text(c.entityName(child)), "child");
  EXPECT_NE(c.findChild(root, vx::newString("grandchild")), 0);

  // The two red brushes share a surface; the default brush has its own.
  ASSERT_EQ(c.countSurfaces(root), 2);
  int32_t shared = c.getSurface(root, 1), plain = c.getSurface(root, 2);
  if (c.countTriangles(shared) != 2) std::swap(shared, plain);
  EXPECT_EQ(c.countTriangles(shared), 2);
  EXPECT_EQ(c.countVertices(shared), 4);  // vertex 4 is used by no triangle
  EXPECT_EQ(c.countTriangles(plain), 1);
  EXPECT_EQ(c.countVertices(plain), 3);
  EXPECT_FLOAT_EQ(c.vertexNX(shared, 0), 1);  // as stored
  EXPECT_FLOAT_EQ(c.vertexU(shared, 1, 1), 1);
  const int32_t childSurface = c.getSurface(child, 1);
  EXPECT_FLOAT_EQ(c.vertexNZ(childSurface, 0), 1);  // computed from the face
  // The brush of the mesh chunk is the entity's: blue, its texture missing.
  const vx::Brush& brush = meshOf(root)->brush;
  EXPECT_EQ(brush.color(), (Vector{0, 0, 1}));
  EXPECT_FALSE(brush.texture(0));

  // Frame 0 shows and nothing plays until the program says so.
  EXPECT_EQ(c.animating(root), 0);
  EXPECT_EQ(c.animLength(root), 10);
  EXPECT_FLOAT_EQ(c.entityY(root, 0), 0);
  c.setAnimTime(root, 4, 0);
  EXPECT_FLOAT_EQ(c.entityY(root, 0), 2);
  // The grandchild's keys belong to the root's animator.
  EXPECT_TRUE(near(vx::world3D()->entities.find(c.findChild(root, vx::newString("grandchild")))->localScale(),
                   {1, 2, 3}));
}

TEST_F(ModelFiles, LoadMeshCollapsesTheHierarchyThroughItsWorldTransforms) {
  const std::string path = save(everyChunk());
  const size_t before = vx::world3D()->entities.size();
  const int32_t mesh = c.loadMesh(vx::newString(path), 0);
  ASSERT_NE(mesh, 0);
  EXPECT_EQ(vx::world3D()->entities.size(), before + 1);  // the loaded hierarchy went
  EXPECT_EQ(c.countChildren(mesh), 0);
  EXPECT_EQ(c.animLength(mesh), -1);
  // The child's default-brush triangle joined the root's default surface,
  // moved by the child's place.
  ASSERT_EQ(c.countSurfaces(mesh), 2);
  // Children come first: the default surface is the child's, the root's
  // default-brush triangle appended.
  const int32_t plain = c.getSurface(mesh, 1);
  EXPECT_EQ(c.countTriangles(plain), 2);
  EXPECT_EQ(c.countVertices(plain), 6);
  EXPECT_FLOAT_EQ(c.vertexX(plain, 0), 1);  // the child's first, moved
  EXPECT_FLOAT_EQ(c.vertexX(plain, 4), 0);  // the root's, in place
  EXPECT_EQ(c.countVertices(c.getSurface(mesh, 2)), 4);
}

TEST_F(ModelFiles, OnlyV3DOfVersionsBelowTwoLoadsByItsExtensionInAnyCase) {
  V3DWriter version2;
  version2.file(2).node("n").end().end();
  EXPECT_EQ(loadAnim(save(version2)), 0);
  V3DWriter version1;
  version1.file(1).node("n").end().end();
  EXPECT_NE(loadAnim(save(version1, "UPPER.V3D")), 0);
  EXPECT_TRUE(vx::world3D()->loaderMatrices.count("v3d"));
  for (const char* name : {"model.x", "model.3ds", "model.obj", "model"}) EXPECT_EQ(loadAnim(save(version1, name)), 0);
  EXPECT_EQ(loadAnim(dir / "none.v3d"), 0);
  std::filesystem::create_directory(dir / "folder.v3d");
  EXPECT_EQ(loadAnim(dir / "folder.v3d"), 0);
}

TEST_F(ModelFiles, LoadAnimSeqMatchesObjectsByName) {
  const int32_t skin = loadAnim(save(skinned()));
  // Another file whose "left" bone moves sideways over 4 frames.
  V3DWriter walk;
  walk.file().node("other").begin("ANIM").n(0).n(4).f(1).end();
  walk.node("left").begin("KEYS").n(1).i(0).f({0, 0, 0}).i(4).f({0, 0, 8}).end().end();
  walk.end().end();
  EXPECT_EQ(c.loadAnimSeq(skin, vx::newString(save(walk, "walk.v3d"))), 1);
  EXPECT_EQ(c.loadAnimSeq(skin, vx::newString(dir / "none.v3d")), 1);
  c.setAnimTime(skin, 2, 1);
  EXPECT_EQ(c.animLength(skin), 4);
  const int32_t left = c.findChild(skin, vx::newString("left"));
  EXPECT_TRUE(near(vx::world3D()->entities.find(left)->localPosition(), {0, 0, 4}));
}

TEST_F(ModelFiles, SkinnedVerticesFollowTheirHeaviestBoneOnlyWhenABoneMoved) {
  const int32_t skin = loadAnim(save(skinned()));
  ASSERT_NE(skin, 0);
  Mesh& mesh = *meshOf(skin);
  ASSERT_TRUE(vx::Skin::of(mesh));
  const auto& vertices = mesh.surfaces()[0]->vertices();
  EXPECT_EQ(vertices[0].bone, 1);
  EXPECT_EQ(vertices[1].bone, 1);
  EXPECT_EQ(vertices[2].bone, 2);  // 0.7 beats 0.3
  EXPECT_EQ(vertices[3].bone, 0);
  EXPECT_EQ(mesh.drawTransform(), nullptr);  // posed in world space

  ASSERT_TRUE(draw(mesh));
  ASSERT_EQ(device.meshes.size(), 1u);
  vxtest::RecordingMesh& posed = *device.meshes[0];
  EXPECT_TRUE(near(positionOf(posed, 1), {-1, 1, 5}));
  draw(mesh);
  EXPECT_EQ(posed.vertexLocks.size(), 1u);  // nothing moved

  c.setAnimTime(skin, 5, 0);
  draw(mesh);
  EXPECT_EQ(posed.vertexLocks.size(), 2u);
  EXPECT_TRUE(near(positionOf(posed, 1), {-1, 2, 5}));
  EXPECT_FLOAT_EQ(posed.vertexData[0].y, 0);
  EXPECT_FLOAT_EQ(posed.vertexData[3].y, -1);
  EXPECT_FLOAT_EQ(posed.vertexData[1].nz, -1);

  // Nothing is posed for a mesh out of view.
  mesh.setLocalPosition({0, 0, -20});
  c.setAnimTime(skin, 2, 0);
  draw(mesh);
  EXPECT_EQ(posed.vertexLocks.size(), 2u);
  mesh.setLocalPosition({0, 0, 5});
  c.setAnimTime(skin, 5, 0);

  // A copy has a skin of its own, on its own bones.
  const int32_t copy = c.copyEntity(skin, 0);
  c.setAnimTime(copy, 2.5f, 0);
  draw(*meshOf(copy));
  ASSERT_EQ(device.meshes.size(), 2u);
  EXPECT_FLOAT_EQ(device.meshes[1]->vertexData[1].y, 1.5f);
  EXPECT_FLOAT_EQ(posed.vertexData[1].y, 2);

  // A bone freed leaves its vertices with the mesh.
  vx::freeEntity(vx::world3D()->entities.find(c.findChild(copy, vx::newString("left"))));
  draw(*meshOf(copy));
  EXPECT_FLOAT_EQ(device.meshes[1]->vertexData[1].y, 1);
}

// Copies of two files cut at and around every chunk header, with each
// chunk length and number replaced by bad values, and with bytes changed
// at random: each loads or gives nothing, and what loads can be played
// and drawn.
TEST_F(ModelFiles, DamagedFilesLoadWhatTheySafelyCan) {
  const vx::ModelLoad load{*vx::world3D(), "", vx::kLoadAnimMesh, {}};
  int loaded = 0, tried = 0;
  auto tryLoad = [&](const std::vector<uint8_t>& bytes) {
    ++tried;
    std::unique_ptr<vx::Object> root = vx::readV3D(load, bytes);
    if (!root) return;
    ++loaded;
    if (vx::KeyAnimator* animator = vx::KeyAnimator::of(root.get())) {
      animator->play(1, 1, 0, 2);
      for (int i = 0; i < 3; ++i) root->animate(1.5f);
    }
    if (Mesh* mesh = root->getModel() ? root->getModel()->getMesh() : nullptr) {
      mesh->setLocalPosition({0, 0, 10});
      draw(*mesh);
    }
  };
  uint32_t seed = 12345;
  auto random = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  for (const V3DWriter& file : {everyChunk(), skinned()}) {
    for (size_t header : file.headers)
      for (size_t cut : {header, header + 4, header + 8, header + 9})
        if (cut < file.bytes.size()) tryLoad({file.bytes.begin(), file.bytes.begin() + cut});
    std::vector<size_t> numbers = file.numbers;
    for (size_t header : file.headers) numbers.push_back(header + 4);
    for (size_t at : numbers)
      for (int32_t bad : {-1, -100, 0x7FFFFFFF, 0x40000000, 1000, 3}) {
        std::vector<uint8_t> bytes = file.bytes;
        std::memcpy(&bytes[at], &bad, 4);
        tryLoad(bytes);
      }
    for (int i = 0; i < 2000; ++i) {
      std::vector<uint8_t> bytes = file.bytes;
      for (int changes = 1 + random() % 4; changes > 0; --changes) bytes[random() % bytes.size()] = random() & 0xFF;
      tryLoad(bytes);
    }
  }
  EXPECT_GT(loaded, tried / 2);
  EXPECT_EQ(vx::world3D()->entities.size(), 0u);
}
