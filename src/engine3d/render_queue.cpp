#include "engine3d/render_queue.h"

#include <memory>

#include "engine3d/device/scene_device.h"

namespace vx {

namespace {

constexpr size_t kRefill = 256;

std::vector<std::unique_ptr<RenderItem[]>> blocks;
std::vector<RenderItem*> freeItems;

RenderItem* takeItem() {
  if (freeItems.empty()) {
    blocks.push_back(std::make_unique<RenderItem[]>(kRefill));
    RenderItem* block = blocks.back().get();
    for (size_t i = kRefill; i-- > 0;) freeItems.push_back(&block[i]);
  }
  RenderItem* item = freeItems.back();
  freeItems.pop_back();
  return item;
}

void returnItem(RenderItem* item) {
  // The brush would otherwise keep its textures alive.
  item->brush = Brush();
  item->mesh = nullptr;
  freeItems.push_back(item);
}

}  // namespace

void RenderQueue::push(DeviceMesh& mesh, int32_t firstVertex, int32_t vertexCount, int32_t firstTriangle,
                       int32_t triangleCount, const Brush& brush) {
  RenderItem* item = takeItem();
  *item = {&mesh, firstVertex, vertexCount, firstTriangle, triangleCount, brush};
  items_.push_back(item);
}

void RenderQueue::flush(SceneDevice& device) {
  while (!items_.empty()) {
    RenderItem* item = items_.back();
    items_.pop_back();
    device.setRenderState(item->brush.renderState());
    device.draw(*item->mesh, item->firstVertex, item->vertexCount, item->firstTriangle, item->triangleCount);
    returnItem(item);
  }
}

void RenderQueue::clear() {
  for (RenderItem* item : items_) returnItem(item);
  items_.clear();
}

size_t RenderQueue::itemsMade() { return blocks.size() * kRefill; }

}  // namespace vx
