#pragma once
// Loading textures from image files. Images are shared through a cache
// keyed by the lower-case full path of the file and told apart by the load
// parameters, so loading one file twice with the same flags makes one set
// of frames, whatever name it was given by.
//
// While a model file is loaded its directory is the texture directory: a
// texture it names is looked for there first, by the last component of the
// name.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine3d/texture.h"
#include "engine3d/texture_filters.h"

namespace vx {

class GraphicsDevice;

// An animation strip: count cells of width x height starting at cell first.
// A zero size means the whole image is one frame.
struct TextureStrip {
  int32_t width = 0, height = 0;
  int32_t first = 0, count = 0;
};

// The texture of the file, with the filters' flags added; its image may be
// shared with earlier loads. The texture may have no frame.
Texture loadTexture(GraphicsDevice& graphics, const TextureFilters& filters, std::string_view file, int32_t flags,
                    const TextureStrip& strip = {});

// Starts decoding the image file that loadTexture would read for these
// arguments (a whole image, not yet loaded with those flags), so that a
// model loader can read its geometry meanwhile; the loader's
// GraphicsDevice::forgetPrefetched drops what it did not load.
void prefetchTexture(GraphicsDevice& graphics, const TextureFilters& filters, std::string_view file, int32_t flags);

// The directory textures are looked for in first (empty: none).
void setTextureDirectory(std::string_view directory);

// Called by an image that goes away while in the cache.
void forgetCachedImage(const TextureImage& image);

}  // namespace vx
