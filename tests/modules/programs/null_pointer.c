#include "testlib.h"

void __MAIN(void) {
  int* volatile nowhere = (int*)16;
  log_int(*nowhere);
}
