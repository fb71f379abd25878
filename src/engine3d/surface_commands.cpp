// The surface commands: vertices, triangles and the brush of a surface.
// Surface handles are not reported when unknown: a command given one does
// nothing. Vertex setters ignore an index outside the surface; the getters
// report it while debugging.

#include <algorithm>

#include "engine3d/mesh_surface.h"
#include "engine3d/world.h"
#include "runtime/registry.h"

namespace vx {

namespace {

MeshSurface* surfaceOf(int32_t handle) { return MeshSurface::surfaces().find(handle); }

// The surface when index is one of its vertices.
MeshSurface* surfaceWithVertex(int32_t handle, int32_t index) {
  MeshSurface* surface = surfaceOf(handle);
  return surface && surface->hasVertex(index) ? surface : nullptr;
}

// For the getters: "3D Graphics mode not set", then "Vertex index out of
// range" and, when the coordinate set matters, "Texture coordinate set out
// of range".
const Vertex* vertexOf(int32_t handle, int32_t index, int32_t coordSet = 0) {
  if (!worldOrFail()) return nullptr;
  MeshSurface* surface = surfaceOf(handle);
  if (!surface) return nullptr;
  if (!surface->hasVertex(index)) {
    if (debugging()) raiseError("Vertex index out of range");
    return nullptr;
  }
  if (coordSet != 0 && coordSet != 1) {
    if (debugging()) raiseError("Texture coordinate set out of range");
    return nullptr;
  }
  return &surface->vertices()[index];
}

int32_t getSurfaceBrush(int32_t handle) {
  MeshSurface* surface = surfaceOf(handle);
  return surface && worldOrFail() ? addBrush(surface->brush()) : 0;
}

void clearSurface(int32_t handle, int32_t vertices, int32_t triangles) {
  if (MeshSurface* surface = surfaceOf(handle)) surface->clear(vertices != 0, triangles != 0);
}

void paintSurface(int32_t handle, int32_t brushHandle) {
  MeshSurface* surface = surfaceOf(handle);
  if (!surface) return;
  if (Brush* brush = brushOf(brushHandle)) surface->setBrush(*brush);
}

int32_t addVertex(int32_t handle, float x, float y, float z, float u, float v, float) {
  MeshSurface* surface = surfaceOf(handle);
  return surface ? surface->addVertex({x, y, z}, u, v) : 0;
}

int32_t addTriangle(int32_t handle, int32_t v0, int32_t v1, int32_t v2) {
  MeshSurface* surface = surfaceOf(handle);
  return surface ? surface->addTriangle(v0, v1, v2) : 0;
}

void vertexCoords(int32_t handle, int32_t index, float x, float y, float z) {
  if (MeshSurface* surface = surfaceWithVertex(handle, index)) surface->setCoords(index, {x, y, z});
}

void vertexNormal(int32_t handle, int32_t index, float x, float y, float z) {
  if (MeshSurface* surface = surfaceWithVertex(handle, index)) surface->setNormal(index, {x, y, z});
}

uint32_t channel(float value) { return static_cast<uint32_t>(std::clamp(value, 0.0f, 255.0f)); }

void vertexColor(int32_t handle, int32_t index, float red, float green, float blue, float alpha) {
  if (MeshSurface* surface = surfaceWithVertex(handle, index))
    surface->setColor(index, channel(alpha * 255) << 24 | channel(red) << 16 | channel(green) << 8 | channel(blue));
}

void vertexTexCoords(int32_t handle, int32_t index, float u, float v, float, int32_t coordSet) {
  MeshSurface* surface = surfaceWithVertex(handle, index);
  if (surface && (coordSet == 0 || coordSet == 1)) surface->setTexCoords(index, u, v, coordSet);
}

int32_t countVertices(int32_t handle) {
  MeshSurface* surface = surfaceOf(handle);
  return surface ? surface->vertexCount() : 0;
}

int32_t countTriangles(int32_t handle) {
  MeshSurface* surface = surfaceOf(handle);
  return surface ? surface->triangleCount() : 0;
}

// A float field of a vertex.
template <float Vertex::*Field>
float vertexField(int32_t handle, int32_t index) {
  const Vertex* vertex = vertexOf(handle, index);
  return vertex ? vertex->*Field : 0;
}

// A colour channel, 0..255.
template <int Shift>
float vertexChannel(int32_t handle, int32_t index) {
  const Vertex* vertex = vertexOf(handle, index);
  return vertex ? static_cast<float>((vertex->argb >> Shift) & 255) : 0;
}

float vertexAlpha(int32_t handle, int32_t index) { return vertexChannel<24>(handle, index) * kColorScale; }

// A texture coordinate of either set.
template <float Vertex::*First, float Vertex::*Second>
float vertexCoord(int32_t handle, int32_t index, int32_t coordSet) {
  const Vertex* vertex = vertexOf(handle, index, coordSet);
  return vertex ? vertex->*(coordSet ? Second : First) : 0;
}

float vertexW(int32_t handle, int32_t index, int32_t coordSet) { return vertexOf(handle, index, coordSet) ? 1 : 0; }

int32_t triangleVertex(int32_t handle, int32_t index, int32_t corner) {
  MeshSurface* surface = surfaceOf(handle);
  if (!surface || !surface->hasTriangle(index) || corner < 0 || corner > 2) return 0;
  return surface->triangles()[index].v[corner];
}

}  // namespace

void linkSurfaceCommands(Registry& r) {
  r.command<"%GetSurfaceBrush%surface", getSurfaceBrush>();
  r.command<"ClearSurface%surface%clear_vertices=1%clear_triangles=1", clearSurface>();
  r.command<"PaintSurface%surface%brush", paintSurface>();
  r.command<"%AddVertex%surface#x#y#z#u=0#v=0#w=1", addVertex>();
  r.command<"%AddTriangle%surface%v0%v1%v2", addTriangle>();
  r.command<"VertexCoords%surface%index#x#y#z", vertexCoords>();
  r.command<"VertexNormal%surface%index#nx#ny#nz", vertexNormal>();
  r.command<"VertexColor%surface%index#red#green#blue#alpha=1", vertexColor>();
  r.command<"VertexTexCoords%surface%index#u#v#w=1%coord_set=0", vertexTexCoords>();
  r.command<"%CountVertices%surface", countVertices>();
  r.command<"%CountTriangles%surface", countTriangles>();
  r.command<"#VertexX%surface%index", vertexField<&Vertex::x>>();
  r.command<"#VertexY%surface%index", vertexField<&Vertex::y>>();
  r.command<"#VertexZ%surface%index", vertexField<&Vertex::z>>();
  r.command<"#VertexNX%surface%index", vertexField<&Vertex::nx>>();
  r.command<"#VertexNY%surface%index", vertexField<&Vertex::ny>>();
  r.command<"#VertexNZ%surface%index", vertexField<&Vertex::nz>>();
  r.command<"#VertexRed%surface%index", vertexChannel<16>>();
  r.command<"#VertexGreen%surface%index", vertexChannel<8>>();
  r.command<"#VertexBlue%surface%index", vertexChannel<0>>();
  r.command<"#VertexAlpha%surface%index", vertexAlpha>();
  r.command<"#VertexU%surface%index%coord_set=0", vertexCoord<&Vertex::u0, &Vertex::u1>>();
  r.command<"#VertexV%surface%index%coord_set=0", vertexCoord<&Vertex::v0, &Vertex::v1>>();
  r.command<"#VertexW%surface%index%coord_set=0", vertexW>();
  r.command<"%TriangleVertex%surface%index%vertex", triangleVertex>();
}

}  // namespace vx
