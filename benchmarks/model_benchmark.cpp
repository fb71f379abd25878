// Skinned meshes and V3D loading, in one process on the OpenGL scene
// device at 640 by 480:
// (a) 100 skinned meshes of 2,000 vertices and 20 bones, each playing its
//     sequence: milliseconds per frame of UpdateWorld plus RenderWorld;
//     and skinned vertices per second of the skins against a plain loop
//     blending the same vertices by the same bone matrices (the limit);
// (b) LoadAnimMesh of a 100,000-triangle V3D file written here, against
//     reading the file's bytes.
// An argument "a" or "b" runs only that part.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "best_rate.h"
#include "engine3d/camera.h"
#include "engine3d/device/gl_scene_device.h"
#include "engine3d/mesh.h"
#include "engine3d/world.h"
#include "platform/canvas.h"
#include "platform/native_file.h"
#include "runtime/registry.h"
#include "runtime/runtime_modules.h"
#include "v3d_writer.h"
#include "world3d/model_files.h"
#include "world3d/skin.h"
#include "world3d/vexel3d_module.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kModels = 100, kColumns = 40, kRows = 50, kBones = 20;

template <typename Fn>
Fn command(const char* text) {
  static vx::Registry registry = [] {
    vx::Registry r;
    vx::registerAll(vx::runtimeModules(), r);
    return r;
  }();
  for (const vx::Registration& r : registry.entries())
    if (std::string(r.text) == text) return reinterpret_cast<Fn>(r.address);
  return nullptr;
}

// A grid of 40 by 50 vertices in 20 bands of 100, each band following a bone
// that swings back and forth over 40 frames.
vxtest::V3DWriter skinnedGrid() {
  vxtest::V3DWriter w;
  w.file().node("grid");
  w.begin("ANIM").i(0).i(40).f(30).end();
  w.begin("MESH").i(-1);
  w.begin("VRTS").i(1).i(1).i(2);
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < kColumns; ++x) w.f({x * 0.05f - 1, y * 0.05f - 1.25f, 0, 0, 0, -1, x / 40.0f, y / 50.0f});
  w.end();
  w.begin("TRIS").i(-1);
  for (int y = 0; y + 1 < kRows; ++y)
    for (int x = 0; x + 1 < kColumns; ++x) {
      const int v = y * kColumns + x;
      w.i(v).i(v + kColumns).i(v + kColumns + 1).i(v).i(v + kColumns + 1).i(v + 1);
    }
  w.end().end();
  const int band = kColumns * kRows / kBones;
  for (int b = 0; b < kBones; ++b) {
    w.node("bone" + std::to_string(b)).begin("BONE");
    for (int v = b * band; v < (b + 1) * band; ++v) w.i(v).f(1);
    w.end().begin("KEYS").i(4);
    const float s = 0.02f * (b % 5);
    w.i(0).f({1, 0, 0, 0}).i(20).f({0.99f, s, 0, 0.1f}).i(40).f({1, 0, 0, 0});
    w.end().end();
  }
  w.end().end();
  return w;
}

// A 100,000-triangle mesh: a grid of 224 by 224 vertices with normals.
vxtest::V3DWriter largeGrid() {
  constexpr int side = 224;
  vxtest::V3DWriter w;
  w.file().node("large").begin("MESH").i(-1);
  w.begin("VRTS").i(1).i(1).i(2);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) w.f({float(x), float(y), 0, 0, 0, -1, x / 223.0f, y / 223.0f});
  w.end().begin("TRIS").i(-1);
  int triangles = 0;
  for (int y = 0; y + 1 < side && triangles < 100000; ++y)
    for (int x = 0; x + 1 < side && triangles < 100000; ++x, triangles += 2) {
      const int v = y * side + x;
      w.i(v).i(v + side).i(v + side + 1).i(v).i(v + side + 1).i(v + 1);
    }
  w.end().end().end().end();
  return w;
}

double milliseconds(const std::function<void()>& op, int count) { return 1000.0 / bestRate(count, [&](int) { op(); }); }

// The plain blend: each vertex through its bone's transform, the normal
// through the cofactors, the rest copied.
void plainBlend(const std::vector<vx::Vertex>& vertices, const std::vector<vx::Transform>& bones,
                const std::vector<vx::Matrix>& normals, vx::DeviceVertex* out) {
  for (const vx::Vertex& v : vertices) {
    const vx::Vector p = bones[v.bone] * v.position();
    const vx::Vector n = normals[v.bone] * v.normal();
    *out++ = {p.x, p.y, p.z, n.x, n.y, n.z, v.argb, v.u0, v.v0, v.u1, v.v1};
  }
}

struct Commands {
  using Load = int32_t(VX_STDCALL*)(vx::RuntimeString*, int32_t);
  Load loadAnimMesh = command<Load>("%LoadAnimMesh$file%parent=0");
  int32_t(VX_STDCALL* copyEntity)(int32_t, int32_t) = command<decltype(copyEntity)>("%CopyEntity%entity%parent=0");
  void(VX_STDCALL* freeEntity)(int32_t) = command<decltype(freeEntity)>("FreeEntity%entity");
  void(VX_STDCALL* animate)(int32_t, int32_t, float, int32_t, float) =
      command<decltype(animate)>("Animate%entity%mode=1#speed=1%sequence=0#transition=0");
  void(VX_STDCALL* renderWorld)(float) = command<decltype(renderWorld)>("RenderWorld#tween=1");
  void(VX_STDCALL* updateWorld)(float) = command<decltype(updateWorld)>("UpdateWorld#elapsed_time=1");
};

void skinnedMeshes(const Commands& c, const std::string& dir) {
  skinnedGrid().save(dir + "/skinned.v3d");
  std::vector<vx::Mesh*> meshes;
  const int32_t first = c.loadAnimMesh(vx::newString(dir + "/skinned.v3d"), 0);
  for (int m = 0; m < kModels; ++m) {
    const int32_t handle = m ? c.copyEntity(first, 0) : first;
    vx::Mesh* mesh = vx::world3D()->entities.find(handle)->getModel()->getMesh();
    mesh->setLocalPosition({(m % 10 - 4.5f) * 2.2f, (m / 10 - 4.5f) * 2.7f, 30});
    c.animate(handle, 1, 0.5f + 0.01f * m, 0, 0);
    meshes.push_back(mesh);
  }
  vx::addEntity(new vx::Camera(0, 0, kWidth, kHeight), nullptr);
  auto frame = [&] {
    c.updateWorld(1);
    c.renderWorld(1);
  };
  std::printf("(a) %d skinned meshes of %d vertices, %d bones\n", kModels, kColumns * kRows, kBones);
  std::printf("    UpdateWorld + RenderWorld     %8.2f ms/frame\n", milliseconds(frame, 20));
  std::printf("    RenderWorld, nothing moving   %8.2f ms/frame\n", milliseconds([&] { c.renderWorld(1); }, 20));

  // Every mesh's skin posing its vertices into memory, against the plain
  // loop over the same vertices with the same bone matrices.
  frame();
  const vx::MeshSurface& surface = *meshes[0]->surfaces()[0];
  std::vector<vx::DeviceVertex> out(surface.vertexCount());
  std::vector<vx::Transform> bones;
  std::vector<vx::Matrix> normals;
  for (const vx::Skin::BoneMatrix& b : vx::Skin::of(*meshes[0])->matrices()) {
    auto row = [&b](int r) { return vx::Vector{b.rows[r][0], b.rows[r][1], b.rows[r][2]}; };
    bones.push_back({{row(0), row(1), row(2)}, row(3)});
    normals.push_back({row(4), row(5), row(6)});
  }
  const double total = double(kModels) * surface.vertexCount();
  const double skinned = bestRate(20, [&](int) {
    for (vx::Mesh* mesh : meshes) mesh->deformer->deform(0, surface, out.data());
  }) * total;
  const double plain = bestRate(20, [&](int) {
    for (int m = 0; m < kModels; ++m) plainBlend(surface.vertices(), bones, normals, out.data());
  }) * total;
  std::printf("    skinned vertices  %8.1f M/s   plain loop %8.1f M/s   ratio %.2f (target 0.8)\n", skinned / 1e6,
              plain / 1e6, skinned / plain);
}

void loading(const Commands& c, const std::string& dir) {
  const std::string large = dir + "/large.v3d";
  largeGrid().save(large);
  const double read = milliseconds([&] { vx::readNativeFile(large); }, 10);
  const double load = milliseconds([&] { c.freeEntity(c.loadAnimMesh(vx::newString(large), 0)); }, 10);
  std::printf("(b) LoadAnimMesh of 100000 triangles  %8.2f ms   reading the file %6.2f ms   %.1f times (target < 10)\n",
              load, read, load / read);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  vx::SurfaceContext surfaces;
  surfaces.frontFormat = vx::PixelFormat::xrgb8888();
  std::unique_ptr<vx::Canvas> canvas = vx::Canvas::create(nullptr, kWidth, kHeight, 0, surfaces);
  std::unique_ptr<vx::GlSceneDevice> device = vx::GlSceneDevice::create(*canvas);
  if (!device) {
    std::printf("no OpenGL scene device\n");
    return 1;
  }
  vx::startWorld3D(device.get(), nullptr);
  const std::string dir = std::filesystem::temp_directory_path() / "vx_model_benchmark";
  std::filesystem::create_directories(dir);
  const Commands c;
  if (only != "b") skinnedMeshes(c, dir);
  if (only != "a") loading(c, dir);
  vx::endWorld3D();
  std::filesystem::remove_all(dir);
  return 0;
}
