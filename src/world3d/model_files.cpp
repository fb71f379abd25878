#include "world3d/model_files.h"

#include "engine3d/lower_case.h"
#include "engine3d/texture_cache.h"
#include "platform/file_system.h"
#include "platform/graphics_device.h"
#include "world3d/three_ds_file.h"
#include "world3d/v3d_file.h"
#include "world3d/x_file.h"

namespace vx {

namespace {

// The loaders by lower-case extension.
constexpr struct {
  std::string_view extension;
  ModelLoader load;
} kLoaders[] = {
    {"v3d", loadV3D},
    {"x", loadX},
    {"3ds", load3DS},
};

// The texture directory, set for one load.
class TextureDirectory {
 public:
  explicit TextureDirectory(std::string_view file) {
    const size_t slash = file.find_last_of("\\/");
    setTextureDirectory(slash == std::string_view::npos ? std::string_view() : file.substr(0, slash + 1));
  }
  ~TextureDirectory() { setTextureDirectory({}); }
  TextureDirectory(const TextureDirectory&) = delete;
  TextureDirectory& operator=(const TextureDirectory&) = delete;
};

}  // namespace

std::unique_ptr<Object> loadModel(World& world, std::string_view file, int32_t flags) {
  const size_t dot = file.rfind('.');
  if (dot == std::string_view::npos) return nullptr;
  const std::string extension = lowerCase(file.substr(dot + 1));
  for (const auto& loader : kLoaders) {
    if (loader.extension != extension) continue;
    // A loader matrix is made for every extension that is loaded.
    const Matrix matrix = world.loaderMatrices.try_emplace(extension).first->second;
    TextureDirectory directory(file);
    std::unique_ptr<Object> model = loader.load({world, nativePath(file), flags, matrix});
    if (world.graphics) world.graphics->forgetPrefetched();
    return model;
  }
  return nullptr;
}

}  // namespace vx
