#include "platform/image_prefetch.h"

#include <emmintrin.h>

#include <algorithm>
#include <chrono>

#include "platform/image_files.h"

namespace vx {

namespace {

// How long either side stays awake for the other.
constexpr auto kAwake = std::chrono::milliseconds(2);

// Spins until ready() or the time is up; at once false on a machine where
// spinning would hold up the other side.
template <typename Ready>
bool spinUntil(Ready ready) {
  static const bool spinning = std::thread::hardware_concurrency() > 1;
  if (!spinning) return false;
  const auto end = std::chrono::steady_clock::now() + kAwake;
  for (int n = 0;; ++n) {
    if (ready()) return true;
    _mm_pause();
    if ((n & 63) == 0 && std::chrono::steady_clock::now() > end) return false;
  }
}

}  // namespace

ImagePrefetch::~ImagePrefetch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ImagePrefetch::request(const std::string& file, int32_t flags, const SurfaceContext& context) {
  {
    std::lock_guard lock(mutex_);
    const bool asked = std::any_of(requests_.begin(), requests_.end(),
                                   [&](const Request& r) { return r.file == file && r.flags == flags; });
    if (asked) return;
    requests_.emplace_back(file, flags, context);
    waiting_.fetch_add(1);
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
  }
  changed_.notify_all();
}

bool ImagePrefetch::take(const std::string& file, int32_t flags, std::shared_ptr<Surface>& surface) {
  std::unique_lock lock(mutex_);
  const auto it = std::find_if(requests_.begin(), requests_.end(),
                               [&](const Request& r) { return r.file == file && r.flags == flags; });
  if (it == requests_.end()) return false;
  if (it->state == kWaiting) {
    // Sooner done here than after what the thread decodes before it.
    const SurfaceContext context = it->context;
    requests_.erase(it);
    waiting_.fetch_sub(1);
    lock.unlock();
    surface = loadSurface(file, flags, context);
    return true;
  }
  if (it->state != kDone) {
    lock.unlock();
    spinUntil([&] { return it->state == kDone; });
    lock.lock();
    changed_.wait(lock, [&] { return it->state == kDone; });
  }
  surface = std::move(it->surface);
  requests_.erase(it);
  return true;
}

void ImagePrefetch::forget() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] {
    return std::none_of(requests_.begin(), requests_.end(), [](const Request& r) { return r.state == kDecoding; });
  });
  requests_.clear();
  waiting_ = 0;
}

void ImagePrefetch::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (waiting_ == 0 && !stopping_) {
      lock.unlock();
      spinUntil([&] { return waiting_ != 0; });
      lock.lock();
    }
    auto next = requests_.end();
    changed_.wait(lock, [&] {
      next = std::find_if(requests_.begin(), requests_.end(), [](const Request& r) { return r.state == kWaiting; });
      return stopping_ || next != requests_.end();
    });
    if (stopping_) return;
    next->state = kDecoding;
    waiting_.fetch_sub(1);
    lock.unlock();
    std::shared_ptr<Surface> surface = loadSurface(next->file, next->flags, next->context);
    lock.lock();
    next->surface = std::move(surface);
    next->state = kDone;
    changed_.notify_all();
  }
}

}  // namespace vx
