/* The movers of terrain_benchmark.sh's sliding runs, shared by the
   runtime's program and its Irrlicht peer so that both move the very same
   ellipsoids over the same field: 4096 units across and 400 high. Plain
   arithmetic only: the runtime's side is a freestanding module. */
#ifndef TERRAIN_SLIDE_H
#define TERRAIN_SLIDE_H

#define SLIDE_MOVERS 200
#define SLIDE_RADIUS_X 6.0f
#define SLIDE_RADIUS_Y 10.0f

/* Where mover i starts: spread over the middle of the field, above its
   highest point. */
static void slide_start(int i, float* p) {
  p[0] = 1248 + (float)(i % 20) * 84;
  p[1] = 420;
  p[2] = 1248 + (float)(i / 20) * 168;
}

/* The move of mover i at a step: 4 along one of eight headings, turning
   every 50 steps, and 3 down, so that it falls to the ground and slides
   over the hills. */
static void slide_move(int i, int step, float* d) {
  static const float headings[8][2] = {{1, 0}, {0.7071f, 0.7071f}, {0, 1}, {-0.7071f, 0.7071f},
                                       {-1, 0}, {-0.7071f, -0.7071f}, {0, -1}, {0.7071f, -0.7071f}};
  const int h = (i + step / 50) % 8;
  d[0] = headings[h][0] * 4;
  d[1] = -3;
  d[2] = headings[h][1] * 4;
}

#endif
