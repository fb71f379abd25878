#pragma once
// Whole runs of pixels in native values: fills, copies and copies that skip
// the pixels of a colour key. One set of routines per pixel size, picked once
// per operation; the inner loops work 16 bytes at a time.

#include <cstdint>

namespace vx {

struct SpanRoutines {
  // count pixels of native value at row.
  void (*fill)(uint8_t* row, int count, uint32_t native);
  // count pixels from source to destination; the two runs do not overlap.
  void (*copy)(uint8_t* destination, const uint8_t* source, int count);
  // As copy, leaving the destination pixel where (source & colorBits) equals
  // key (key already limited to colorBits).
  void (*copyKeyed)(uint8_t* destination, const uint8_t* source, int count, uint32_t key,
                    uint32_t colorBits);
};

// The routines for pixels of 2, 3 or 4 bytes.
const SpanRoutines& spanRoutines(int bytesPerPixel);

}  // namespace vx
