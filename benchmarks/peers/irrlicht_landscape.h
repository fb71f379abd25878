#pragma once
// The runtime's landscape for Irrlicht's terrain node, shared by the
// terrain peers.

#include <irrlicht.h>

#include <algorithm>
#include <vector>

// The heightmap as Irrlicht's terrain wants it, n + 1 samples a side, and
// turned to give every world point the runtime's height there. The runtime
// sets grid point (x, n - 1 - y) from pixel (x, y) and its grid wraps, so
// that x = n reads column 0; Irrlicht sets vertex (x, z) from pixel
// (n - x, z). The height is the largest of red, green and blue, as the
// runtime reads it, and the result is a BMP in memory.
inline irr::io::IReadFile* runtimeLandscape(irr::IrrlichtDevice* device, const char* path, std::vector<irr::u8>& bytes) {
  using namespace irr;
  video::IVideoDriver* driver = device->getVideoDriver();
  video::IImage* source = driver->createImageFromFile(path);
  if (!source) return nullptr;
  const u32 n = source->getDimension().Width;
  if (n == 0 || n != source->getDimension().Height || (n & (n - 1))) {
    source->drop();
    return nullptr;
  }
  video::IImage* turned = driver->createImage(video::ECF_R8G8B8, core::dimension2du(n + 1, n + 1));
  for (u32 v = 0; v <= n; ++v)
    for (u32 u = 0; u <= n; ++u) {
      const video::SColor c = source->getPixel((n - u) % n, (2 * n - 1 - v) % n);
      const u32 h = std::max({c.getRed(), c.getGreen(), c.getBlue()});
      turned->setPixel(u, v, video::SColor(255, h, h, h));
    }
  source->drop();
  bytes.resize(64 + size_t(n + 1) * ((3 * (n + 1) + 3) & ~3u));
  io::IFileSystem* files = device->getFileSystem();
  io::IWriteFile* out = files->createMemoryWriteFile(bytes.data(), s32(bytes.size()), "landscape.bmp");
  const bool written = driver->writeImageToFile(turned, out);
  out->drop();
  turned->drop();
  return written ? files->createMemoryReadFile(bytes.data(), s32(bytes.size()), "landscape.bmp") : nullptr;
}
