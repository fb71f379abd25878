#pragma once
// The affine transform of a canvas about its handle: the matrix (a, b, c, d)
// maps a point (x, y) relative to the handle to (a*x + c*y, b*x + d*y). The
// result is a new canvas of the device just covering the mapped corners,
// whose handle is where the old handle landed. Images are scaled, rotated
// and sheared with it, and loaded buffers stretched.

namespace vx {

class Canvas;
class GraphicsDevice;

// Null when the new canvas cannot be made. With filter, each pixel blends
// the four nearest source pixels; without, it takes the nearest.
Canvas* transformCanvas(GraphicsDevice& device, Canvas& source, float a, float b, float c, float d, bool filter);

}  // namespace vx
