#pragma once
// Queued draws. A model's render queues what it is to be drawn with into
// render items; flushing draws them through the scene device. Items are
// kept in one free list for every queue, so that a frame allocates nothing
// once the list has grown to what a frame needs.

#include <cstdint>
#include <vector>

#include "engine3d/brush.h"

namespace vx {

class DeviceMesh;
class SceneDevice;

struct RenderItem {
  DeviceMesh* mesh = nullptr;
  int32_t firstVertex = 0, vertexCount = 0;
  int32_t firstTriangle = 0, triangleCount = 0;
  Brush brush;
};

class RenderQueue {
 public:
  RenderQueue() = default;
  // A copy of a model starts with nothing queued.
  RenderQueue(const RenderQueue&) {}
  RenderQueue& operator=(const RenderQueue&) = delete;
  ~RenderQueue() { clear(); }

  bool empty() const { return items_.empty(); }
  size_t size() const { return items_.size(); }
  void push(DeviceMesh& mesh, int32_t firstVertex, int32_t vertexCount, int32_t firstTriangle,
            int32_t triangleCount, const Brush& brush);
  // Draws the items, the last queued first, each with its brush's state,
  // and returns them to the free list.
  void flush(SceneDevice& device);
  // Returns the items undrawn.
  void clear();

  // Items made for the free list so far (it grows 256 at a time).
  static size_t itemsMade();

 private:
  std::vector<RenderItem*> items_;
};

}  // namespace vx
