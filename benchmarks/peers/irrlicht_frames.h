#pragma once
// What the Irrlicht peers share: the runtime's default camera and the
// timing of frames drawn with the scene manager.

#include <irrlicht.h>

#include <chrono>
#include <cmath>

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
