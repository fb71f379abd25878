#pragma once
// Image files decoded ahead of their loading, on a thread of their own: a
// loader that knows which images it will need names them first and reads
// its own file meanwhile. An image is decoded for a file and canvas flags;
// taking that file and those flags later gives the decoded surface,
// waiting for it when it is being decoded, or decoding it at once when the
// thread has not come to it. What nobody took goes at forget().
//
// Both sides wait for each other a short while awake before they sleep:
// a decoding takes about a millisecond, waking a sleeping thread a tenth
// of that.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/surface.h"

namespace vx {

class ImagePrefetch {
 public:
  ImagePrefetch() = default;
  ~ImagePrefetch();
  ImagePrefetch(const ImagePrefetch&) = delete;
  ImagePrefetch& operator=(const ImagePrefetch&) = delete;

  // Decodes the file for those flags in that context, unless it is asked
  // for already.
  void request(const std::string& file, int32_t flags, const SurfaceContext& context);
  // What loadSurface gives for a requested file and flags (null when it
  // does not decode); false when they were not requested.
  bool take(const std::string& file, int32_t flags, std::shared_ptr<Surface>& surface);
  // Drops what was not taken, after the decoding in hand has ended: no
  // decoding outlives the surface context it was asked with.
  void forget();

 private:
  enum State { kWaiting, kDecoding, kDone };
  struct Request {
    Request(const std::string& file, int32_t flags, const SurfaceContext& context)
        : file(file), flags(flags), context(context) {}
    const std::string file;
    const int32_t flags;
    const SurfaceContext context;
    std::atomic<State> state{kWaiting};
    std::shared_ptr<Surface> surface;  // once done
  };

  void run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::list<Request> requests_;  // in the order asked; only take and forget remove any
  std::atomic<int> waiting_{0};  // requests not started
  bool stopping_ = false;
  std::thread thread_;  // started by the first request
};

}  // namespace vx
