#include "engine3d/device/gl_device_objects.h"
#include "engine3d/device/gl_scene_device.h"

namespace vx {

namespace {

GLuint makeBuffer(GLenum target, size_t bytes) {
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  glBindBuffer(target, buffer);
  glBufferData(target, static_cast<GLsizeiptr>(bytes), nullptr, GL_DYNAMIC_DRAW);
  return buffer;
}

// The range is written whole, so what it held need not be kept.
void* mapRange(GLenum target, size_t offset, size_t bytes) {
  return glMapBufferRange(target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes),
                          GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT);
}

}  // namespace

// The index buffer is bound inside the mesh's vertex array object: that
// binding is part of the object, so it is made and mapped with the object
// bound.
GlDeviceMesh::GlDeviceMesh(GlSceneDevice& device, int32_t vertexCapacity, int32_t triangleCapacity, bool indices32)
    : DeviceMesh(vertexCapacity, triangleCapacity, indices32), device_(&device) {
  glGenVertexArrays(1, &vertexArray_);
  device.state().bindVertexArray(vertexArray_);
  vertexBuffer_ = makeBuffer(GL_ARRAY_BUFFER, sizeof(DeviceVertex) * static_cast<size_t>(vertexCapacity));
  indexBuffer_ = makeBuffer(GL_ELEMENT_ARRAY_BUFFER,
                            (indices32 ? 4 : 2) * 3 * static_cast<size_t>(triangleCapacity));
}

GlDeviceMesh::~GlDeviceMesh() {
  if (device_) device_->forgetMesh(*this);
  release();
}

void GlDeviceMesh::release() {
  if (!device_) return;
  if (device_->state().vertexArray() == vertexArray_) device_->state().bindVertexArray(0);
  glDeleteVertexArrays(1, &vertexArray_);
  glDeleteBuffers(1, &vertexBuffer_);
  glDeleteBuffers(1, &indexBuffer_);
  device_ = nullptr;
}

DeviceVertex* GlDeviceMesh::lockVertices(int32_t first, int32_t count) {
  if (count <= 0 || !device_) return nullptr;
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  return static_cast<DeviceVertex*>(
      mapRange(GL_ARRAY_BUFFER, sizeof(DeviceVertex) * first, sizeof(DeviceVertex) * count));
}

void GlDeviceMesh::unlockVertices() {
  if (!device_) return;
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glUnmapBuffer(GL_ARRAY_BUFFER);
}

void* GlDeviceMesh::lockIndices(int32_t first, int32_t count, size_t indexBytes) {
  if (count <= 0 || !device_) return nullptr;
  device_->state().bindVertexArray(vertexArray_);
  return mapRange(GL_ELEMENT_ARRAY_BUFFER, indexBytes * 3 * first, indexBytes * 3 * count);
}

uint16_t* GlDeviceMesh::lockTriangles(int32_t first, int32_t count) {
  return indices32() ? nullptr : static_cast<uint16_t*>(lockIndices(first, count, 2));
}

uint32_t* GlDeviceMesh::lockTriangles32(int32_t first, int32_t count) {
  return indices32() ? static_cast<uint32_t*>(lockIndices(first, count, 4)) : nullptr;
}

void GlDeviceMesh::unlockTriangles() {
  if (!device_) return;
  device_->state().bindVertexArray(vertexArray_);
  glUnmapBuffer(GL_ELEMENT_ARRAY_BUFFER);
}

}  // namespace vx
