// The image commands: loading, creating, copying and freeing images,
// drawing and tiling them, handles and masks, transforms, and overlap and
// pixel-exact collision.

#include <cmath>

#include "language/string_args.h"
#include "lib2d/canvas_transform.h"
#include "lib2d/graphics_module.h"
#include "lib2d/images.h"
#include "platform/file_system.h"
#include "platform/graphics_device.h"
#include "platform/image_files.h"
#include "runtime/errors.h"
#include "runtime/handles.h"
#include "runtime/registry.h"

namespace vx {

namespace {

HandleSet<Image> images;

GraphicsDevice& device() { return *graphics().device; }

void releaseFrames(std::vector<Canvas*>& frames) {
  for (Canvas* frame : frames) device().freeCanvas(frame);
  frames.clear();
}

void freeImageObject(Image* image) {
  images.remove(image);
  releaseFrames(image->frames);
  delete image;
}

void applyAutoMidHandle(Canvas& frame) {
  if (graphics().autoMidHandle) frame.setHandle(frame.width() / 2, frame.height() / 2);
}

int32_t adopt(std::vector<Canvas*> frames) {
  auto* image = new Image{std::move(frames)};
  return images.add(image);
}

// Loading and making

int32_t loadImage(StrArg file) {
  Canvas* frame = device().loadCanvas(nativePath(file.view()), 0);
  if (!frame) return 0;
  applyAutoMidHandle(*frame);
  return adopt({frame});
}

int32_t copyImage(int32_t handle) {
  Image* image = imageOf(handle);
  if (!image) return 0;
  std::vector<Canvas*> copies;
  for (Canvas* frame : image->frames) {
    Canvas* copy = device().createCanvas(frame->width(), frame->height(), 0);
    if (!copy) {
      releaseFrames(copies);
      return 0;
    }
    const CanvasPoint handlePoint = frame->handle();
    frame->setHandle(0, 0);
    copy->blit(0, 0, *frame, 0, 0, frame->width(), frame->height(), true);
    frame->setHandle(handlePoint.x, handlePoint.y);
    copy->setHandle(handlePoint.x, handlePoint.y);
    copy->setMask(frame->maskColor());
    copies.push_back(copy);
  }
  return adopt(std::move(copies));
}

int32_t createImage(int32_t width, int32_t height, int32_t count) {
  std::vector<Canvas*> frames;
  for (int32_t i = 0; i < count; ++i) {
    Canvas* frame = device().createCanvas(width, height, 0);
    if (!frame) {
      releaseFrames(frames);
      return 0;
    }
    applyAutoMidHandle(*frame);
    frames.push_back(frame);
  }
  return adopt(std::move(frames));
}

int32_t loadAnimImage(StrArg file, int32_t cellWidth, int32_t cellHeight, int32_t first, int32_t count) {
  if (count <= 0) raiseError("Illegal frame count");
  if (first < 0) raiseError("Illegal first frame");
  Canvas* sheet = device().loadCanvas(nativePath(file.view()), kCanvasSystemMemory);
  if (!sheet) return 0;
  // Cells of no size fit no frames.
  const int64_t perRow = cellWidth > 0 ? sheet->width() / cellWidth : 0;
  const int64_t rows = cellHeight > 0 ? sheet->height() / cellHeight : 0;
  if (perRow * rows < int64_t(first) + count) {
    device().freeCanvas(sheet);
    raiseError("Not enough frames in bitmap");
  }
  int32_t x = cellWidth * int32_t(first % perRow), y = cellHeight * int32_t(first / perRow);
  std::vector<Canvas*> frames;
  for (int32_t i = 0; i < count; ++i) {
    Canvas* frame = device().createCanvas(cellWidth, cellHeight, 0);
    if (!frame) {
      releaseFrames(frames);
      device().freeCanvas(sheet);
      return 0;
    }
    frame->blit(0, 0, *sheet, x, y, cellWidth, cellHeight, true);
    applyAutoMidHandle(*frame);
    frames.push_back(frame);
    if (sheet->width() >= int64_t(x) + 2 * int64_t(cellWidth)) {
      x += cellWidth;
    } else {
      x = 0;
      y += cellHeight;
    }
  }
  device().freeCanvas(sheet);
  return adopt(std::move(frames));
}

void freeImage(int32_t handle) {
  if (Image* image = images.find(handle)) freeImageObject(image);
}

int32_t saveImage(int32_t handle, StrArg file, int32_t frame) {
  Canvas* c = frameOf(handle, frame);
  return c && saveBmp(*c, nativePath(file.view()));
}

void grabImage(int32_t handle, int32_t x, int32_t y, int32_t frame) {
  Canvas* target = frameOf(handle, frame);
  if (!target || !graphics().current) return;
  Canvas& buffer = *graphics().current;
  target->setViewport(0, 0, target->width(), target->height());
  const int64_t sx = int64_t(x) + buffer.origin().x - target->handle().x;
  const int64_t sy = int64_t(y) + buffer.origin().y - target->handle().y;
  const CanvasPoint bufferHandle = buffer.handle();
  const CanvasPoint targetOrigin = target->origin();
  buffer.setHandle(0, 0);
  target->setOrigin(0, 0);
  if (sx > INT32_MIN && sx < INT32_MAX && sy > INT32_MIN && sy < INT32_MAX)
    target->blit(0, 0, buffer, int32_t(sx), int32_t(sy), target->width(), target->height(), true);
  target->setOrigin(targetOrigin.x, targetOrigin.y);
  buffer.setHandle(bufferHandle.x, bufferHandle.y);
}

int32_t imageBuffer(int32_t handle, int32_t frame) {
  Canvas* c = frameOf(handle, frame);
  return c ? HandleSet<Canvas>::handleOf(c) : 0;
}

// Drawing

void drawFrame(int32_t handle, int32_t x, int32_t y, int32_t frame, bool solid) {
  Canvas* c = frameOf(handle, frame);
  if (c && graphics().current) graphics().current->blit(x, y, *c, 0, 0, c->width(), c->height(), solid);
}
void drawImage(int32_t handle, int32_t x, int32_t y, int32_t frame) { drawFrame(handle, x, y, frame, false); }
void drawBlock(int32_t handle, int32_t x, int32_t y, int32_t frame) { drawFrame(handle, x, y, frame, true); }

void drawFrameRect(int32_t handle, int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t rw, int32_t rh,
                   int32_t frame, bool solid) {
  Canvas* c = frameOf(handle, frame);
  if (c && graphics().current) graphics().current->blit(x, y, *c, rx, ry, rw, rh, solid);
}
void drawImageRect(int32_t handle, int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t rw, int32_t rh,
                   int32_t frame) {
  drawFrameRect(handle, x, y, rx, ry, rw, rh, frame, false);
}
void drawBlockRect(int32_t handle, int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t rw, int32_t rh,
                   int32_t frame) {
  drawFrameRect(handle, x, y, rx, ry, rw, rh, frame, true);
}

// Tiles aligned to (x, y) covering the whole viewport of the current buffer.
void tile(int32_t handle, int32_t x, int32_t y, int32_t frame, bool solid) {
  Canvas* c = frameOf(handle, frame);
  if (!c || !graphics().current) return;
  Canvas& buffer = *graphics().current;
  const int64_t w = c->width(), h = c->height();
  const CanvasRect view = buffer.viewport();
  if (w <= 0 || h <= 0 || view.empty()) return;
  const int64_t baseX = int64_t(view.left) + c->handle().x - buffer.origin().x;
  const int64_t baseY = int64_t(view.top) + c->handle().y - buffer.origin().y;
  int64_t offX = (int64_t(x) - baseX) % w, offY = (int64_t(y) - baseY) % h;
  if (offX < 0) offX += w;
  if (offY < 0) offY += h;
  for (int64_t ty = -h; ty < view.height(); ty += h)
    for (int64_t tx = -w; tx < view.width(); tx += w)
      buffer.blit(int32_t(baseX + offX + tx), int32_t(baseY + offY + ty), *c, 0, 0, int32_t(w), int32_t(h), solid);
}
void tileImage(int32_t handle, int32_t x, int32_t y, int32_t frame) { tile(handle, x, y, frame, false); }
void tileBlock(int32_t handle, int32_t x, int32_t y, int32_t frame) { tile(handle, x, y, frame, true); }

// Handles and masks

void maskImage(int32_t handle, int32_t red, int32_t green, int32_t blue) {
  if (Image* image = imageOf(handle))
    for (Canvas* frame : image->frames)
      frame->setMask((uint32_t(red) << 16) | (uint32_t(green) << 8) | uint32_t(blue));
}

void handleImage(int32_t handle, int32_t x, int32_t y) {
  if (Image* image = imageOf(handle))
    for (Canvas* frame : image->frames) frame->setHandle(x, y);
}

void midHandle(int32_t handle) {
  if (Image* image = imageOf(handle))
    for (Canvas* frame : image->frames) frame->setHandle(frame->width() / 2, frame->height() / 2);
}

void setAutoMidHandle(int32_t enable) { graphics().autoMidHandle = enable != 0; }

int32_t imageWidth(int32_t handle) {
  Canvas* c = frameOf(handle, 0);
  return c ? c->width() : 0;
}
int32_t imageHeight(int32_t handle) {
  Canvas* c = frameOf(handle, 0);
  return c ? c->height() : 0;
}
int32_t imageXHandle(int32_t handle) {
  Canvas* c = frameOf(handle, 0);
  return c ? c->handle().x : 0;
}
int32_t imageYHandle(int32_t handle) {
  Canvas* c = frameOf(handle, 0);
  return c ? c->handle().y : 0;
}

// Transforms: each frame is replaced by its transform.

void transformImage(int32_t handle, float a, float b, float c, float d) {
  Image* image = imageOf(handle);
  if (!image) return;
  for (Canvas*& frame : image->frames) {
    Canvas* transformed = transformCanvas(device(), *frame, a, b, c, d, graphics().transformFilter);
    if (!transformed) continue;
    device().freeCanvas(frame);
    frame = transformed;
  }
}

void scaleImage(int32_t handle, float xScale, float yScale) { transformImage(handle, xScale, 0, 0, yScale); }

void resizeImage(int32_t handle, float width, float height) {
  Canvas* first = frameOf(handle, 0);
  if (!first) return;
  transformImage(handle, width / first->width(), 0, 0, height / first->height());
}

void rotateImage(int32_t handle, float angle) {
  const float r = -angle * 0.017453292f;
  transformImage(handle, std::cos(r), -std::sin(r), std::sin(r), std::cos(r));
}

void tformImage(int32_t handle, float a, float b, float c, float d) { transformImage(handle, a, b, c, d); }

void tformFilter(int32_t enable) { graphics().transformFilter = enable != 0; }

// Overlap and collision

int32_t imagesOverlap(int32_t image1, int32_t x1, int32_t y1, int32_t image2, int32_t x2, int32_t y2) {
  Canvas* a = frameOf(image1, 0);
  Canvas* b = frameOf(image2, 0);
  return a && b && a->collide(x1, y1, *b, x2, y2, true);
}

int32_t imagesCollide(int32_t image1, int32_t x1, int32_t y1, int32_t frame1, int32_t image2, int32_t x2,
                      int32_t y2, int32_t frame2) {
  Canvas* a = frameOf(image1, frame1);
  Canvas* b = frameOf(image2, frame2);
  return a && b && a->collide(x1, y1, *b, x2, y2, false);
}

int32_t rectsOverlap(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2, int32_t w2,
                     int32_t h2) {
  return int64_t(x2) < int64_t(x1) + w1 && int64_t(x1) < int64_t(x2) + w2 && int64_t(y2) < int64_t(y1) + h1 &&
         int64_t(y1) < int64_t(y2) + h2;
}

int32_t imageRectOverlap(int32_t handle, int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t rw, int32_t rh) {
  Canvas* c = frameOf(handle, 0);
  return c && c->rectCollide(x, y, rx, ry, rw, rh, true);
}

int32_t imageRectCollide(int32_t handle, int32_t x, int32_t y, int32_t frame, int32_t rx, int32_t ry, int32_t rw,
                         int32_t rh) {
  Canvas* c = frameOf(handle, frame);
  return c && c->rectCollide(x, y, rx, ry, rw, rh, false);
}

}  // namespace

Image* imageOf(int32_t handle) { return images.get(handle, "Image does not exist"); }

Canvas* frameOf(int32_t handle, int32_t frame) {
  Image* image = imageOf(handle);
  if (!image) return nullptr;
  if (frame < 0 || frame >= static_cast<int32_t>(image->frames.size())) {
    if (debugging()) raiseError("Image frame out of range");
    return nullptr;
  }
  return image->frames[frame];
}

void freeAllImages() {
  images.clear([](Image* image) {
    if (graphics().device) releaseFrames(image->frames);
    delete image;
  });
}

void linkImageCommands(Registry& r) {
  r.command<"%LoadImage$bmpfile", loadImage>();
  r.command<"%CopyImage%image", copyImage>();
  r.command<"%CreateImage%width%height%frames=1", createImage>();
  r.command<"%LoadAnimImage$bmpfile%cellwidth%cellheight%first%count", loadAnimImage>();
  r.command<"FreeImage%image", freeImage>();
  r.command<"%SaveImage%image$bmpfile%frame=0", saveImage>();
  r.command<"GrabImage%image%x%y%frame=0", grabImage>();
  r.command<"%ImageBuffer%image%frame=0", imageBuffer>();
  r.command<"DrawImage%image%x%y%frame=0", drawImage>();
  r.command<"DrawBlock%image%x%y%frame=0", drawBlock>();
  r.command<"TileImage%image%x=0%y=0%frame=0", tileImage>();
  r.command<"TileBlock%image%x=0%y=0%frame=0", tileBlock>();
  r.command<"DrawImageRect%image%x%y%rect_x%rect_y%rect_width%rect_height%frame=0", drawImageRect>();
  r.command<"DrawBlockRect%image%x%y%rect_x%rect_y%rect_width%rect_height%frame=0", drawBlockRect>();
  r.command<"MaskImage%image%red%green%blue", maskImage>();
  r.command<"HandleImage%image%x%y", handleImage>();
  r.command<"MidHandle%image", midHandle>();
  r.command<"AutoMidHandle%enable", setAutoMidHandle>();
  r.command<"%ImageWidth%image", imageWidth>();
  r.command<"%ImageHeight%image", imageHeight>();
  r.command<"%ImageXHandle%image", imageXHandle>();
  r.command<"%ImageYHandle%image", imageYHandle>();
  r.command<"ScaleImage%image#xscale#yscale", scaleImage>();
  r.command<"ResizeImage%image#width#height", resizeImage>();
  r.command<"RotateImage%image#angle", rotateImage>();
  r.command<"TFormImage%image#a#b#c#d", tformImage>();
  r.command<"TFormFilter%enable", tformFilter>();
  r.command<"%ImagesOverlap%image1%x1%y1%image2%x2%y2", imagesOverlap>();
  r.command<"%ImagesCollide%image1%x1%y1%frame1%image2%x2%y2%frame2", imagesCollide>();
  r.command<"%RectsOverlap%x1%y1%width1%height1%x2%y2%width2%height2", rectsOverlap>();
  r.command<"%ImageRectOverlap%image%x%y%rect_x%rect_y%rect_width%rect_height", imageRectOverlap>();
  r.command<"%ImageRectCollide%image%x%y%frame%rect_x%rect_y%rect_width%rect_height", imageRectCollide>();
}

}  // namespace vx
