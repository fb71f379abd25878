// The load peer of model_load_benchmark.sh: milliseconds per getMesh of
// model files, each load followed by removing the mesh from the mesh cache
// and every texture from the driver, so that every load reads its file and
// decodes its textures afresh. The null driver decodes textures into memory
// without a graphics card, as the runtime's loads do before a first draw.
//
//   irrlicht_load <file> <loads> [<file> <loads>]...
//
// Prints "<file>: <ms> ms per load" for each, the best of five runs.

#include <irrlicht.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "irrlicht_frames.h"

using namespace irr;

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: %s <file> <loads> [<file> <loads>]...\n", argv[0]);
    return 2;
  }
  IrrlichtDevice* device = openDevice(video::EDT_NULL, "null");
  if (!device) return 1;
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* scene = device->getSceneManager();
  int status = 0;
  for (int arg = 1; arg + 1 < argc; arg += 2) {
    const char* file = argv[arg];
    const int loads = std::atoi(argv[arg + 1]);
    double best = 1e30;
    bool loaded = true;
    for (int run = 0; run < 5 && loaded; ++run) {
      const auto start = std::chrono::steady_clock::now();
      for (int n = 0; n < loads && loaded; ++n) {
        scene::IAnimatedMesh* mesh = scene->getMesh(file);
        loaded = mesh != nullptr;
        if (mesh) scene->getMeshCache()->removeMesh(mesh);
        driver->removeAllTextures();
      }
      best =
          std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    if (!loaded) {
      std::fprintf(stderr, "%s does not load\n", file);
      status = 1;
      continue;
    }
    std::printf("%s: %.4f ms per load\n", file, best / loads);
  }
  device->drop();
  return status;
}
