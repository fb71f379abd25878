// The runtime's side of model_load_benchmark.sh: milliseconds per
// LoadAnimMesh of model files, each load followed by FreeEntity, so that
// every load reads its file and decodes its textures afresh, in a 3D mode
// on the OpenGL scene device. Textures load into memory; they reach the
// device when first drawn.
//
//   model_load_benchmark write <directory>
//     writes large_text.x and large_binary.x there: one frame holding a
//     100,000-triangle grid with normals, texture coordinates and one
//     material, laid out as exporters write DirectX files;
//   model_load_benchmark <file> <loads> [<file> <loads>]...
//     prints "<file>: <ms> ms per load" for each, the best of five runs.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "best_rate.h"
#include "language/runtime_string.h"
#include "platform/graphics_device.h"
#include "platform/heap_policy.h"
#include "registered.h"
#include "world3d/vexel3d_module.h"
#include "x_writer.h"

namespace {

using vxtest::XWriter;

constexpr int kSide = 225;  // vertices along each side of the grid
constexpr int kTriangles = 100000;

// A gently rolling grid: vertex positions, normals and texture coordinates,
// and its triangles as vertex numbers.
struct Grid {
  std::vector<double> positions, normals, coords;
  std::vector<uint32_t> triangles;

  Grid() {
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        const double height = std::sin(x * 0.1) * std::cos(y * 0.1);
        positions.insert(positions.end(), {x * 0.5, height, y * 0.5});
        const double nx = -0.2 * std::cos(x * 0.1) * std::cos(y * 0.1),
                     nz = 0.2 * std::sin(x * 0.1) * std::sin(y * 0.1);
        const double size = std::sqrt(nx * nx + 1 + nz * nz);
        normals.insert(normals.end(), {nx / size, 1 / size, nz / size});
        coords.insert(coords.end(), {x / (kSide - 1.0), y / (kSide - 1.0)});
      }
    for (int y = 0; y + 1 < kSide; ++y)
      for (int x = 0; x + 1 < kSide && triangles.size() < 3 * kTriangles; ++x) {
        const uint32_t v = y * kSide + x;
        triangles.insert(triangles.end(), {v, v + kSide, v + kSide + 1, v, v + kSide + 1, v + 1});
      }
  }
};

// The records of a mesh in either form: in text one element a line
// ("x;y;z;,", "3;a,b,c;,"), in binary a list of integers for each count and
// face list and a list of floats for each array.
class MeshRecords {
 public:
  explicit MeshRecords(XWriter& x, XWriter::Format format) : x_(x), text_(format == XWriter::kText) {}

  void count(size_t n) { text_ ? line(std::to_string(n) + ";") : void(x_.ints({static_cast<uint32_t>(n)})); }
  // Elements of width numbers each.
  void array(const std::vector<double>& values, size_t width) {
    count(values.size() / width);
    if (!text_) return void(x_.floats(values));
    for (size_t at = 0; at < values.size(); at += width) {
      std::string element;
      for (size_t n = 0; n < width; ++n) element += fixed(values[at + n]) + ";";
      line(element + (at + width < values.size() ? "," : ";"));
    }
  }
  void faces(const std::vector<uint32_t>& corners) {
    const size_t count = corners.size() / 3;
    if (!text_) {
      std::vector<uint32_t> list{static_cast<uint32_t>(count)};
      for (size_t f = 0; f < count; ++f)
        list.insert(list.end(), {3, corners[3 * f], corners[3 * f + 1], corners[3 * f + 2]});
      return void(x_.ints(list));
    }
    this->count(count);
    for (size_t f = 0; f < count; ++f)
      line("3;" + std::to_string(corners[3 * f]) + "," + std::to_string(corners[3 * f + 1]) + "," +
           std::to_string(corners[3 * f + 2]) + (f + 1 < count ? ";," : ";;"));
  }
  // Every face drawn with material 0 of one.
  void oneMaterial(size_t faces) {
    if (!text_) {
      std::vector<uint32_t> list{1, static_cast<uint32_t>(faces)};
      list.resize(faces + 2, 0);
      return void(x_.ints(list));
    }
    count(1);
    count(faces);
    for (size_t f = 0; f < faces; ++f) line(f + 1 < faces ? "0," : "0;");
  }
  // In text: the values between separators, then the closing text.
  void floats(const std::vector<double>& values, char separator, const std::string& closing) {
    if (!text_) return void(x_.floats(values));
    std::string text;
    for (size_t n = 0; n < values.size(); ++n)
      text += fixed(values[n]) + (n + 1 < values.size() ? std::string(1, separator) : "");
    line(text + closing);
  }

 private:
  static std::string fixed(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%f", v);
    return text;
  }
  void line(const std::string& text) { x_.text(text + "\n"); }

  XWriter& x_;
  bool text_;
};

void writeLarge(const Grid& grid, XWriter::Format format, const std::string& path) {
  XWriter x(format);
  MeshRecords records(x, format);
  x.open("Frame", "Grid").open("FrameTransformMatrix");
  records.floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, ',', ";;");
  x.close().open("Mesh", "GridMesh");
  records.array(grid.positions, 3);
  records.faces(grid.triangles);
  x.open("MeshNormals");
  records.array(grid.normals, 3);
  records.faces(grid.triangles);
  x.close().open("MeshTextureCoords");
  records.array(grid.coords, 2);
  x.close().open("MeshMaterialList");
  records.oneMaterial(grid.triangles.size() / 3);
  x.open("Material");
  records.floats({0.8, 0.7, 0.6, 1}, ';', ";;");
  records.floats({20}, ';', ";");
  records.floats({0.2, 0.2, 0.2}, ';', ";;");
  records.floats({0, 0, 0}, ';', ";;");
  x.close().close().close().close();
  XWriter::save(x.bytes(), path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "write") {
    const Grid grid;
    writeLarge(grid, XWriter::kText, std::string(argv[2]) + "/large_text.x");
    writeLarge(grid, XWriter::kBinary, std::string(argv[2]) + "/large_binary.x");
    return 0;
  }
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: %s write <directory> | %s <file> <loads>...\n", argv[0], argv[0]);
    return 2;
  }
  vx::keepLargeBlocksInHeap();  // as vxrun does
  std::unique_ptr<vx::GraphicsDevice> graphics = vx::GraphicsDevice::create(640, 480, 32, false, false);
  if (!graphics) {
    std::fprintf(stderr, "no graphics device\n");
    return 1;
  }
  // A scene device, as in a program's 3D mode: textures take the sizes it
  // allows.
  vx::SceneDevice* scene = graphics->createScene();
  if (!scene) {
    std::fprintf(stderr, "no scene device\n");
    return 1;
  }
  vx::startWorld3D(scene, graphics.get());
  using Load = int32_t(VX_STDCALL*)(vx::RuntimeString*, int32_t);
  const auto loadAnimMesh = vxtest::registered<Load>("%LoadAnimMesh$file%parent=0");
  const auto freeEntity = vxtest::registered<void(VX_STDCALL*)(int32_t)>("FreeEntity%entity");
  int status = 0;
  for (int arg = 1; arg + 1 < argc; arg += 2) {
    const std::string file = argv[arg];
    bool loaded = true;
    const double rate = bestRate(std::atoi(argv[arg + 1]), [&](int) {
      const int32_t entity = loadAnimMesh(vx::newString(file), 0);
      loaded = loaded && entity;
      if (entity) freeEntity(entity);
    });
    if (!loaded) {
      std::fprintf(stderr, "%s does not load\n", file.c_str());
      status = 1;
      continue;
    }
    std::printf("%s: %.4f ms per load\n", file.c_str(), 1000 / rate);
  }
  vx::endWorld3D();
  return status;
}
