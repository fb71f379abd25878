#include "engine3d/device/gl_texture_cache.h"

#include <vector>

#include "platform/canvas.h"

namespace vx {

namespace {

// The faces of a cube map canvas, in its own order (-X, +Z, +X, -Z, +Y, -Y).
constexpr GLenum kCubeTargets[6] = {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Z,
                                    GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z,
                                    GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y};

// The surface and its lower levels, as one target's images.
int uploadLevels(GLenum target, Surface& surface, bool mipmapped, std::vector<uint32_t>& scratch) {
  int level = 0;
  auto put = [&](const Surface& image) {
    scratch.resize(static_cast<size_t>(image.width()) * image.height());
    surfaceToArgb(image, scratch.data());
    glTexImage2D(target, level++, GL_RGBA8, image.width(), image.height(), 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, scratch.data());
  };
  put(surface);
  if (mipmapped)
    for (const auto& lower : surface.mipmaps()) put(*lower);
  return level;
}

}  // namespace

void surfaceToArgb(const Surface& surface, uint32_t* argb, bool bottomUp) {
  const PixelFormat& format = surface.format();
  const int bytes = format.bytesPerPixel();
  for (int y = 0; y < surface.height(); ++y) {
    const uint8_t* pixel = surface.row(bottomUp ? surface.height() - 1 - y : y);
    for (int x = 0; x < surface.width(); ++x, pixel += bytes) *argb++ = format.read(pixel);
  }
}

GlTextureCache::~GlTextureCache() {
  for (auto& [surface, entry] : entries_) glDeleteTextures(1, &entry.texture.name);
}

GlTexture GlTextureCache::textureOf(Canvas& canvas) {
  const Surface* key = canvas.mainSurface().get();
  auto [it, inserted] = entries_.try_emplace(key);
  Entry& entry = it->second;
  // A canvas that reuses the memory of a freed one gets a fresh texture.
  const bool stale = inserted || entry.surface.expired() || entry.modCount != canvas.modCount();
  if (entry.surface.expired() && !inserted) {
    glDeleteTextures(1, &entry.texture.name);
    entry.texture.name = 0;
  }
  if (stale) upload(canvas, entry);
  return entry.texture;
}

void GlTextureCache::upload(Canvas& canvas, Entry& entry) {
  entry.surface = canvas.mainSurface();
  Surface& main = canvas.textureSurface();
  entry.modCount = canvas.modCount();
  const bool cube = canvas.flags() & kCanvasCubeMap;
  const bool mipmapped = (canvas.flags() & kCanvasMipmap) && !main.mipmaps().empty();
  entry.texture.target = cube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
  if (!entry.texture.name) glGenTextures(1, &entry.texture.name);
  // Bound through the cache, so the cache keeps knowing what each unit holds.
  state_.bindForUpload(entry.texture.target, entry.texture.name);
  const GLenum target = entry.texture.target;
  int levels = 0;
  if (cube) {
    for (int face = 0; face < 6; ++face)
      levels = uploadLevels(kCubeTargets[face], canvas.faceSurface(face), mipmapped, scratch_);
  } else {
    levels = uploadLevels(target, main, mipmapped, scratch_);
  }
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
