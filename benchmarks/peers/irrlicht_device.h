#pragma once
// The window every Irrlicht peer draws in: 640x480x32 with the named driver
// ("opengl", "burnings", anything else the software one), its log silenced.
// Null, with a message, when the driver does not start.

#include <irrlicht.h>

#include <cstdio>
#include <string>

inline irr::IrrlichtDevice* openPeerDevice(const std::string& driverName) {
  using namespace irr;
  const video::E_DRIVER_TYPE type = driverName == "opengl"     ? video::EDT_OPENGL
                                    : driverName == "burnings" ? video::EDT_BURNINGSVIDEO
                                                               : video::EDT_SOFTWARE;
  IrrlichtDevice* device = createDevice(type, core::dimension2du(640, 480), 32, false, false, false);
  if (!device) {
    std::fprintf(stderr, "no %s device\n", driverName.c_str());
    return nullptr;
  }
  device->getLogger()->setLogLevel(ELL_NONE);
  return device;
}
