// The level peer of bsp_benchmark.sh: Irrlicht loading the archive
// map-20kdm2.pk3 (its Quake III loader, the level under an octree node) and
// flying along the same camera path as programs/bsp_flythrough.c, at
// 640x480x32. Prints the load time and frames per second.
//
//   irrlicht_bsp <archive.pk3> <frames>

#include <irrlicht.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "irrlicht_frames.h"
#include "../programs/bsp_path.h"

using namespace irr;

namespace {

// A point of the level file in Irrlicht's axes, which swap y and z.
core::vector3df fromQuake(const float p[3]) { return {p[0], p[2], p[1]}; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <archive.pk3> <frames>\n", argv[0]);
    return 2;
  }
  const int frames = std::atoi(argv[2]);
  IrrlichtDevice* device = openDevice(video::EDT_OPENGL, "OpenGL");
  if (!device) return 1;
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* scene = device->getSceneManager();

  const auto loadStart = std::chrono::steady_clock::now();
  device->getFileSystem()->addFileArchive(argv[1]);
  scene::IAnimatedMesh* mesh = scene->getMesh("maps/20kdm2.bsp");
  if (!mesh) {
    std::fprintf(stderr, "no level\n");
    return 1;
  }
  scene::ISceneNode* level = scene->addOctreeSceneNode(mesh->getMesh(0), nullptr, -1, 1024);
  // Mipmaps blended between levels, as the runtime's device samples them.
  level->setMaterialFlag(video::EMF_TRILINEAR_FILTER, true);
  const double loadMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loadStart).count();

  // The runtime's camera: 90 degrees across, near 1, far 4000.
  scene::ICameraSceneNode* camera = scene->addCameraSceneNode();
  camera->setFOV(2 * std::atan(0.75f));
  camera->setNearValue(1);
  camera->setFarValue(4000);

  auto place = [&](int frame) {
    float at[3], ahead[3];
    bspPathPoint(frame, frames, at, ahead);
    camera->setPosition(fromQuake(at));
    camera->setTarget(fromQuake(ahead));
  };
  // One frame outside the timing: textures and buffers reach the driver.
  place(0);
  driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
  scene->drawAll();
  driver->endScene();
  u32 triangles = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames && device->run(); ++i) {
    place(i);
    driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    scene->drawAll();
    driver->endScene();
    triangles += driver->getPrimitiveCountDrawn();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("irrlicht level: load %.1f ms, %.1f fps (%u triangles a frame)\n", loadMs, frames / seconds,
              frames ? triangles / frames : 0);
  device->drop();
  return 0;
}
