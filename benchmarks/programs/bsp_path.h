/* The camera path of bsp_benchmark.sh, shared by the runtime's program and
   its peer: a closed walk through 20kdm2 along 20 points of the level file
   (its own axes, z up), each in sight of the next, past the items and
   player starts of every room. */
#ifndef BSP_PATH_H
#define BSP_PATH_H

enum { kBspPathPoints = 20 };

static const float kBspPath[kBspPathPoints][3] = {
    {896, 960, 248},   {1080, 960, 464},  {712, 512, 464},   {896, 328, 464},   {896, 1912, 464},
    {712, 1728, 464},  {1056, 1344, 464}, {1504, 1248, 640}, {1344, 1408, 104}, {1920, 1344, 112},
    {1408, 1344, 112}, {1920, 1408, 240}, {1920, 960, 240},  {2104, 960, 464},  {1824, 1344, 464},
    {1920, 1728, 472}, {1920, 2240, 384}, {2240, 2240, 368}, {2240, 1728, 256}, {896, 1728, 240},
};

/* Frame of frames: where the camera is (on the way from one point to the
   next, the same number of frames for each leg) and the point it looks at
   (as far along the following leg). */
static void bspPathPoint(int frame, int frames, float at[3], float ahead[3]) {
  const float t = (float)frame * kBspPathPoints / (float)frames;
  const int leg = (int)t;
  const float f = t - (float)leg;
  const float* a = kBspPath[leg % kBspPathPoints];
  const float* b = kBspPath[(leg + 1) % kBspPathPoints];
  const float* c = kBspPath[(leg + 2) % kBspPathPoints];
  for (int k = 0; k < 3; ++k) {
    at[k] = a[k] + (b[k] - a[k]) * f;
    ahead[k] = b[k] + (c[k] - b[k]) * f;
  }
}

#endif
