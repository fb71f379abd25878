// The sliding peer of terrain_benchmark.sh: Irrlicht's terrain scene node
// over the runtime's landscape, as wide and as high as its terrain,
// behind its terrain triangle selector, and the movers of
// programs/terrain_slide.h through its ellipsoid collision response
// (sliding, no gravity of its own: the moves carry their fall). Prints the
// same figures as the runtime's side.
//
//   irrlicht_terrain_slide <heightmap.bmp> <units a square> <updates>

#include <irrlicht.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "irrlicht_frames.h"
#include "irrlicht_landscape.h"

extern "C" {
#include "../programs/terrain_slide.h"
}

using namespace irr;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <heightmap.bmp> <units> <updates>\n", argv[0]);
    return 2;
  }
  const float units = float(std::atof(argv[2]));
  const int updates = std::atoi(argv[3]);
  IrrlichtDevice* device = openDevice(video::EDT_NULL, "null");
  if (!device) return 1;
  scene::ISceneManager* scene = device->getSceneManager();
  std::vector<u8> landscapeBytes;
  io::IReadFile* landscape = runtimeLandscape(device, argv[1], landscapeBytes);
  scene::ITerrainSceneNode* terrain =
      landscape ? scene->addTerrainSceneNode(landscape, nullptr, -1, core::vector3df(0, 0, 0), core::vector3df(0, 0, 0),
                                             core::vector3df(units, 400.0f / 255, units))
                : nullptr;
  if (landscape) landscape->drop();
  if (!terrain) {
    std::fprintf(stderr, "cannot load %s\n", argv[1]);
    return 1;
  }
  scene::ITriangleSelector* selector = scene->createTerrainTriangleSelector(terrain, 0);
  scene::ISceneCollisionManager* collisions = scene->getSceneCollisionManager();

  core::vector3df movers[SLIDE_MOVERS];
  for (int i = 0; i < SLIDE_MOVERS; ++i) {
    float p[3];
    slide_start(i, p);
    movers[i].set(p[0], p[1], p[2]);
  }
  const core::vector3df radius(SLIDE_RADIUS_X, SLIDE_RADIUS_Y, SLIDE_RADIUS_X);
  core::triangle3df triangle;
  core::vector3df hit;
  bool falling;
  scene::ISceneNode* hitNode;

  const auto start = std::chrono::steady_clock::now();
  for (int step = 0; step < updates; ++step)
    for (int i = 0; i < SLIDE_MOVERS; ++i) {
      float d[3];
      slide_move(i, step, d);
      movers[i] = collisions->getCollisionResultPosition(selector, movers[i], radius, core::vector3df(d[0], d[1], d[2]),
                                                         triangle, hit, falling, hitNode, 0.0005f,
                                                         core::vector3df(0, 0, 0));
    }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("irrlicht update: %g ms\n", seconds * 1000 / updates);
  float height = 0;
  for (const core::vector3df& p : movers) height += p.Y;
  std::printf("irrlicht mean height: %g\n", height / SLIDE_MOVERS);
  selector->drop();
  device->drop();
  return 0;
}
