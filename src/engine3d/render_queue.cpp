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

void returnItem(RenderItem* item) { freeItems.push_back(item); }

}  // namespace

void RenderQueue::push(const RenderItem& item) {
  RenderItem* queued = takeItem();
  *queued = item;
  items_.push_back(queued);
}

void RenderQueue::flush(SceneDevice& device) {
  while (!items_.empty()) {
    RenderItem* item = items_.back();
    items_.pop_back();
    device.setRenderState(*item->state);
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
