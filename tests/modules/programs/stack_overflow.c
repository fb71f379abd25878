/* Unbounded recursion. */
#include "testlib.h"

static int deeper(volatile int n) {
  volatile char frame[256];
  frame[0] = (char)n;
  if (n < 0) return 0;
  return deeper(n + 1) + frame[0];
}

void __MAIN(void) { log_int(deeper(0)); }
