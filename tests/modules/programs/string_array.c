/* A string array re-dimensioned while the live-string count is watched. */
#include "testlib.h"

/* Dim names$(99): storage, element type, dimensions, bound */
static int names[4] = {0, 3, 1, 0};

static void dim_names(int bound) {
  __vxUndimArray(names);
  names[3] = bound;
  __vxDimArray(names);
}

void __MAIN(void) {
  dim_names(99);
  VxString** slot = (VxString**)names[0];
  for (int i = 0; i <= 99; ++i) __vxStrStore(&slot[i], __vxStrFromInt(i));
  _fdebuglog(__vxStrLoad(&slot[99]));
  _fruntimestats();
  dim_names(9); /* re-dimensioning releases every string */
  _fruntimestats();
  log_int(((int*)names[0])[9]);
}
