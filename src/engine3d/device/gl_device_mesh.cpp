#include "engine3d/device/gl_device_objects.h"

#include <utility>

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
void* mapRange(GLenum target, GLuint buffer, size_t offset, size_t bytes) {
  glBindBuffer(target, buffer);
  return glMapBufferRange(target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes),
                          GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT);
}

void unmap(GLenum target, GLuint buffer) {
  glBindBuffer(target, buffer);
  glUnmapBuffer(target);
}

uint64_t nextSerial = 1;

}  // namespace

GlDeviceMesh::GlDeviceMesh(std::weak_ptr<const bool> device, int32_t vertexCapacity, int32_t triangleCapacity)
    : DeviceMesh(vertexCapacity, triangleCapacity),
      device_(std::move(device)),
      serial_(nextSerial++),
      vertexBuffer_(makeBuffer(GL_ARRAY_BUFFER, sizeof(DeviceVertex) * static_cast<size_t>(vertexCapacity))),
      indexBuffer_(makeBuffer(GL_ELEMENT_ARRAY_BUFFER, sizeof(uint16_t) * 3 * static_cast<size_t>(triangleCapacity))) {}

GlDeviceMesh::~GlDeviceMesh() {
  if (device_.expired()) return;
  glDeleteBuffers(1, &vertexBuffer_);
  glDeleteBuffers(1, &indexBuffer_);
}

DeviceVertex* GlDeviceMesh::lockVertices(int32_t first, int32_t count) {
  if (count <= 0 || device_.expired()) return nullptr;
  return static_cast<DeviceVertex*>(mapRange(GL_ARRAY_BUFFER, vertexBuffer_, sizeof(DeviceVertex) * first,
                                             sizeof(DeviceVertex) * count));
}

void GlDeviceMesh::unlockVertices() {
  if (!device_.expired()) unmap(GL_ARRAY_BUFFER, vertexBuffer_);
}

uint16_t* GlDeviceMesh::lockTriangles(int32_t first, int32_t count) {
  if (count <= 0 || device_.expired()) return nullptr;
  return static_cast<uint16_t*>(mapRange(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_, sizeof(uint16_t) * 3 * first,
                                         sizeof(uint16_t) * 3 * count));
}

void GlDeviceMesh::unlockTriangles() {
  if (!device_.expired()) unmap(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
}

void GlDeviceMesh::bind() const {
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
}

}  // namespace vx
