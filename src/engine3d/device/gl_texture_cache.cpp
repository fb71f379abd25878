#include "engine3d/device/gl_texture_cache.h"

#include <vector>

#include "platform/canvas.h"

namespace vx {

namespace {

uint64_t nextSerial = 1;

// The faces of a cube map canvas, in its own order (-X, +Z, +X, -Z, +Y, -Y).
constexpr GLenum kCubeTargets[6] = {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Z,
                                    GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z,
                                    GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y};

// One image of a target. 32-bit surfaces go as they are (a format without
// alpha as a texture without it, whatever its spare byte holds); others are
// converted row by row into ARGB.
void uploadImage(GLenum target, int level, const Surface& image, std::vector<uint32_t>& scratch) {
  const PixelFormat& format = image.format();
  const int width = image.width(), height = image.height();
  const bool direct = format == PixelFormat::argb8888() || format == PixelFormat::xrgb8888();
  const GLint internal = format.hasAlpha() ? GL_RGBA8 : GL_RGB8;
  const void* pixels = image.bits();
  if (direct) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, image.pitch() / 4);
  } else {
    scratch.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) format.toArgbRow(image.row(y), scratch.data() + size_t(y) * width, width);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    pixels = scratch.data();
  }
  glTexImage2D(target, level, internal, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
}

// The surface and its lower levels, as one target's images.
int uploadLevels(GLenum target, Surface& surface, bool mipmapped, std::vector<uint32_t>& scratch) {
  int level = 0;
  uploadImage(target, level++, surface, scratch);
  if (mipmapped)
    for (const auto& lower : surface.mipmaps()) uploadImage(target, level++, *lower, scratch);
  return level;
}

}  // namespace

GlTextureCache::GlTextureCache(GlStateCache& state) : state_(state), serial_(nextSerial++) {}

GlTextureCache::~GlTextureCache() {
  for (auto& [surface, entry] : entries_) glDeleteTextures(1, &entry.texture.name);
}

GlTextureCache::Entry& GlTextureCache::entryOf(Canvas& canvas) {
  const std::shared_ptr<Surface>& surface = canvas.mainSurface();
  Surface::DeviceTexture& link = surface->deviceTexture();
  if (link.owner == serial_) return *static_cast<Entry*>(link.texture);
  auto [it, inserted] = entries_.try_emplace(surface.get());
  Entry& entry = it->second;
  // A canvas that reuses the memory of a freed one gets a fresh texture.
  if (!inserted && entry.surface.expired()) {
    glDeleteTextures(1, &entry.texture.name);
    entry = Entry{};
  }
  entry.surface = surface;
  link = {serial_, &entry};
  return entry;
}

GlTexture GlTextureCache::textureOf(Canvas& canvas, bool& uploaded) {
  Entry& entry = entryOf(canvas);
  if (entry.modCount != canvas.modCount() || !entry.texture.name) {
    upload(canvas, entry);
    uploaded = true;
  }
  return entry.texture;
}

void GlTextureCache::upload(Canvas& canvas, Entry& entry) {
  Surface& main = canvas.textureSurface();
  entry.modCount = canvas.modCount();
  const bool cube = canvas.flags() & kCanvasCubeMap;
  const bool mipmapped = (canvas.flags() & kCanvasMipmap) && !main.mipmaps().empty();
  entry.texture.target = cube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
  if (!entry.texture.name) glGenTextures(1, &entry.texture.name);
  // Bound through the cache, so the cache keeps knowing what each unit holds.
  state_.bindForUpload(entry.texture.target, entry.texture.name);
  const GLenum target = entry.texture.target;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  int levels = 0;
  if (cube) {
    for (int face = 0; face < 6; ++face)
      levels = uploadLevels(kCubeTargets[face], canvas.faceSurface(face), mipmapped, scratch_);
  } else {
    levels = uploadLevels(target, main, mipmapped, scratch_);
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, levels - 1);
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, levels > 1 ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  const int32_t flags = canvas.flags();
  glTexParameteri(target, GL_TEXTURE_WRAP_S, (cube || (flags & kTextureClampU)) ? GL_CLAMP_TO_EDGE : GL_REPEAT);
  glTexParameteri(target, GL_TEXTURE_WRAP_T, (cube || (flags & kTextureClampV)) ? GL_CLAMP_TO_EDGE : GL_REPEAT);
  if (cube) glTexParameteri(target, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
}

void GlTextureCache::sweep() {
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->second.surface.expired()) {
      glDeleteTextures(1, &it->second.texture.name);
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace vx
