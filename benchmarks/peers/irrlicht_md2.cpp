// The MD2 peer of md2_benchmark.sh: Irrlicht drawing 200 animated copies of
// sydney.md2 at 640x480x32 with its OpenGL driver, as programs/md2_scene.c
// does, and printing frames per second.
//
//   irrlicht_md2 <media directory> <frames>
//
// Each copy loops 40 frames of its own, starting one frame after the one
// before it, so that no two show the same pose.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "irrlicht_frames.h"

using namespace irr;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <media directory> <frames>\n", argv[0]);
    return 2;
  }
  const std::string media = argv[1];
  const int frames = std::atoi(argv[2]);
  IrrlichtDevice* device = openDevice(video::EDT_OPENGL, "OpenGL");
  if (!device) return 1;
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* scene = device->getSceneManager();
  scene::IAnimatedMesh* mesh = scene->getMesh((media + "/sydney.md2").c_str());
  // The skin without mipmaps, as the runtime's program loads it (flags 1):
  // both sides sample the same texture the same way.
  driver->setTextureCreationFlag(video::ETCF_CREATE_MIP_MAPS, false);
  video::ITexture* skin = driver->getTexture((media + "/sydney.bmp").c_str());
  if (!mesh || !skin) {
    std::fprintf(stderr, "cannot load sydney\n");
    return 1;
  }
  // Irrlicht counts eight of its frames to one frame of the file.
  for (int i = 0; i < 200; ++i) {
    const float x = float(i % 20) * 30 - 285, y = float(i / 20) * 60 - 270;
    scene::IAnimatedMeshSceneNode* node = scene->addAnimatedMeshSceneNode(mesh, nullptr, -1, core::vector3df(x, y, 400));
    node->setMaterialTexture(0, skin);
    node->setFrameLoop(8 * (i % 40), 8 * (i % 40 + 40));
    node->setAnimationSpeed(8 * 15.0f);
  }
  addDefaultCamera(scene);
  scene::ILightSceneNode* light = scene->addLightSceneNode(nullptr, core::vector3df(0, 0, 0), video::SColorf(1, 1, 1));
  light->getLightData().Type = video::ELT_DIRECTIONAL;
  light->setRotation(core::vector3df(0, 0, 0));
  scene->setAmbientLight(video::SColorf(0.5f, 0.5f, 0.5f));

  const double fps = framesPerSecond(device, frames);
  std::printf("irrlicht md2: %.1f fps (%u triangles a frame)\n", fps, driver->getPrimitiveCountDrawn());
  device->drop();
  return 0;
}
