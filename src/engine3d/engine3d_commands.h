#pragma once
// The command families of the 3D engine, each registered by its own file;
// the 3D module (world3d/vexel3d_module) registers them all.

namespace vx {

class Registry;

void linkEntityCommands(Registry& r);
void linkTextureCommands(Registry& r);
void linkBrushCommands(Registry& r);
void linkMeshCommands(Registry& r);
void linkSurfaceCommands(Registry& r);
void linkDeviceCommands(Registry& r);
void linkCameraCommands(Registry& r);
void linkRenderCommands(Registry& r);

}  // namespace vx
