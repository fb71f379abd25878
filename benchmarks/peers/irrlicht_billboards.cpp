// The peer of sprite_benchmark.sh: Irrlicht drawing the particle field of
// programs/sprite_field.c, 10,000 billboards of one texture added onto the
// scene, at 640x480x32, the camera turning a little each frame as there,
// and printing frames per second.
//
//   irrlicht_billboards <opengl|burnings> <texture file> <frames>

#include <irrlicht.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "irrlicht_frames.h"

using namespace irr;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <opengl|burnings> <texture file> <frames>\n", argv[0]);
    return 2;
  }
  const std::string driverName = argv[1];
  const int frames = std::atoi(argv[3]);
  const video::E_DRIVER_TYPE type = driverName == "opengl" ? video::EDT_OPENGL : video::EDT_BURNINGSVIDEO;
  IrrlichtDevice* device = openDevice(type, driverName.c_str());
  if (!device) return 1;
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* scene = device->getSceneManager();
  video::ITexture* texture = driver->getTexture(argv[2]);
  for (int i = 0; i < 10000; ++i) {
    const core::vector3df at(float(i % 25) - 12, float(i / 25 % 20) - 9.5f, float(i / 500) + 20);
    scene::IBillboardSceneNode* node = scene->addBillboardSceneNode(nullptr, core::dimension2df(0.8f, 0.8f), at);
    node->setMaterialFlag(video::EMF_LIGHTING, false);
    node->setMaterialTexture(0, texture);
    node->setMaterialType(video::EMT_TRANSPARENT_ADD_COLOR);
  }
  addDefaultCamera(scene);
  scene::ICameraSceneNode* camera = scene->getActiveCamera();

  driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
  scene->drawAll();
  driver->endScene();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames && device->run(); ++i) {
    const float yaw = 0.01f * core::DEGTORAD * float(i + 1);
    camera->setTarget(core::vector3df(std::sin(yaw), 0, std::cos(yaw)));
    driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    scene->drawAll();
    driver->endScene();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("irrlicht %s sprites: %.1f fps (%u triangles a frame)\n", driverName.c_str(), frames / seconds,
              driver->getPrimitiveCountDrawn());
  device->drop();
  return 0;
}
