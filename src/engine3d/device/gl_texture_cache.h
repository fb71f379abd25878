#pragma once
// Canvases as OpenGL textures. A canvas gets its texture the first time it
// is drawn with and a fresh upload whenever its modification count moved
// since the last one: every mipmap level, all six faces of a cube map,
// clamped or wrapped by its texture flags. The surface keeps a link to its
// record here, so that a draw finds its texture without a search; textures
// of canvases that are gone are deleted at the next sweep.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine3d/device/gl_state_cache.h"
#include "engine3d/texture.h"

namespace vx {

class Canvas;
class Surface;

struct GlTexture {
  GLuint name = 0;
  GLenum target = GL_TEXTURE_2D;  // or GL_TEXTURE_CUBE_MAP
};

class GlTextureCache {
 public:
  explicit GlTextureCache(GlStateCache& state);
  ~GlTextureCache();
  GlTextureCache(const GlTextureCache&) = delete;
  GlTextureCache& operator=(const GlTextureCache&) = delete;

  // The canvas's texture, uploaded first when it changed; uploaded is set
  // when it was (an upload binds on unit 0).
  GlTexture textureOf(Canvas& canvas, bool& uploaded);
  // Deletes the textures of canvases whose pixel memory is gone.
  void sweep();

 private:
  struct Entry {
    std::weak_ptr<Surface> surface;  // expired once the canvas is gone
    uint32_t modCount = 0;
    GlTexture texture;
  };
  Entry& entryOf(Canvas& canvas);
  void upload(Canvas& canvas, Entry& entry);

  GlStateCache& state_;
  uint64_t serial_;  // tells this cache's links in surfaces from a former one's
  std::unordered_map<const Surface*, Entry> entries_;
  std::vector<uint32_t> scratch_;  // a level's pixels on their way to OpenGL
};

}  // namespace vx
