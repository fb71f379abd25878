// The terrain peer of terrain_benchmark.sh: Irrlicht's terrain scene node
// over the same heightmap, as wide and as high as the runtime's terrain,
// textured and unlit, drawn with its OpenGL driver at 640x480x32 along the
// same camera path, and printing frames per second. Its patches of 64
// squares keep their full detail within the reach and every coarser level
// reaches twice as far as the one before: a larger reach draws more
// triangles.
//
//   irrlicht_terrain <heightmap.bmp> <texture> <units a square> <frames> <reach>

#include <irrlicht.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace irr;

namespace {

void place(scene::ICameraSceneNode* camera, int i, int frames) {
  const float a = 6.2831853f * float(i) / float(frames), c = 2048, r = 1200;
  camera->setPosition(core::vector3df(c + r * std::cos(a), 600, c + r * std::sin(a)));
  camera->setTarget(core::vector3df(c + r * std::cos(a + 0.3f), 150, c + r * std::sin(a + 0.3f)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s <heightmap.bmp> <texture> <units> <frames> <reach>\n", argv[0]);
    return 2;
  }
  const float units = float(std::atof(argv[3]));
  const int frames = std::atoi(argv[4]);
  IrrlichtDevice* device = createDevice(video::EDT_OPENGL, core::dimension2du(640, 480), 32, false, false, false);
  if (!device) {
    std::fprintf(stderr, "no OpenGL device\n");
    return 1;
  }
  device->getLogger()->setLogLevel(ELL_NONE);
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* scene = device->getSceneManager();
  // A byte of 255 is 400 units high, as in the runtime; patches go down to
  // two triangles, so that few triangles can be drawn.
  const int levels = 7;
  scene::ITerrainSceneNode* terrain = scene->addTerrainSceneNode(
      argv[1], nullptr, -1, core::vector3df(0, 0, 0), core::vector3df(0, 0, 0),
      core::vector3df(units, 400.0f / 255, units), video::SColor(255, 255, 255, 255), levels, scene::ETPS_65);
  if (!terrain) {
    std::fprintf(stderr, "cannot load %s\n", argv[1]);
    return 1;
  }
  for (int lod = 0; lod < levels; ++lod) terrain->overrideLODDistance(lod, std::atof(argv[5]) * double(1 << lod));
  terrain->setMaterialFlag(video::EMF_LIGHTING, false);
  terrain->setMaterialTexture(0, driver->getTexture(argv[2]));
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
  std::printf("irrlicht opengl: %.1f fps (%lld triangles a frame)\n", frames / seconds, triangles / frames);
  device->drop();
  return 0;
}
