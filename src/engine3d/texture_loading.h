#pragma once
// Making the frames of a texture image from an image file: the whole image
// as one frame, an animation strip cut into frames, or the six faces side
// by side that become one cube map.

#include <string>

namespace vx {

class GraphicsDevice;
struct TextureImage;

// Fills image.frames by the image's flags and strip; no frame when the file
// cannot be read or the cut does not fit.
void loadTextureFrames(GraphicsDevice& graphics, TextureImage& image, const std::string& path);

}  // namespace vx
