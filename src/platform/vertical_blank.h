#pragma once
// The display's refresh as seen by programs: vertical blanks come at the
// display's refresh rate, counted from a fixed moment, and the scan line is
// where the beam would be within the current refresh.

#include <cstdint>

namespace vx {

class VerticalBlank {
 public:
  // hertz refreshes per second of a display lines high.
  VerticalBlank(int hertz, int lines);

  // Sleeps until the next vertical blank begins.
  void wait() const;
  // 0 at the top; lines and a little beyond during the blank.
  int32_t scanLine() const;

 private:
  int64_t periodNs_;
  int lines_;
};

}  // namespace vx
