#pragma once
// Image files: decoding through FreeImage into canvas surfaces, and writing
// canvases as uncompressed 24-bit BMP files.
//
// Loading with canvas flags f: the file's format is found from its contents,
// else from the text after the first '.' of its name; the image is decoded,
// converted to 32 bits, its alpha prepared for f:
//   alpha and masked:                 alpha 255 where the RGB is not 0, else 0
//   alpha, not masked, image opaque:  alpha = (red + green + blue) / 3, and
//                                     the RGB becomes white unless f has colour
//   alpha, image with alpha:          unchanged
//   no alpha:                         alpha 255
// and copied into a new surface made for f (textures at their adapted size),
// flipped upright, with nearest-neighbour scaling. Every failure gives null,
// and so does a file that ends before its image does or that the decoder
// reports damaged (a JPEG decoder's repairs of small damage aside).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/surface.h"

namespace vx {

class Canvas;

std::shared_ptr<Surface> loadSurface(const std::string& file, int32_t flags, const SurfaceContext& context);

// Writes the whole drawing surface, whatever the origin and viewport, as a
// bottom-up 24-bit BMP file. False when the file cannot be written.
bool saveBmp(Canvas& canvas, const std::string& file);

}  // namespace vx
