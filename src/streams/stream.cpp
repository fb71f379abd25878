#include "streams/stream.h"

#include <cstring>

#include "language/runtime_string.h"

namespace vx {

namespace {

// The registry lives for the whole process; it is never destroyed, so a
// stream that outlives static destruction can still leave it.
HandleSet<Stream>& registry() {
  static auto* streams = new HandleSet<Stream>();
  return *streams;
}

// Programs mostly work one stream many times in a row: the last handle
// found is remembered until its stream goes.
int32_t lastHandle = 0;
Stream* lastStream = nullptr;

}  // namespace

Stream::Stream() { registry().add(this); }

Stream::~Stream() {
  registry().remove(this);
  if (lastStream == this) {
    lastStream = nullptr;
    lastHandle = 0;
  }
}

Stream* streamOf(int32_t handle) {
  if (handle != 0 && handle == lastHandle) return lastStream;
  Stream* stream = registry().get(handle, "Stream does not exist");
  if (stream) {
    lastHandle = handle;
    lastStream = stream;
  }
  return stream;
}

void Stream::readLine(RuntimeString* line) {
  char byte;
  while (read(&byte, 1) == 1 && byte != '\n') {
    if (byte != '\r') line->append(&byte, 1);
  }
}

void appendWithoutReturns(RuntimeString* line, const char* bytes, int32_t count) {
  while (count > 0) {
    const char* cr = static_cast<const char*>(std::memchr(bytes, '\r', static_cast<size_t>(count)));
    int32_t keep = cr ? static_cast<int32_t>(cr - bytes) : count;
    if (keep > 0) line->append(bytes, static_cast<size_t>(keep));
    if (!cr) return;
    bytes += keep + 1;
    count -= keep + 1;
  }
}

}  // namespace vx
