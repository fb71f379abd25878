#include "testlib.h"

void __MAIN(void) { __asm__ volatile("ud2"); }
