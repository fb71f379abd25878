#include "engine3d/texture_loading.h"

#include "engine3d/texture.h"
#include "platform/graphics_device.h"
#include "platform/surface.h"

namespace vx {

namespace {

// Colour, alpha, masked and high colour carry over to the source image.
constexpr int32_t kSourceFlagsKept = kCanvasColor | kCanvasAlpha | kCanvasMasked | kCanvasHighColor;

// The whole of the source rectangle into the whole canvas: textures may
// have been made at another size than asked for.
void copyInto(GraphicsDevice& graphics, Canvas& frame, Canvas& source, int x, int y, int width, int height) {
  graphics.stretchCopy(frame, 0, 0, frame.width(), frame.height(), source, x, y, width, height);
}

void cutCube(GraphicsDevice& graphics, TextureImage& image, Canvas& source) {
  const int faceWidth = source.width() / 6;
  if (faceWidth == 0 || faceWidth * 6 != source.width()) return;
  Canvas* cube = graphics.createCanvas(faceWidth, source.height(), image.flags);
  if (!cube) return;
  for (int face = 0; face < 6; ++face) {
    cube->selectFace(face);
    copyInto(graphics, *cube, source, face * faceWidth, 0, faceWidth, source.height());
  }
  cube->selectFace(Canvas::kFirstCubeFace);
  image.frames.push_back(cube);
}

void cutStrip(GraphicsDevice& graphics, TextureImage& image, Canvas& source) {
  const int width = image.frameWidth, height = image.frameHeight;
  const int perRow = source.width() / width;
  if (int64_t(source.height() / height) * perRow < int64_t(image.firstFrame) + image.frameCount) return;
  int x = width * (image.firstFrame % perRow);
  int y = height * (image.firstFrame / perRow);
  for (int n = 0; n < image.frameCount; ++n) {
    Canvas* frame = graphics.createCanvas(width, height, image.flags);
    if (!frame) return;
    copyInto(graphics, *frame, source, x, y, width, height);
    image.frames.push_back(frame);
    x += width;
    if (source.width() < x + width) {
      x = 0;
      y += height;
    }
  }
}

}  // namespace

void loadTextureFrames(GraphicsDevice& graphics, TextureImage& image, const std::string& path) {
  const bool cube = image.flags & kTextureCubeMap;
  const bool strip = image.frameWidth > 0 && image.frameHeight > 0 && image.firstFrame >= 0 && image.frameCount > 0;
  if (!cube && !strip) {
    if (Canvas* frame = graphics.loadCanvas(path, image.flags)) image.frames.push_back(frame);
    return;
  }
  Canvas* source = graphics.loadCanvas(path, (image.flags & kSourceFlagsKept) | kTextureSourceImage);
  if (!source) return;
  if (cube)
    cutCube(graphics, image, *source);
  else
    cutStrip(graphics, image, *source);
  graphics.freeCanvas(source);
}

}  // namespace vx
