#pragma once
// What the Irrlicht peers share: opening the device, the runtime's default
// camera and the timing of frames drawn with the scene manager.

#include <irrlicht.h>

#include <chrono>
#include <cmath>
#include <cstdio>

// A device with its log silenced: 640x480 at 32 bits for drawing drivers,
// no window for the null driver. Null, said on standard error, when the
// driver cannot be opened.
inline irr::IrrlichtDevice* openDevice(irr::video::E_DRIVER_TYPE type, const char* name) {
  irr::IrrlichtDevice* device = type == irr::video::EDT_NULL
                                    ? irr::createDevice(type)
                                    : irr::createDevice(type, irr::core::dimension2du(640, 480), 32, false, false, false);
  if (!device) {
    std::fprintf(stderr, "no %s device\n", name);
    return nullptr;
  }
  device->getLogger()->setLogLevel(irr::ELL_NONE);
  return device;
}

// The runtime's default camera at the origin looking along +z: 90 degrees
// across, near 1, far 1000.
inline void addDefaultCamera(irr::scene::ISceneManager* scene) {
  irr::scene::ICameraSceneNode* camera =
      scene->addCameraSceneNode(nullptr, irr::core::vector3df(0, 0, 0), irr::core::vector3df(0, 0, 1));
  camera->setFOV(2 * std::atan(0.75f));
  camera->setNearValue(1);
  camera->setFarValue(1000);
}

// Frames per second over frames frames, after one frame outside the
// timing in which textures and buffers reach the driver.
inline double framesPerSecond(irr::IrrlichtDevice* device, int frames) {
  irr::video::IVideoDriver* driver = device->getVideoDriver();
  irr::scene::ISceneManager* scene = device->getSceneManager();
  auto frame = [&] {
    driver->beginScene(true, true, irr::video::SColor(255, 0, 0, 0));
    scene->drawAll();
    driver->endScene();
  };
  frame();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames && device->run(); ++i) frame();
  return frames / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
