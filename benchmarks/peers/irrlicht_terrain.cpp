// The terrain peer of terrain_benchmark.sh: Irrlicht's terrain scene node
// over the same landscape as the runtime's terrain, as wide and as high,
// with the same texture trilinearly filtered, unlit, drawn with its OpenGL
// driver at 640x480x32 along the same camera path. Its patches of 64
// squares keep their full detail within the reach and every coarser level
// reaches twice as far as the one before: a larger reach draws more
// triangles.
//
//   irrlicht_terrain <heightmap.bmp> <texture> <units a square> <frames> <reach> [first-frame.bmp]
//
// Prints the frames per second, the triangles submitted a frame and, from
// a second pass along the path outside the timing, those of them not wholly
// outside the view volume. The first frame can be saved, to be set beside
// the runtime's.

#include <irrlicht.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "irrlicht_frames.h"
#include "irrlicht_landscape.h"

using namespace irr;

// Irrlicht's own screenshot reads black from Mesa under Xvfb: the frame is
// read straight from OpenGL.
extern "C" void glReadPixels(int x, int y, int width, int height, unsigned format, unsigned type, void* pixels);

namespace {

void place(scene::ICameraSceneNode* camera, int i, int frames) {
  const float a = 6.2831853f * float(i) / float(frames), c = 2048, r = 1200;
  camera->setPosition(core::vector3df(c + r * std::cos(a), 600, c + r * std::sin(a)));
  camera->setTarget(core::vector3df(c + r * std::cos(a + 0.3f), 150, c + r * std::sin(a + 0.3f)));
}

// The runtime's texture: Irrlicht's terrain lays the image turned half a
// turn against the runtime's, so it gets it turned back.
video::ITexture* runtimeTexture(video::IVideoDriver* driver, const char* path) {
  video::IImage* image = driver->createImageFromFile(path);
  if (!image) return nullptr;
  const core::dimension2du size = image->getDimension();
  video::IImage* turned = driver->createImage(video::ECF_A8R8G8B8, size);
  for (u32 y = 0; y < size.Height; ++y)
    for (u32 x = 0; x < size.Width; ++x)
      turned->setPixel(size.Width - 1 - x, size.Height - 1 - y, image->getPixel(x, y));
  video::ITexture* texture = driver->addTexture("runtime texture", turned);
  turned->drop();
  image->drop();
  return texture;
}

// The triangles of the terrain's last drawn buffer (in world space) with a
// corner on the inside of every plane of the camera's view volume.
long long trianglesInView(scene::ITerrainSceneNode* terrain, scene::ICameraSceneNode* camera) {
  const scene::SViewFrustum* view = camera->getViewFrustum();
  scene::IMeshBuffer* buffer = terrain->getRenderBuffer();
  const u32 count = terrain->getIndexCount();
  auto index = [buffer](u32 i) {
    return buffer->getIndexType() == video::EIT_16BIT ? u32(buffer->getIndices()[i])
                                                      : reinterpret_cast<const u32*>(buffer->getIndices())[i];
  };
  long long inside = 0;
  for (u32 i = 0; i + 2 < count; i += 3) {
    const core::vector3df corners[3] = {buffer->getPosition(index(i)), buffer->getPosition(index(i + 1)),
                                        buffer->getPosition(index(i + 2))};
    bool out = false;
    for (int p = 0; p < scene::SViewFrustum::VF_PLANE_COUNT && !out; ++p)
      out = std::all_of(corners, corners + 3, [&](const core::vector3df& c) {
        return view->planes[p].classifyPointRelation(c) == core::ISREL3D_FRONT;
      });
    inside += !out;
  }
  return inside;
}

// The frame being drawn, saved as a BMP.
void saveFrame(video::IVideoDriver* driver, const char* path) {
  const core::dimension2du size = driver->getScreenSize();
  std::vector<u32> pixels(size.Width * size.Height);
  constexpr unsigned kBgra = 0x80E1, kUnsignedByte = 0x1401;
  glReadPixels(0, 0, int(size.Width), int(size.Height), kBgra, kUnsignedByte, pixels.data());
  video::IImage* image = driver->createImage(video::ECF_A8R8G8B8, size);
  // OpenGL's rows run from the bottom up.
  for (u32 y = 0; y < size.Height; ++y)
    for (u32 x = 0; x < size.Width; ++x) image->setPixel(x, size.Height - 1 - y, video::SColor(pixels[y * size.Width + x]));
  driver->writeImageToFile(image, path);
  image->drop();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6 && argc != 7) {
    std::fprintf(stderr, "usage: %s <heightmap.bmp> <texture> <units> <frames> <reach> [first-frame.bmp]\n", argv[0]);
    return 2;
  }
  const float units = float(std::atof(argv[3]));
  const int frames = std::atoi(argv[4]);
  IrrlichtDevice* device = openDevice(video::EDT_OPENGL, "OpenGL");
  if (!device) return 1;
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* scene = device->getSceneManager();
  std::vector<u8> landscapeBytes;
  io::IReadFile* landscape = runtimeLandscape(device, argv[1], landscapeBytes);
  video::ITexture* texture = runtimeTexture(driver, argv[2]);
  // A byte of 255 is 400 units high, as in the runtime; patches go down to
  // two triangles, so that few triangles can be drawn.
  const int levels = 7;
  scene::ITerrainSceneNode* terrain =
      landscape ? scene->addTerrainSceneNode(landscape, nullptr, -1, core::vector3df(0, 0, 0), core::vector3df(0, 0, 0),
                                             core::vector3df(units, 400.0f / 255, units),
                                             video::SColor(255, 255, 255, 255), levels, scene::ETPS_65)
                : nullptr;
  if (landscape) landscape->drop();
  if (!terrain || !texture) {
    std::fprintf(stderr, "cannot load %s or %s\n", argv[1], argv[2]);
    return 1;
  }
  for (int lod = 0; lod < levels; ++lod) terrain->overrideLODDistance(lod, std::atof(argv[5]) * double(1 << lod));
  terrain->setMaterialFlag(video::EMF_LIGHTING, false);
  terrain->setMaterialFlag(video::EMF_BILINEAR_FILTER, false);
  terrain->setMaterialFlag(video::EMF_TRILINEAR_FILTER, true);
  terrain->setMaterialTexture(0, texture);
  terrain->scaleTexture(1, 0);
  // The runtime's camera: 90 degrees across, near 1, far 5000.
  scene::ICameraSceneNode* camera = scene->addCameraSceneNode();
  camera->setFOV(2 * std::atan(0.75f));
  camera->setNearValue(1);
  camera->setFarValue(5000);

  auto frame = [&](int i, const char* shotPath) {
    place(camera, i, frames);
    driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    scene->drawAll();
    if (shotPath) saveFrame(driver, shotPath);
    driver->endScene();
  };
  frame(0, argc == 7 ? argv[6] : nullptr);
  long long submitted = 0, inView = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames && device->run(); ++i) {
    frame(i, nullptr);
    submitted += driver->getPrimitiveCountDrawn();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (int i = 0; i < frames && device->run(); ++i) {
    frame(i, nullptr);
    inView += trianglesInView(terrain, camera);
  }
  std::printf("irrlicht opengl: %.1f fps (%lld triangles submitted, %lld in view a frame)\n", frames / seconds,
              submitted / frames, inView / frames);
  device->drop();
  return 0;
}
