// Meshes: the primitives' layouts, normals, fitting, flipping, merging and
// lighting, the incremental device buffers, and what a mesh queues for a
// view.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine3d/render_context.h"
#include "engine3d/mesh.h"
#include "engine3d/primitives.h"
#include "engine3d/world.h"
#include "world3d/vexel3d_module.h"
#include "debugged_3d_run.h"
#include "math3d_expect.h"
#include "recording_scene_device.h"
#include "registered.h"

using vx::Mesh;
using vx::MeshSurface;
using vx::Vector;
using vxtest::LockRange;
using vxtest::messageOf;
using vxtest::near;

namespace {

std::unique_ptr<Mesh> own(Mesh* mesh) { return std::unique_ptr<Mesh>(mesh); }

Vector position(const MeshSurface& s, int i) { return s.vertices()[i].position(); }
Vector normal(const MeshSurface& s, int i) { return s.vertices()[i].normal(); }

// A surface of count vertices along x, with triangles fanning from 0.
MeshSurface& strip(Mesh& mesh, int count) {
  MeshSurface& s = mesh.createSurface(vx::Brush());
  for (int i = 0; i < count; ++i) s.addVertex({static_cast<float>(i), static_cast<float>(i % 2), 0}, 0, 0);
  for (int i = 1; i + 1 < count; ++i) s.addTriangle(0, i, i + 1);
  return s;
}

}  // namespace

TEST(Primitives, CubeFacesHaveTheirCornersNormalsAndCoordinates) {
  auto cube = own(vx::createCube());
  ASSERT_EQ(cube->surfaces().size(), 1u);
  const MeshSurface& s = *cube->surfaces()[0];
  EXPECT_EQ(s.vertexCount(), 24);
  EXPECT_EQ(s.triangleCount(), 12);
  // The front face: corners 2, 3, 1, 0 facing -z.
  EXPECT_EQ(position(s, 0), (Vector{-1, 1, -1}));
  EXPECT_EQ(position(s, 1), (Vector{1, 1, -1}));
  EXPECT_EQ(position(s, 2), (Vector{1, -1, -1}));
  EXPECT_EQ(position(s, 3), (Vector{-1, -1, -1}));
  EXPECT_EQ(normal(s, 0), (Vector{0, 0, -1}));
  EXPECT_EQ(normal(s, 23), (Vector{0, -1, 0}));
  EXPECT_FLOAT_EQ(s.vertices()[2].u0, 1);
  EXPECT_FLOAT_EQ(s.vertices()[2].v1, 1);
  const vx::Triangle t = s.triangles()[11];
  EXPECT_EQ(t, (vx::Triangle{{20, 22, 23}}));
  // Every face winds clockwise seen from outside (left-handed).
  for (const vx::Triangle& tri : s.triangles()) {
    const Vector a = position(s, tri.v[0]), b = position(s, tri.v[1]), c = position(s, tri.v[2]);
    EXPECT_GT(vx::dot(vx::cross(b - a, c - a), normal(s, tri.v[0])), 0);
  }
}

TEST(Primitives, SphereRowsLieOnTheUnitSphere) {
  auto sphere = own(vx::createSphere(2));
  const MeshSurface& s = *sphere->surfaces()[0];
  EXPECT_EQ(s.vertexCount(), 13);
  EXPECT_EQ(s.triangleCount(), 8);
  EXPECT_EQ(position(s, 0), (Vector{0, 1, 0}));
  EXPECT_FLOAT_EQ(s.vertices()[0].u0, 0.125f);
  // The equator: angle 0 at +z, then towards -x.
  EXPECT_TRUE(near(position(s, 4), {0, 0, 1}));
  EXPECT_TRUE(near(position(s, 5), {-1, 0, 0}));
  EXPECT_TRUE(near(position(s, 8), {0, 0, 1}));  // the seam repeats the first
  EXPECT_EQ(position(s, 12), (Vector{0, -1, 0}));

  auto fine = own(vx::createSphere(8));
  const MeshSurface& f = *fine->surfaces()[0];
  EXPECT_EQ(f.vertexCount(), 16 + 7 * 17 + 16);
  EXPECT_EQ(f.triangleCount(), 16 + 6 * 32 + 16);
  for (int i = 0; i < f.vertexCount(); ++i) {
    EXPECT_NEAR(vx::length(position(f, i)), 1, 1e-5);
    EXPECT_TRUE(near(normal(f, i), position(f, i)));
  }
}

TEST(Primitives, CylindersAndConesWithAndWithoutCaps) {
  auto open = own(vx::createCylinder(3, false));
  ASSERT_EQ(open->surfaces().size(), 1u);
  EXPECT_EQ(open->surfaces()[0]->vertexCount(), 8);
  EXPECT_EQ(open->surfaces()[0]->triangleCount(), 6);
  EXPECT_TRUE(near(position(*open->surfaces()[0], 1), {0, -1, 1}));
  EXPECT_TRUE(near(normal(*open->surfaces()[0], 1), {0, 0, 1}));

  auto solid = own(vx::createCylinder(8, true));
  ASSERT_EQ(solid->surfaces().size(), 2u);
  const MeshSurface& caps = *solid->surfaces()[1];
  EXPECT_EQ(caps.vertexCount(), 16);
  EXPECT_EQ(caps.triangleCount(), 12);
  EXPECT_EQ(normal(caps, 0), (Vector{0, 1, 0}));
  EXPECT_EQ(normal(caps, 1), (Vector{0, -1, 0}));
  EXPECT_FLOAT_EQ(caps.vertices()[0].v0, 1);  // (0, 1, 1): v = (z + 1) / 2

  auto cone = own(vx::createCone(8, true));
  ASSERT_EQ(cone->surfaces().size(), 2u);
  EXPECT_EQ(cone->surfaces()[0]->vertexCount(), 8 + 9);
  EXPECT_EQ(cone->surfaces()[0]->triangleCount(), 8);
  EXPECT_EQ(cone->surfaces()[1]->vertexCount(), 8);
  EXPECT_EQ(cone->surfaces()[1]->triangleCount(), 6);
}

TEST(Meshes, NormalsAreSharedAcrossSeamsAndMadeOnlyAfterChanges) {
  auto sphere = own(vx::createSphere(6));
  MeshSurface& s = *sphere->surfaces()[0];
  for (int i = 0; i < s.vertexCount(); ++i) s.setNormal(i, {0, 0, 0});
  EXPECT_TRUE(sphere->updateNormals());
  // Row 1 starts at 12 and repeats its first vertex at 24: one normal.
  EXPECT_EQ(normal(s, 12), normal(s, 24));
  EXPECT_NEAR(vx::dot(normal(s, 30), vx::normalise(position(s, 30))), 1, 1e-3);
  EXPECT_TRUE(near(normal(s, 0), {0, 1, 0}, 1e-5f));

  s.setNormal(30, {5, 5, 5});  // normals are not geometry
  EXPECT_FALSE(sphere->updateNormals());
  EXPECT_EQ(normal(s, 30), (Vector{5, 5, 5}));
  s.setCoords(30, position(s, 30));
  EXPECT_TRUE(sphere->updateNormals());
  EXPECT_NEAR(vx::length(normal(s, 30)), 1, 1e-5);
}

TEST(Meshes, CornersWithinTheToleranceWeldIntoOneNormal) {
  // A cube's faces meet at its corners: welded, the three vertices of a
  // corner share one normal, pointing out of the corner, whichever face
  // each belongs to.
  auto cube = own(vx::createCube());
  MeshSurface& s = *cube->surfaces()[0];
  ASSERT_TRUE(cube->updateNormals());
  for (int i = 0; i < s.vertexCount(); ++i) {
    for (int j = 0; j < s.vertexCount(); ++j) {
      if (position(s, i) == position(s, j)) {
        EXPECT_EQ(normal(s, i), normal(s, j));
      }
    }
    const Vector n = normal(s, i), p = position(s, i);
    EXPECT_TRUE(n.x * p.x > 0 && n.y * p.y > 0 && n.z * p.z > 0);
  }

  // Within 1e-6 a place is shared, farther apart it is not; a vertex no
  // triangle uses takes the normal of its place.
  Mesh mesh;
  MeshSurface& t = mesh.createSurface(vx::Brush());
  t.addVertex({0, 0, 0}, 0, 0), t.addVertex({1, 0, 0}, 0, 0), t.addVertex({0, 1, 0}, 0, 0);
  t.addVertex({0, 0, 5e-7f}, 0, 0), t.addVertex({0, 1, 0}, 0, 0), t.addVertex({0, 0, -1}, 0, 0);
  t.addVertex({1e-5f, 0, 0}, 0, 0), t.addVertex({0, 0, 0}, 0, 0);
  t.addTriangle(0, 1, 2);  // facing +z
  t.addTriangle(3, 4, 5);  // facing -x
  t.addTriangle(6, 6, 6);  // no face
  t.updateNormals();
  const Vector shared = vx::normalise(Vector{-1, 0, 1});
  EXPECT_TRUE(near(normal(t, 0), shared, 1e-5f));
  EXPECT_TRUE(near(normal(t, 3), shared, 1e-5f));
  EXPECT_TRUE(near(normal(t, 7), shared, 1e-5f));
  EXPECT_TRUE(near(normal(t, 1), {0, 0, 1}, 1e-5f));
  EXPECT_EQ(normal(t, 6), (Vector{}));
}

TEST(Meshes, SurfacesStayWithinWhatTheirIndicesReach) {
  Mesh mesh;
  vx::Brush red;
  red.setColor({1, 0, 0});
  MeshSurface& first = mesh.surfaceWithRoom(red, 3);
  for (int i = 0; i < 65530; ++i) first.addVertex({0, 0, 0}, 0, 0);
  EXPECT_EQ(&mesh.surfaceWithRoom(red, 6), &first);
  MeshSurface& second = mesh.surfaceWithRoom(red, 7);
  EXPECT_NE(&second, &first);
  EXPECT_EQ(second.brush(), red);
  EXPECT_NE(&mesh.surfaceWithRoom(vx::Brush(), 1), &second);

  // A triangle naming a vertex 16 bits cannot hold keeps the surface from
  // being drawn with the vertex its index wraps to.
  for (int i = 0; i < 10; ++i) first.addVertex({0, 0, 0}, 0, 0);
  first.addTriangle(0, 1, 2);
  EXPECT_TRUE(first.drawable());
  first.addTriangle(0, 1, 65537);
  EXPECT_FALSE(first.drawable());
}

TEST(Meshes, FittingScalesIntoTheBoxAndCentresThere) {
  auto cube = own(vx::createCube());
  cube->transform({{{1, 0, 0}, {0, 2, 0}, {0, 0, 4}}, {3, 3, 3}});  // 2 x 4 x 8
  cube->fit({0, 0, 0}, {1, 1, -1}, true);
  Vector min, max;
  cube->bounds(min, max);
  EXPECT_TRUE(near(max - min, {0.25f, 0.5f, 1}));
  EXPECT_TRUE(near((min + max) * 0.5f, {0.5f, 0.5f, -0.5f}));

  cube->fit({-1, -1, -1}, {2, 2, 2}, false);
  cube->bounds(min, max);
  EXPECT_TRUE(near(min, {-1, -1, -1}));
  EXPECT_TRUE(near(max, {1, 1, 1}));

  // A flat mesh keeps its flat axis and fits the others.
  Mesh flat;
  strip(flat, 3);
  flat.fit({0, 0, 0}, {4, 4, 4}, true);
  flat.bounds(min, max);
  EXPECT_TRUE(near(max - min, {4, 2, 0}));
  EXPECT_FALSE(std::isnan(min.z));
}

TEST(Meshes, FlippingTwiceRestoresEveryVertexAndTriangle) {
  auto sphere = own(vx::createSphere(5));
  sphere->transform({{{1, 0.5f, 0}, {0, 2, 0}, {0.25f, 0, 3}}, {1, 2, 3}});
  const MeshSurface& s = *sphere->surfaces()[0];
  const std::vector<vx::Vertex> vertices = s.vertices();
  const std::vector<vx::Triangle> triangles = s.triangles();
  sphere->flip();
  EXPECT_EQ(s.triangles()[0].v[1], triangles[0].v[2]);
  EXPECT_EQ(normal(s, 3), -vertices[3].normal());
  sphere->flip();
  EXPECT_EQ(s.vertices(), vertices);
  EXPECT_EQ(s.triangles(), triangles);
}

TEST(Meshes, AddingMergesSurfacesOfEqualBrushes) {
  auto a = own(vx::createCube());
  auto b = own(vx::createCube());
  Mesh dest;
  dest.add(*a);
  dest.add(*b);
  ASSERT_EQ(dest.surfaces().size(), 1u);
  const MeshSurface& s = *dest.surfaces()[0];
  EXPECT_EQ(s.vertexCount(), 48);
  EXPECT_EQ(s.triangleCount(), 24);
  EXPECT_EQ(s.triangles()[12], (vx::Triangle{{24, 25, 26}}));

  vx::Brush red;
  red.setColor({1, 0, 0});
  b->paint(red);
  dest.add(*b);
  EXPECT_EQ(dest.surfaces().size(), 2u);
  EXPECT_EQ(dest.findSurface(red), dest.surfaces()[1].get());

  // A mesh and its copies are one geometry: adding is refused.
  std::unique_ptr<vx::Entity> copy(dest.clone());
  dest.add(*copy->getModel()->getMesh());
  EXPECT_EQ(dest.surfaces()[0]->vertexCount(), 48);

  // Surfaces that together pass what 16-bit indices reach stay apart, each
  // drawable; a later small one still joins the first that has room.
  Mesh large, merged;
  strip(large, 40000);
  merged.add(large);
  merged.add(large);
  merged.add(*a);
  ASSERT_EQ(merged.surfaces().size(), 2u);
  EXPECT_EQ(merged.surfaces()[0]->vertexCount(), 40024);
  EXPECT_EQ(merged.surfaces()[1]->vertexCount(), 40000);
  for (const auto& surface : merged.surfaces()) EXPECT_TRUE(surface->drawable());
}

TEST(Meshes, LightingAddsColourByDistanceAndFacing) {
  Mesh mesh;
  MeshSurface& s = mesh.createSurface(vx::Brush());
  for (int i = 0; i < 3; ++i) {
    s.addVertex({0, 0, static_cast<float>(i)}, 0, 0);
    s.setNormal(i, {0, 2, 0});
    s.setColor(i, 0x00102030);
  }
  s.setNormal(2, {0, -1, 0});  // faces away
  mesh.light({0.5f, 0.25f, 1}, 0, {});
  EXPECT_EQ(s.vertices()[0].argb, 0xFF8F5FFFu);  // 0x10 + 127, 0x20 + 63, 0x30 + 255 clamped
  s.setColor(0, 0);
  s.setColor(1, 0);
  s.setColor(2, 0);
  // A light 2 above vertex 0 with range 2: full strength there, less at
  // vertex 1, nothing on the far side.
  mesh.light({0.5f, 0.5f, 0.5f}, 2, {0, 2, 0});
  EXPECT_EQ(s.vertices()[0].argb, 0xFF7F7F7Fu);
  const float d = std::sqrt(5.0f), weight = (2 / d) * (2 / d);
  const uint32_t c = static_cast<uint32_t>(127.5f * weight);
  EXPECT_EQ(s.vertices()[1].argb, 0xFF000000u | c << 16 | c << 8 | c);
  EXPECT_EQ(s.vertices()[2].argb, 0u);
}

TEST(DeviceBuffers, OnlyTheChangedTailIsSentAndRoomGrowsByHalf) {
  vxtest::RecordingSceneDevice device;
  Mesh mesh;
  MeshSurface& s = strip(mesh, 100);
  vx::DeviceMesh* first = s.deviceMesh(device);
  ASSERT_EQ(device.meshes.size(), 1u);
  vxtest::RecordingMesh& buffer = *device.meshes[0];
  EXPECT_EQ(first, &buffer);
  EXPECT_EQ(buffer.vertexCapacity(), 100);
  EXPECT_EQ(buffer.triangleCapacity(), 98);
  EXPECT_EQ(buffer.vertexLocks, (std::vector<LockRange>{{0, 100}}));
  EXPECT_EQ(buffer.triangleLocks, (std::vector<LockRange>{{0, 98}}));
  EXPECT_EQ(buffer.indexData[3 * 97 + 2], 99);

  s.deviceMesh(device);  // nothing changed: nothing sent
  EXPECT_EQ(buffer.vertexLocks.size(), 1u);

  s.setColor(5, 0xFF00FF00);
  s.deviceMesh(device);
  EXPECT_EQ(buffer.vertexLocks.back(), (LockRange{5, 95}));
  EXPECT_EQ(buffer.triangleLocks.size(), 1u);
  EXPECT_EQ(buffer.vertexData[5].argb, 0xFF00FF00u);

  s.addVertex({0, 0, 1}, 0, 0);
  s.deviceMesh(device);
  ASSERT_EQ(device.meshes.size(), 2u);
  EXPECT_EQ(device.meshes[1]->vertexCapacity(), 101 + 50);
  EXPECT_EQ(device.meshes[1]->triangleCapacity(), 98 + 49);
  EXPECT_EQ(device.meshes[1]->vertexLocks, (std::vector<LockRange>{{0, 101}}));

  // Within the room a new triangle sends only itself.
  s.addTriangle(0, 99, 100);
  s.deviceMesh(device);
  EXPECT_EQ(device.meshes.size(), 2u);
  EXPECT_EQ(device.meshes[1]->triangleLocks.back(), (LockRange{98, 1}));
}

TEST(DeviceBuffers, TrianglesOutsideTheVerticesAreNotDrawn) {
  vxtest::RecordingSceneDevice device;
  Mesh mesh;
  MeshSurface& s = strip(mesh, 4);
  s.clear(true, false);
  EXPECT_EQ(s.deviceMesh(device), nullptr);
  for (int i = 0; i < 4; ++i) s.addVertex({0, 0, 0}, 0, 0);
  EXPECT_NE(s.deviceMesh(device), nullptr);
  s.clear(false, true);
  EXPECT_EQ(s.deviceMesh(device), nullptr);  // nothing to draw
}

class MeshRendering : public ::testing::Test {
 protected:
  void SetUp() override {
    vx::startWorld3D();
    vx::world3D()->device = &device;
  }
  void TearDown() override { vx::endWorld3D(); }

  Mesh& placed(Vector at) {
    auto* mesh = vx::createCube();
    vx::addEntity(mesh, nullptr);
    mesh->setLocalPosition(at);
    return *mesh;
  }
  // One frame of the mesh as the world renderer draws it.
  bool draw(Mesh& mesh) {
    if (!mesh.beginRender(1) || !mesh.prepare({0, 0, 0})) return false;
    mesh.render(context);
    const bool any = mesh.hasQueued(Mesh::kOpaque) || mesh.hasQueued(Mesh::kTransparent);
    mesh.flush(Mesh::kOpaque, device);
    mesh.flush(Mesh::kTransparent, device);
    return any;
  }

  vxtest::RecordingSceneDevice device;
  vx::RenderContext context{device, {}, vx::Frustum(1, 100, 2, 2)};
};

TEST_F(MeshRendering, MeshesOutsideTheViewQueueNothing) {
  EXPECT_TRUE(draw(placed({0, 0, 10})));
  EXPECT_FALSE(draw(placed({0, 0, -10})));
  EXPECT_FALSE(draw(placed({50, 0, 10})));
  EXPECT_TRUE(draw(placed({9.5f, 0, 10})));  // a corner reaches into the view
  EXPECT_EQ(device.draws.size(), 2u);
}

TEST_F(MeshRendering, SurfacesDrawWithTheEntityBrushMergedIn) {
  Mesh& mesh = placed({0, 0, 10});
  vx::Brush green;
  green.setColor({0, 1, 0});
  mesh.createSurface(green).addVertex({0, 0, 0}, 0, 0);
  mesh.surfaces()[1]->addTriangle(0, 0, 0);
  mesh.setColor({0.5f, 0.5f, 0.5f});
  ASSERT_TRUE(draw(mesh));
  ASSERT_EQ(device.draws.size(), 2u);
  // The last queued is drawn first.
  EXPECT_EQ(device.draws[0].triangles, 1);
  EXPECT_FLOAT_EQ(device.draws[0].state.green, 0.5f);
  EXPECT_FLOAT_EQ(device.draws[0].state.red, 0);
  EXPECT_FLOAT_EQ(device.draws[1].state.red, 0.5f);
  EXPECT_EQ(device.draws[1].triangles, 12);

  // Half transparent: the items go to the transparent queue.
  mesh.setAlpha(0.5f);
  ASSERT_TRUE(mesh.beginRender(1) && mesh.prepare({0, 0, 0}));
  mesh.render(context);
  EXPECT_FALSE(mesh.hasQueued(Mesh::kOpaque));
  EXPECT_TRUE(mesh.hasQueued(Mesh::kTransparent));
  mesh.flush(Mesh::kTransparent, device);
  EXPECT_EQ(device.draws.back().state.blend, 1);

  mesh.setAlpha(0);
  EXPECT_FALSE(mesh.beginRender(1));
}

TEST_F(MeshRendering, AutoFadeThinsAndThenHidesTheModel) {
  Mesh& mesh = placed({0, 0, 15});
  mesh.autoFade = true;
  mesh.fadeNear = 10;
  mesh.fadeFar = 20;
  ASSERT_TRUE(draw(mesh));
  EXPECT_FLOAT_EQ(device.draws.back().state.alpha, 0.5f);
  EXPECT_EQ(device.draws.back().state.blend, 1);
  mesh.setLocalPosition({0, 0, 25});
  EXPECT_FALSE(draw(mesh));
}

TEST_F(MeshRendering, RenderItemsComeFromAListThatGrowsByBlocks) {
  Mesh& mesh = placed({0, 0, 10});
  for (int i = 0; i < 300; ++i) mesh.createSurface(vx::Brush()).addVertex({0, 0, 0}, 0, 0);
  for (const auto& s : mesh.surfaces())
    if (!s->triangleCount()) s->addTriangle(0, 0, 0);
  draw(mesh);
  const size_t made = vx::RenderQueue::itemsMade();
  EXPECT_EQ(made % 256, 0u);
  EXPECT_GE(made, 301u);
  draw(mesh);
  EXPECT_EQ(vx::RenderQueue::itemsMade(), made);
}

namespace {

// Moves every vertex along x by its own amount, in world space.
class Shift final : public vx::MeshDeformer {
 public:
  explicit Shift(float by) : by_(by) {}
  uint32_t pose() override { return 0; }
  void deform(size_t, const MeshSurface& surface, vx::DeviceVertex* out) override {
    for (const vx::Vertex& v : surface.vertices()) *out++ = {v.x + by_, v.y, v.z, 0, 0, 0, v.argb, 0, 0, 0, 0};
  }
  bool worldSpace() const override { return true; }

 private:
  float by_;
};

}  // namespace

TEST_F(MeshRendering, CopiesOfADeformedMeshEachDrawTheirOwnPose) {
  Mesh& mesh = placed({0, 0, 10});
  auto* copy = static_cast<Mesh*>(mesh.clone());
  vx::addEntity(copy, nullptr);
  EXPECT_FALSE(copy->deformer);
  mesh.deformer = std::make_unique<Shift>(1);
  copy->deformer = std::make_unique<Shift>(-1);
  EXPECT_EQ(mesh.drawTransform(), nullptr);  // posed in world space
  // Transparent items are all flushed after every model has queued: each
  // copy's items still show its own pose.
  for (Mesh* m : {&mesh, copy}) {
    m->setAlpha(0.5f);
    ASSERT_TRUE(m->beginRender(1) && m->prepare({0, 0, 0}));
    m->render(context);
  }
  for (Mesh* m : {&mesh, copy}) m->flush(Mesh::kTransparent, device);
  ASSERT_EQ(device.draws.size(), 2u);
  auto firstX = [](const vxtest::RecordingSceneDevice::Draw& d) {
    return static_cast<vxtest::RecordingMesh*>(d.mesh)->vertexData[0].x;
  };
  EXPECT_FLOAT_EQ(firstX(device.draws[0]), mesh.surfaces()[0]->vertices()[0].x + 1);
  EXPECT_FLOAT_EQ(firstX(device.draws[1]), mesh.surfaces()[0]->vertices()[0].x - 1);
  // The shared geometry's own buffer is never made for a deformed mesh.
  EXPECT_EQ(device.meshes.size(), 2u);
}

namespace {

using I1 = int32_t(VX_STDCALL*)(int32_t);
using I2 = int32_t(VX_STDCALL*)(int32_t, int32_t);
using I3 = int32_t(VX_STDCALL*)(int32_t, int32_t, int32_t);

struct Commands {
  I2 createSphere = vxtest::registered<I2>("%CreateSphere%segments=8%parent=0");
  I3 createCylinder = vxtest::registered<I3>("%CreateCylinder%segments=8%solid=1%parent=0");
  I2 getSurface = vxtest::registered<I2>("%GetSurface%mesh%surface_index");
  I1 createPivot = vxtest::registered<I1>("%CreatePivot%parent=0");
  I1 createMesh = vxtest::registered<I1>("%CreateMesh%parent=0");
  float(VX_STDCALL* vertexX)(int32_t, int32_t) = vxtest::registered<decltype(vertexX)>("#VertexX%surface%index");
  float(VX_STDCALL* vertexU)(int32_t, int32_t, int32_t) =
      vxtest::registered<decltype(vertexU)>("#VertexU%surface%index%coord_set=0");
  void(VX_STDCALL* addMesh)(int32_t, int32_t) = vxtest::registered<decltype(addMesh)>("AddMesh%source_mesh%dest_mesh");
  float(VX_STDCALL* meshWidth)(int32_t) = vxtest::registered<decltype(meshWidth)>("#MeshWidth%mesh");
  void(VX_STDCALL* rotateMesh)(int32_t, float, float, float) =
      vxtest::registered<decltype(rotateMesh)>("RotateMesh%mesh#pitch#yaw#roll");
  void(VX_STDCALL* scaleMesh)(int32_t, float, float, float) =
      vxtest::registered<decltype(scaleMesh)>("ScaleMesh%mesh#x_scale#y_scale#z_scale");
  void(VX_STDCALL* loaderMatrix)(vx::RuntimeString*, float, float, float, float, float, float, float, float, float) =
      vxtest::registered<decltype(loaderMatrix)>("LoaderMatrix$file_ext#xx#xy#xz#yx#yy#yz#zx#zy#zz");
};

const Commands& c() {
  static const Commands commands;
  return commands;
}

}  // namespace

TEST(MeshCommands, RotationsTurnLikeEntitiesAndScalesCarryNormals) {
  vx::startWorld3D();
  const int32_t handle = c().createMesh(0);
  Mesh& mesh = *vx::world3D()->entities.find(handle)->getModel()->getMesh();
  MeshSurface& s = mesh.createSurface(vx::Brush());
  s.addVertex({0, 0, 1}, 0, 0);
  s.setNormal(0, {0, 1, 1});
  c().rotateMesh(handle, 0, 90, 0);  // yaw turns +z towards -x
  EXPECT_TRUE(near(position(s, 0), {-1, 0, 0}));
  c().rotateMesh(handle, 0, 0, 90);  // roll turns +x towards +y
  EXPECT_TRUE(near(position(s, 0), {0, -1, 0}));
  c().rotateMesh(handle, 90, 0, 0);  // pitch turns +z towards -y, so -y towards -z
  EXPECT_TRUE(near(position(s, 0), {0, 0, -1}));
  // Normals go with the cofactor matrix: they stay at right angles to the
  // stretched surface.
  s.setCoords(0, {0, 0, 0});
  s.setNormal(0, {1, 1, 0});
  c().scaleMesh(handle, 2, 1, 1);
  EXPECT_TRUE(near(normal(s, 0), {1, 2, 0}));

  c().loaderMatrix(vx::newString("MD5"), 1, 0, 0, 0, -1, 0, 0, 0, 1);
  EXPECT_EQ(vx::world3D()->loaderMatrices.at("md5").j, (Vector{0, -1, 0}));
  EXPECT_EQ(vx::world3D()->loaderMatrices.at("3ds").j, (Vector{0, 0, 1}));
  vx::endWorld3D();
}

TEST(MeshCommandChecks, DebuggingReportsEachFault) {
  EXPECT_EQ(messageOf([] { c().createSphere(1, 0); }), "Illegal number of segments");
  EXPECT_EQ(messageOf([] { c().createSphere(101, 0); }), "Illegal number of segments");
  EXPECT_EQ(messageOf([] { c().createCylinder(2, 1, 0); }), "Illegal number of segments");
  EXPECT_EQ(messageOf([] { c().getSurface(c().createSphere(2, 0), 2); }), "Surface Index out of range");
  EXPECT_EQ(messageOf([] { c().getSurface(c().createPivot(0), 1); }), "Entity is not a mesh");
  EXPECT_EQ(messageOf([] { c().vertexX(c().getSurface(c().createSphere(2, 0), 1), 13); }), "Vertex index out of range");
  EXPECT_EQ(messageOf([] { c().vertexU(c().getSurface(c().createSphere(2, 0), 1), 0, 2); }),
            "Texture coordinate set out of range");
  EXPECT_EQ(messageOf([] {
              const int32_t m = c().createSphere(2, 0);
              c().addMesh(m, m);
            }),
            "A mesh cannot be added to itself");
}

TEST(MeshCommandChecks, WithoutDebuggingBadArgumentsDoNothing) {
  vx::startWorld3D();
  EXPECT_EQ(c().createSphere(1, 0), 0);
  const int32_t sphere = c().createSphere(2, 0);
  EXPECT_EQ(c().getSurface(sphere, 5), 0);
  EXPECT_FLOAT_EQ(c().vertexX(c().getSurface(sphere, 1), 99), 0);
  EXPECT_FLOAT_EQ(c().vertexX(12345, 0), 0);  // not a surface
  EXPECT_FLOAT_EQ(c().meshWidth(c().createMesh(0)), -20000000);
  vx::endWorld3D();
}
