/* The level of collision_benchmark.sh, shared by the runtime's program and
   its Irrlicht peer so that both collide with the very same triangles, move
   the very same ellipsoids and cast the very same rays. Plain arithmetic
   only: the runtime's side is a freestanding module.

   98,504 triangles: a bumpy floor of 190 by 190 cells, four walls around
   it, twelve ramps and sixteen two-sided walls inside. */
#ifndef COLLISION_LEVEL_H
#define COLLISION_LEVEL_H

#define LEVEL_MOVERS 500
#define LEVEL_PICKS 100000
#define LEVEL_FLOOR 190

/* Receives each quad as four corners (x, y, z each), wound so that
   (c1 - c0) x (c2 - c0) faces out. */
typedef void (*LevelQuad)(void* context, const float* corners);

static float level_height(int i, int j) { return (float)((i * 7 + j * 13) % 5) * 0.06f; }

/* A grid of nu by nv cells over the parallelogram o + a*u + b*v, facing
   along v x u. */
static void level_grid(LevelQuad quad, void* context, const float* o, const float* u, const float* v, int nu,
                       int nv) {
  for (int a = 0; a < nu; ++a)
    for (int b = 0; b < nv; ++b) {
      float c[12];
      const float s0 = (float)a / nu, s1 = (float)(a + 1) / nu, t0 = (float)b / nv, t1 = (float)(b + 1) / nv;
      const float s[4] = {s0, s1, s1, s0}, t[4] = {t1, t1, t0, t0};
      for (int k = 0; k < 4; ++k)
        for (int axis = 0; axis < 3; ++axis) c[k * 3 + axis] = o[axis] + u[axis] * s[k] + v[axis] * t[k];
      quad(context, c);
    }
}

static void level_build(LevelQuad quad, void* context) {
  const int n = LEVEL_FLOOR;
  const float half = (float)n / 2;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const float x0 = (float)i - half, x1 = x0 + 1, z0 = (float)j - half, z1 = z0 + 1;
      const float c[12] = {x0, level_height(i, j + 1), z1, x1, level_height(i + 1, j + 1), z1,
                           x1, level_height(i + 1, j), z0, x0, level_height(i, j), z0};
      quad(context, c);
    }
  /* The walls around, facing in: 190 long, 6 high, in cells of 1. */
  {
    const float o1[3] = {-half, 0, half}, u1[3] = {(float)n, 0, 0}, v1[3] = {0, 6, 0};
    level_grid(quad, context, o1, u1, v1, n, 6);
    const float o2[3] = {-half, 0, -half}, u2[3] = {0, 6, 0}, v2[3] = {(float)n, 0, 0};
    level_grid(quad, context, o2, u2, v2, 6, n);
    const float o3[3] = {half, 0, -half}, u3[3] = {0, 6, 0}, v3[3] = {0, 0, (float)n};
    level_grid(quad, context, o3, u3, v3, 6, n);
    const float o4[3] = {-half, 0, -half}, u4[3] = {0, 0, (float)n}, v4[3] = {0, 6, 0};
    level_grid(quad, context, o4, u4, v4, n, 6);
  }
  /* Ramps 16 by 16 rising 4 towards +x. */
  for (int k = 0; k < 12; ++k) {
    const float o[3] = {-80 + (float)(k % 4) * 40, 0.3f, -70 + (float)(k / 4) * 50};
    const float u[3] = {16, 4, 0}, v[3] = {0, 0, 16};
    level_grid(quad, context, o, u, v, 16, 16);
  }
  /* Walls inside, 30 long and 6 high, seen from both sides. */
  for (int k = 0; k < 16; ++k) {
    const float o[3] = {-75 + (float)(k % 4) * 40, 0, -60 + (float)(k / 4) * 40 + 20};
    const float along[3] = {k % 2 ? 30.0f : 0.0f, 0, k % 2 ? 0.0f : 30.0f}, up[3] = {0, 6, 0};
    level_grid(quad, context, o, along, up, 30, 6);
    level_grid(quad, context, o, up, along, 6, 30);
  }
}

/* Where mover i starts: spread over the floor, 3 above it. */
static void level_start(int i, float* p) {
  p[0] = -85 + (float)(i % 25) * 7;
  p[1] = 3;
  p[2] = -85 + (float)(i / 25) * 8.5f;
}

/* The move of mover i at a step: 0.3 along one of eight headings, turning
   every 50 steps, and 0.25 down. */
static void level_move(int i, int step, float* d) {
  static const float headings[8][2] = {{1, 0}, {0.7071f, 0.7071f}, {0, 1}, {-0.7071f, 0.7071f},
                                       {-1, 0}, {-0.7071f, -0.7071f}, {0, -1}, {0.7071f, -0.7071f}};
  const int h = (i + step / 50) % 8;
  d[0] = headings[h][0] * 0.3f;
  d[1] = -0.25f;
  d[2] = headings[h][1] * 0.3f;
}

/* The ellipsoids' half-axes: 0.5 across, 1 high. */
#define LEVEL_RADIUS_X 0.5f
#define LEVEL_RADIUS_Y 1.0f

/* Ray k: from 12 above the floor, 30 down and a little aside. */
static void level_ray(int k, float* origin, float* direction) {
  origin[0] = -88 + (float)(k * 37 % 176) + (float)(k % 10) * 0.1f;
  origin[1] = 12;
  origin[2] = -88 + (float)(k * 91 % 176) + (float)(k % 7) * 0.13f;
  direction[0] = (float)(k % 7 - 3) * 1.5f;
  direction[1] = -30;
  direction[2] = (float)(k % 5 - 2) * 1.5f;
}

#endif
