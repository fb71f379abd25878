// The texture commands: creating and loading textures, their settings, the
// texture filters and the count of live texture images.

#include "engine3d/texture_cache.h"
#include "engine3d/world.h"
#include "platform/canvas.h"
#include "runtime/registry.h"

namespace vx {

namespace {

int32_t createTextureCommand(int32_t width, int32_t height, int32_t flags, int32_t frames) {
  World* world = worldOrFail();
  if (!world) return 0;
  if (frames <= 0) {
    if (debugging()) raiseError("Illegal number of texture frames");
    return 0;
  }
  return addTexture(createTexture(*world->graphics, width, height, flags, frames));
}

int32_t loadFromFile(StrArg& file, int32_t flags, const TextureStrip& strip) {
  World* world = worldOrFail();
  if (!world) return 0;
  const Texture texture = loadTexture(*world->graphics, world->textureFilters, file.view(), flags, strip);
  return texture.frameCount() ? addTexture(texture) : 0;
}

int32_t loadTextureCommand(StrArg file, int32_t flags) { return loadFromFile(file, flags, {}); }

int32_t loadAnimTexture(StrArg file, int32_t flags, int32_t width, int32_t height, int32_t first, int32_t count) {
  return loadFromFile(file, flags, {width, height, first, count});
}

void textureBlend(int32_t handle, int32_t blend) {
  if (Texture* texture = textureOf(handle)) texture->setBlend(blend);
}

void textureCoords(int32_t handle, int32_t coords) {
  if (Texture* texture = textureOf(handle)) texture->setCoords(coords);
}

void scaleTexture(int32_t handle, float u, float v) {
  if (Texture* texture = textureOf(handle)) texture->setScale(u, v);
}

void rotateTexture(int32_t handle, float degrees) {
  if (Texture* texture = textureOf(handle)) texture->setRotation(degrees * kDegToRad);
}

void positionTexture(int32_t handle, float u, float v) {
  if (Texture* texture = textureOf(handle)) texture->setOffset(u, v);
}

Canvas* firstFrameOf(int32_t handle) {
  Texture* texture = textureOf(handle);
  return texture ? texture->frame(0) : nullptr;
}

int32_t textureWidth(int32_t handle) {
  Canvas* frame = firstFrameOf(handle);
  return frame ? frame->width() : 0;
}

int32_t textureHeight(int32_t handle) {
  Canvas* frame = firstFrameOf(handle);
  return frame ? frame->height() : 0;
}

RuntimeString* textureName(int32_t handle) {
  Texture* texture = textureOf(handle);
  return newString(texture ? std::string_view(texture->name()) : std::string_view());
}

void setCubeFace(int32_t handle, int32_t face) {
  if (Canvas* frame = firstFrameOf(handle)) frame->selectFace(face);
}

void setCubeMode(int32_t handle, int32_t mode) {
  if (Canvas* frame = firstFrameOf(handle)) frame->setCubeMode(mode);
}

int32_t textureBuffer(int32_t handle, int32_t frame) {
  Texture* texture = textureOf(handle);
  return texture ? HandleSet<Canvas>::handleOf(texture->frame(frame)) : 0;
}

void clearTextureFilters() {
  if (World* world = worldOrFail()) world->textureFilters.clear();
}

void textureFilter(StrArg text, int32_t flags) {
  if (World* world = worldOrFail()) world->textureFilters.add(text.view(), flags);
}

int32_t activeTextures() { return TextureImage::liveCount(); }

}  // namespace

void linkTextureCommands(Registry& r) {
  r.command<"%CreateTexture%width%height%flags=0%frames=1", createTextureCommand>();
  r.command<"%LoadTexture$file%flags=1", loadTextureCommand>();
  r.command<"%LoadAnimTexture$file%flags%width%height%first%count", loadAnimTexture>();
  r.command<"FreeTexture%texture", freeTexture>();
  r.command<"TextureBlend%texture%blend", textureBlend>();
  r.command<"TextureCoords%texture%coords", textureCoords>();
  r.command<"ScaleTexture%texture#u_scale#v_scale", scaleTexture>();
  r.command<"RotateTexture%texture#angle", rotateTexture>();
  r.command<"PositionTexture%texture#u_offset#v_offset", positionTexture>();
  r.command<"%TextureWidth%texture", textureWidth>();
  r.command<"%TextureHeight%texture", textureHeight>();
  r.command<"$TextureName%texture", textureName>();
  r.command<"SetCubeFace%texture%face", setCubeFace>();
  r.command<"SetCubeMode%texture%mode", setCubeMode>();
  r.command<"%TextureBuffer%texture%frame=0", textureBuffer>();
  r.command<"ClearTextureFilters", clearTextureFilters>();
  r.command<"TextureFilter$match_text%texture_flags=0", textureFilter>();
  r.command<"%ActiveTextures", activeTextures>();
}

}  // namespace vx
