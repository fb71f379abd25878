// The mesh commands: making meshes and primitives, transforming, fitting,
// flipping, painting, merging and lighting them, their sizes and surfaces,
// and the loader matrices.

#include <cmath>

#include "engine3d/lower_case.h"
#include "engine3d/mesh.h"
#include "engine3d/primitives.h"
#include "engine3d/world.h"
#include "runtime/registry.h"

namespace vx {

namespace {

Mesh* meshOf(int32_t handle) { return entityKindOf<&Model::getMesh>(handle, "Entity is not a mesh"); }

int32_t surfaceHandle(const MeshSurface* surface) { return HandleSet<MeshSurface>::handleOf(surface); }

// Creation

// Puts a new mesh, made only once the place is known to be good, under the
// parent.
template <typename Make>
int32_t placeMesh(int32_t parentHandle, Make make) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  return addEntity(make(), parent);
}

int32_t createMesh(int32_t parent) {
  return placeMesh(parent, [] { return new Mesh; });
}

int32_t createCubeCommand(int32_t parent) { return placeMesh(parent, createCube); }

// Segments outside the range would give broken layouts: refused also
// without the debugging flag.
bool segmentsAllowed(int32_t segments, int32_t least) {
  if (segments >= least && segments <= kMaxSegments) return true;
  if (debugging()) raiseError("Illegal number of segments");
  return false;
}

int32_t createSphereCommand(int32_t segments, int32_t parent) {
  if (!segmentsAllowed(segments, kMinSphereSegments)) return 0;
  return placeMesh(parent, [segments] { return createSphere(segments); });
}

int32_t createCylinderCommand(int32_t segments, int32_t solid, int32_t parent) {
  if (!segmentsAllowed(segments, kMinRoundSegments)) return 0;
  return placeMesh(parent, [segments, solid] { return createCylinder(segments, solid != 0); });
}

int32_t createConeCommand(int32_t segments, int32_t solid, int32_t parent) {
  if (!segmentsAllowed(segments, kMinRoundSegments)) return 0;
  return placeMesh(parent, [segments, solid] { return createCone(segments, solid != 0); });
}

int32_t copyMesh(int32_t handle, int32_t parent) {
  if (!worldOrFail()) return 0;
  Mesh* source = meshOf(handle);
  if (!source) return 0;
  return placeMesh(parent, [source] {
    auto* copy = new Mesh;
    copy->add(*source);
    return copy;
  });
}

// Geometry

void transformMesh(int32_t handle, const Transform& transform) {
  if (Mesh* mesh = meshOf(handle)) mesh->transform(transform);
}

void scaleMesh(int32_t handle, float x, float y, float z) {
  transformMesh(handle, {{{x, 0, 0}, {0, y, 0}, {0, 0, z}}, {}});
}

void rotateMesh(int32_t handle, float pitch, float yaw, float roll) {
  transformMesh(handle, {yawMatrix(yaw * kDegToRad) * pitchMatrix(pitch * kDegToRad) * rollMatrix(roll * kDegToRad), {}});
}

void positionMesh(int32_t handle, float x, float y, float z) { transformMesh(handle, {Matrix{}, {x, y, z}}); }

void fitMesh(int32_t handle, float x, float y, float z, float width, float height, float depth, int32_t uniform) {
  if (Mesh* mesh = meshOf(handle)) mesh->fit({x, y, z}, {width, height, depth}, uniform != 0);
}

void flipMesh(int32_t handle) {
  if (Mesh* mesh = meshOf(handle)) mesh->flip();
}

void paintMesh(int32_t handle, int32_t brushHandle) {
  Mesh* mesh = meshOf(handle);
  if (!mesh) return;
  if (Brush* brush = brushOf(brushHandle)) mesh->paint(*brush);
}

void addMesh(int32_t sourceHandle, int32_t destHandle) {
  Mesh* source = meshOf(sourceHandle);
  Mesh* dest = source ? meshOf(destHandle) : nullptr;
  if (!dest) return;
  if (source->sharesGeometry(*dest)) {
    if (debugging()) raiseError("A mesh cannot be added to itself");
    return;
  }
  dest->add(*source);
}

void updateNormals(int32_t handle) {
  if (Mesh* mesh = meshOf(handle)) mesh->updateNormals();
}

void lightMesh(int32_t handle, float red, float green, float blue, float range, float x, float y, float z) {
  if (Mesh* mesh = meshOf(handle)) mesh->light(Vector{red, green, blue} * kColorScale, range, {x, y, z});
}

// The extent along an axis; an empty mesh gives -20000000.
template <float Vector::*Axis>
float meshExtent(int32_t handle) {
  Mesh* mesh = meshOf(handle);
  if (!mesh) return 0;
  Vector min, max;
  mesh->bounds(min, max);
  return max.*Axis - min.*Axis;
}

// Surfaces

int32_t countSurfaces(int32_t handle) {
  Mesh* mesh = meshOf(handle);
  return mesh ? static_cast<int32_t>(mesh->surfaces().size()) : 0;
}

int32_t getSurface(int32_t handle, int32_t index) {
  Mesh* mesh = meshOf(handle);
  if (!mesh) return 0;
  if (index < 1 || index > static_cast<int32_t>(mesh->surfaces().size())) {
    if (debugging()) raiseError("Surface Index out of range");
    return 0;
  }
  return surfaceHandle(mesh->surfaces()[index - 1].get());
}

int32_t findSurface(int32_t handle, int32_t brushHandle) {
  Mesh* mesh = meshOf(handle);
  if (!mesh) return 0;
  Brush* brush = brushOf(brushHandle);
  return brush ? surfaceHandle(mesh->findSurface(*brush)) : 0;
}

int32_t createSurface(int32_t handle, int32_t brushHandle) {
  Mesh* mesh = meshOf(handle);
  if (!mesh) return 0;
  const Brush none;
  const Brush* brush = brushHandle ? brushOf(brushHandle) : &none;
  return brush ? surfaceHandle(&mesh->createSurface(*brush)) : 0;
}

void loaderMatrix(StrArg extension, float xx, float xy, float xz, float yx, float yy, float yz, float zx, float zy,
                  float zz) {
  if (World* world = worldOrFail())
    world->loaderMatrices[lowerCase(extension.view())] = Matrix{{xx, xy, xz}, {yx, yy, yz}, {zx, zy, zz}};
}

}  // namespace

void linkMeshCommands(Registry& r) {
  r.command<"%CreateMesh%parent=0", createMesh>();
  r.command<"%CreateCube%parent=0", createCubeCommand>();
  r.command<"%CreateSphere%segments=8%parent=0", createSphereCommand>();
  r.command<"%CreateCylinder%segments=8%solid=1%parent=0", createCylinderCommand>();
  r.command<"%CreateCone%segments=8%solid=1%parent=0", createConeCommand>();
  r.command<"%CopyMesh%mesh%parent=0", copyMesh>();
  r.command<"ScaleMesh%mesh#x_scale#y_scale#z_scale", scaleMesh>();
  r.command<"RotateMesh%mesh#pitch#yaw#roll", rotateMesh>();
  r.command<"PositionMesh%mesh#x#y#z", positionMesh>();
  r.command<"FitMesh%mesh#x#y#z#width#height#depth%uniform=0", fitMesh>();
  r.command<"FlipMesh%mesh", flipMesh>();
  r.command<"PaintMesh%mesh%brush", paintMesh>();
  r.command<"AddMesh%source_mesh%dest_mesh", addMesh>();
  r.command<"UpdateNormals%mesh", updateNormals>();
  r.command<"LightMesh%mesh#red#green#blue#range=0#x=0#y=0#z=0", lightMesh>();
  r.command<"#MeshWidth%mesh", meshExtent<&Vector::x>>();
  r.command<"#MeshHeight%mesh", meshExtent<&Vector::y>>();
  r.command<"#MeshDepth%mesh", meshExtent<&Vector::z>>();
  r.command<"%CountSurfaces%mesh", countSurfaces>();
  r.command<"%GetSurface%mesh%surface_index", getSurface>();
  r.command<"%FindSurface%mesh%brush", findSurface>();
  r.command<"%CreateSurface%mesh%brush=0", createSurface>();
  r.command<"LoaderMatrix$file_ext#xx#xy#xz#yx#yy#yz#zx#zy#zz", loaderMatrix>();
}

}  // namespace vx
