#pragma once
// Images: ordered lists of frames, each frame a canvas of the graphics
// device with its own size, handle and mask colour. Images belong to the
// graphics mode; a mode change frees them all.

#include <cstdint>
#include <vector>

namespace vx {

class Canvas;
class Registry;

struct Image {
  std::vector<Canvas*> frames;
};

// The image of a handle; an unknown one raises "Image does not exist" while
// debugging and gives null otherwise.
Image* imageOf(int32_t handle);
// A frame of an image, checked as imageOf and then against the frame count
// ("Image frame out of range").
Canvas* frameOf(int32_t handle, int32_t frame);

// Frees every image; when the current buffer is one of their frames the
// front buffer becomes current first.
void freeAllImages();

void linkImageCommands(Registry& r);

}  // namespace vx
