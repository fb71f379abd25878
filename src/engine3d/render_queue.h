#pragma once
// Queued draws. A model's render queues what it is to be drawn with into
// render items; flushing draws them through the scene device. An item
// points at the render state of a brush the model keeps, so queueing copies
// no brush. Items are kept in one free list for every queue, so that a
// frame allocates nothing once the list has grown to what a frame needs.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx {

class DeviceMesh;
class SceneDevice;
struct RenderState;

struct RenderItem {
  DeviceMesh* mesh = nullptr;
  int32_t firstVertex = 0, vertexCount = 0;
  int32_t firstTriangle = 0, triangleCount = 0;
  const RenderState* state = nullptr;
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
  void push(const RenderItem& item);
  // Draws the items, the last queued first, each with its state, and
  // returns them to the free list.
  void flush(SceneDevice& device);
  // Returns the items undrawn.
  void clear();

  // Items made for the free list so far (it grows 256 at a time).
  static size_t itemsMade();

 private:
  std::vector<RenderItem*> items_;
};

}  // namespace vx
