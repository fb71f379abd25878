// The rendering peer of render_benchmark.sh: Irrlicht drawing the same three
// scenes as programs/render_scenes.c, at 640x480x32, and printing
// frames per second.
//
//   irrlicht_render <opengl|burnings|software> <mesh|cubes|alpha> <frames>
//
// mesh:  one lit, textured sphere of 10,000 triangles;
// cubes: 1,000 lit, textured cubes, each a scene node of its own;
// alpha: the same cubes drawn half transparent.

#include <cstdio>
#include <cstring>
#include <string>

#include "irrlicht_frames.h"

using namespace irr;

namespace {

video::ITexture* checkerTexture(video::IVideoDriver* driver) {
  video::IImage* image = driver->createImage(video::ECF_A8R8G8B8, core::dimension2du(256, 256));
  for (u32 y = 0; y < 256; ++y)
    for (u32 x = 0; x < 256; ++x)
      image->setPixel(x, y, ((x / 32 + y / 32) % 2) ? video::SColor(255, 230, 200, 60) : video::SColor(255, 40, 90, 200));
  video::ITexture* texture = driver->addTexture("checker", image);
  image->drop();
  return texture;
}

void buildMesh(scene::ISceneManager* scene, video::ITexture* texture) {
  // 100 segments around and 50 down: 2 * 100 * 50 = 10,000 triangles.
  scene::IMesh* mesh = scene->getGeometryCreator()->createSphereMesh(2.0f, 100, 50);
  scene::IMeshSceneNode* node = scene->addMeshSceneNode(mesh, nullptr, -1, core::vector3df(0, 0, 5));
  mesh->drop();
  node->setMaterialTexture(0, texture);
}

void buildCubes(scene::ISceneManager* scene, video::ITexture* texture, bool alpha) {
  scene::IMesh* cube = scene->getGeometryCreator()->createCubeMesh(core::vector3df(1.2f, 1.2f, 1.2f));
  if (alpha) {
    scene->getMeshManipulator()->setVertexColorAlpha(cube, 128);
  }
  for (int i = 0; i < 1000; ++i) {
    const float x = float(i % 10) * 2 - 9, y = float(i / 10 % 10) * 2 - 9, z = float(i / 100) * 2 + 14;
    scene::IMeshSceneNode* node = scene->addMeshSceneNode(cube, nullptr, -1, core::vector3df(x, y, z));
    node->setMaterialTexture(0, texture);
    if (alpha) node->setMaterialType(video::EMT_TRANSPARENT_VERTEX_ALPHA);
  }
  cube->drop();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <opengl|burnings|software> <mesh|cubes|alpha> <frames>\n", argv[0]);
    return 2;
  }
  const std::string driverName = argv[1], sceneName = argv[2];
  const int frames = std::atoi(argv[3]);
  video::E_DRIVER_TYPE type = driverName == "opengl"     ? video::EDT_OPENGL
                              : driverName == "burnings" ? video::EDT_BURNINGSVIDEO
                                                         : video::EDT_SOFTWARE;
  IrrlichtDevice* device = openDevice(type, driverName.c_str());
  if (!device) return 1;
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* scene = device->getSceneManager();
  video::ITexture* texture = checkerTexture(driver);
  if (sceneName == "mesh") buildMesh(scene, texture);
  else buildCubes(scene, texture, sceneName == "alpha");
  addDefaultCamera(scene);
  scene->addLightSceneNode(nullptr, core::vector3df(-10, 10, -10), video::SColorf(1, 1, 1), 100.0f);
  scene->setAmbientLight(video::SColorf(0.5f, 0.5f, 0.5f));

  const double fps = framesPerSecond(device, frames);
  std::printf("irrlicht %s %s: %.1f fps (%u triangles a frame)\n", driverName.c_str(), sceneName.c_str(), fps,
              driver->getPrimitiveCountDrawn());
  device->drop();
  return 0;
}
