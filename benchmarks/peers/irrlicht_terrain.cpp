// The terrain peer of terrain_benchmark.sh: Irrlicht's terrain scene node
// over the same heightmap, as wide and as high as the runtime's terrain,
// textured and unlit, drawn at 640x480x32 along the same camera path, and
// printing frames per second. With a reach, patches within it keep their
// full detail and every level beyond it reaches twice as far as the one
// before: a larger reach draws more triangles.
//
//   irrlicht_terrain <opengl|burnings> <heightmap.bmp> <texture> <units a square> <frames> [reach]

#include "irrlicht_device.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace irr;

namespace {

void place(scene::ICameraSceneNode* camera, int i, int frames) {
  const float a = 6.2831853f * float(i) / float(frames), c = 2048, r = 1200;
  camera->setPosition(core::vector3df(c + r * std::cos(a), 600, c + r * std::sin(a)));
  camera->setTarget(core::vector3df(c + r * std::cos(a + 0.3f), 150, c + r * std::sin(a + 0.3f)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6 && argc != 7) {
    std::fprintf(stderr, "usage: %s <opengl|burnings> <heightmap.bmp> <texture> <units> <frames> [reach]\n", argv[0]);
    return 2;
  }
  const std::string driverName = argv[1];
  const float units = float(std::atof(argv[4]));
  const int frames = std::atoi(argv[5]);
  IrrlichtDevice* device = openPeerDevice(driverName);
  if (!device) return 1;
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* scene = device->getSceneManager();
  // A byte of 255 is 400 units high, as in the runtime. With a reach,
  // patches of 64 squares that go down to two triangles, so that few
  // triangles can be drawn.
  const bool reach = argc == 7;
  const int levels = reach ? 7 : 5;
  scene::ITerrainSceneNode* terrain = scene->addTerrainSceneNode(
      argv[2], nullptr, -1, core::vector3df(0, 0, 0), core::vector3df(0, 0, 0),
      core::vector3df(units, 400.0f / 255, units), video::SColor(255, 255, 255, 255), levels,
      reach ? scene::ETPS_65 : scene::ETPS_17);
  if (!terrain) {
    std::fprintf(stderr, "cannot load %s\n", argv[2]);
    return 1;
  }
  if (reach)
    for (int lod = 0; lod < levels; ++lod) terrain->overrideLODDistance(lod, std::atof(argv[6]) * double(1 << lod));
  terrain->setMaterialFlag(video::EMF_LIGHTING, false);
  terrain->setMaterialTexture(0, driver->getTexture(argv[3]));
  terrain->scaleTexture(1, 0);
  // The runtime's camera: 90 degrees across, near 1, far 5000.
  scene::ICameraSceneNode* camera = scene->addCameraSceneNode();
  camera->setFOV(2 * std::atan(0.75f));
  camera->setNearValue(1);
  camera->setFarValue(5000);

  place(camera, 0, frames);
  driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
  scene->drawAll();
  driver->endScene();
  long long triangles = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames && device->run(); ++i) {
    place(camera, i, frames);
    driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    scene->drawAll();
    driver->endScene();
    triangles += driver->getPrimitiveCountDrawn();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("irrlicht %s: %.1f fps (%lld triangles a frame)\n", driverName.c_str(), frames / seconds,
              triangles / frames);
  device->drop();
  return 0;
}
