// The collision peer of collision_benchmark.sh: Irrlicht with the level,
// movers and rays of programs/collision_level.h. The level is one mesh
// behind an octree triangle selector; each mover goes through Irrlicht's
// ellipsoid collision response (sliding, no gravity of its own: the moves
// carry their fall), each ray through its nearest-hit query. Prints the
// same figures as the runtime's side.

#include <irrlicht.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "irrlicht_frames.h"

extern "C" {
#include "../programs/collision_level.h"
}

using namespace irr;

namespace {

struct Level {
  scene::SMesh* mesh;
  scene::SMeshBuffer* buffer = nullptr;
};

// Quads go into buffers of at most 65,536 vertices (16-bit indices).
void addQuad(void* context, const float* c) {
  Level& level = *static_cast<Level*>(context);
  if (!level.buffer || level.buffer->Vertices.size() + 4 > 65536) {
    level.buffer = new scene::SMeshBuffer;
    level.mesh->addMeshBuffer(level.buffer);
    level.buffer->drop();
  }
  const u16 first = static_cast<u16>(level.buffer->Vertices.size());
  for (int k = 0; k < 4; ++k)
    level.buffer->Vertices.push_back(
        video::S3DVertex(c[k * 3], c[k * 3 + 1], c[k * 3 + 2], 0, 1, 0, video::SColor(255, 255, 255, 255), 0, 0));
  const u16 triangles[6] = {0, 1, 2, 0, 2, 3};
  for (u16 index : triangles) level.buffer->Indices.push_back(static_cast<u16>(first + index));
}

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int updates = argc > 1 ? std::atoi(argv[1]) : 300;
  IrrlichtDevice* device = openDevice(video::EDT_NULL, "null");
  if (!device) return 1;
  scene::ISceneManager* scene = device->getSceneManager();

  Level level{new scene::SMesh};
  level_build(addQuad, &level);
  for (u32 i = 0; i < level.mesh->getMeshBufferCount(); ++i) level.mesh->getMeshBuffer(i)->recalculateBoundingBox();
  level.mesh->recalculateBoundingBox();
  scene::IMeshSceneNode* node = scene->addMeshSceneNode(level.mesh);
  scene::ITriangleSelector* selector = scene->createOctreeTriangleSelector(level.mesh, node, 32);
  level.mesh->drop();
  scene::ISceneCollisionManager* collisions = scene->getSceneCollisionManager();

  core::vector3df movers[LEVEL_MOVERS];
  for (int i = 0; i < LEVEL_MOVERS; ++i) {
    float p[3];
    level_start(i, p);
    movers[i].set(p[0], p[1], p[2]);
  }
  const core::vector3df radius(LEVEL_RADIUS_X, LEVEL_RADIUS_Y, LEVEL_RADIUS_X);
  core::triangle3df triangle;
  core::vector3df hit;
  bool falling;
  scene::ISceneNode* hitNode;

  auto start = std::chrono::steady_clock::now();
  for (int step = 0; step < updates; ++step)
    for (int i = 0; i < LEVEL_MOVERS; ++i) {
      float d[3];
      level_move(i, step, d);
      movers[i] = collisions->getCollisionResultPosition(selector, movers[i], radius, core::vector3df(d[0], d[1], d[2]),
                                                         triangle, hit, falling, hitNode, 0.0005f,
                                                         core::vector3df(0, 0, 0));
    }
  std::printf("irrlicht update: %g ms\n", seconds(start) * 1000 / updates);
  float height = 0;
  for (const core::vector3df& p : movers) height += p.Y;
  std::printf("irrlicht mean height: %g\n", height / LEVEL_MOVERS);

  int hits = 0;
  start = std::chrono::steady_clock::now();
  for (int k = 0; k < LEVEL_PICKS; ++k) {
    float o[3], d[3];
    level_ray(k, o, d);
    const core::line3df ray(o[0], o[1], o[2], o[0] + d[0], o[1] + d[1], o[2] + d[2]);
    hits += collisions->getCollisionPoint(ray, selector, hit, triangle, hitNode) ? 1 : 0;
  }
  std::printf("irrlicht picks: %g per second\n", LEVEL_PICKS / seconds(start));
  std::printf("irrlicht rays hit: %d\n", hits);
  selector->drop();
  device->drop();
  return 0;
}
