/* Damages the stack just above its own frame, then faults. */
#include "testlib.h"

void __MAIN(void) {
  __asm__ volatile("addl $64, %%esp" ::: "memory");
  log_text("damaged");
  *(volatile int*)0 = 1;
}
