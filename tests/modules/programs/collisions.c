/* Ellipsoids moved through a world of boxes, spheres and meshes by
   UpdateWorld, stopped or slid by what they hit, with every collision read
   back. Values are logged in thousandths. The argument picks the part:
   "world" (with the debugger) or "unchecked" (without it, logging to
   VX_TEST_DIR/log.txt). */
#include "testlib.h"

static int is(const char* name) { return __vxStrCompare(_fcommandline(), str(name)) == 0; }

static int log_file;

static void log_line(VxString* text) {
  if (log_file)
    _fwriteline(log_file, text);
  else
    _fdebuglog(text);
}

static void log_milli(float value) { log_line(__vxStrFromInt((int)(value * 1000.0f + (value < 0 ? -0.5f : 0.5f)))); }
static void log_yes(int value) { log_line(__vxStrFromInt(value != 0)); }
static void log_number(int value) { log_line(__vxStrFromInt(value)); }

static void log_position(int entity) {
  log_milli(_fentityx(entity, 1));
  log_milli(_fentityy(entity, 1));
  log_milli(_fentityz(entity, 1));
}

/* Everything record index i of the entity holds. */
static void log_record(int entity, int i) {
  log_milli(_fcollisionx(entity, i));
  log_milli(_fcollisiony(entity, i));
  log_milli(_fcollisionz(entity, i));
  log_milli(_fcollisionnx(entity, i));
  log_milli(_fcollisionny(entity, i));
  log_milli(_fcollisionnz(entity, i));
  log_milli(_fcollisiontime(entity, i));
  log_yes(_fcollisionsurface(entity, i));
  log_number(_fcollisiontriangle(entity, i));
}

/* An ellipsoid of the type at a place, where its next sweep starts. */
static int mover(int type, float x, float y, float z, float x_radius, float y_radius) {
  int e = _fcreatepivot(0);
  _fpositionentity(e, x, y, z, 0);
  _fentityradius(e, x_radius, y_radius);
  _fentitytype(e, type, 0);
  return e;
}

/* A box target from corner (x, y, z) of the size given, around a pivot at
   the origin. */
static int box(int type, float x, float y, float z, float width, float height, float depth) {
  int e = _fcreatepivot(0);
  _fentitybox(e, x, y, z, width, height, depth);
  _fentitytype(e, type, 0);
  return e;
}

static void quad(int surface, float ax, float ay, float az, float bx, float by, float bz, float cx, float cy,
                 float cz, float dx, float dy, float dz) {
  int first = _faddvertex(surface, ax, ay, az, 0, 0, 1);
  _faddvertex(surface, bx, by, bz, 0, 0, 1);
  _faddvertex(surface, cx, cy, cz, 0, 0, 1);
  _faddvertex(surface, dx, dy, dz, 0, 0, 1);
  _faddtriangle(surface, first, first + 1, first + 2);
  _faddtriangle(surface, first, first + 2, first + 3);
}

static void move_to(int entity, float x, float y, float z) {
  _fpositionentity(entity, x, y, z, 1);
  _fupdateworld(1);
}

static void clear(void) {
  _fclearworld(1, 1, 1);
  log_text("-");
}

static void boxes(void) {
  /* Dropped onto a box made after it: the ball keeps the record, the box,
     whose turn comes later, loses it. */
  _fcollisions(1, 2, 3, 1);
  int ball = mover(1, 0, 5, 0, 1, 0);
  int slab = box(2, -5, -1, -5, 10, 2, 10);
  move_to(ball, 0, 0, 0);
  log_position(ball); /* 0 2001 0 */
  log_number(_fcountcollisions(ball));
  log_yes(_fcollisionentity(ball, 1) == slab);
  log_record(ball, 1); /* at the top, normal up, 3/5 of the way */
  log_number(_fcountcollisions(slab));
  log_yes(_fentitycollided(ball, 2) == slab);
  log_number(_fentitycollided(ball, 3));
  clear();

  /* A box made first keeps the mover's record; the second rule for the
     pair does not make it a sphere (radius 3); negative sizes turn round. */
  _fcollisions(1, 2, 1, 2);
  int first = box(2, 1, 1, 1, -2, -2, -2);
  _fentityradius(first, 3, 0);
  ball = mover(1, 0, 5, 0, 1, 0);
  move_to(ball, 0, 0, 0);
  log_milli(_fentityy(ball, 1)); /* 2001 */
  log_number(_fcountcollisions(first));
  log_yes(_fcollisionentity(first, 1) == ball);
  log_milli(_fcollisionny(first, 1));

  /* An ellipsoid twice as tall as wide rests on the box's top plus 2. */
  int tall = mover(1, 0, 6, 3, 1, 2);
  _fpositionentity(first, 0, 0, 3, 0);
  _fresetentity(first);
  move_to(tall, 0, 0, 3);
  log_milli(_fentityy(tall, 1)); /* 3002 */
  log_milli(_fcollisiony(tall, 1));
  clear();
}

static void spheres(void) {
  _fcollisions(1, 6, 1, 1);
  int target = mover(6, 5, 20, 0, 2, 0);
  int ball = mover(1, 0, 20, 0, 1, 0);
  move_to(ball, 10, 20, 0);
  log_position(ball);
  log_record(ball, 1);
  log_yes(_fcollisionentity(target, 1) == ball);
  /* Starting inside a sphere target is no hit. */
  int inside = mover(1, 5.5f, 20, 0, 1, 0);
  move_to(inside, 8, 20, 0);
  log_milli(_fentityx(inside, 1));
  log_number(_fcountcollisions(inside));
  clear();
}

static void meshes(void) {
  /* A floor made of a second surface's second quad. */
  _fcollisions(1, 3, 2, 1);
  int floor = _fcreatemesh(0);
  int walls = _fcreatesurface(floor, 0);
  quad(walls, -1, 5, 100, 1, 5, 100, 1, 3, 100, -1, 3, 100);
  int ground = _fcreatesurface(floor, 0);
  quad(ground, -5, 0, 105, 5, 0, 105, 5, 0, 95, -5, 0, 95);
  quad(ground, -5, 0, 5, 5, 0, 5, 5, 0, -5, -5, 0, -5);
  _fentitytype(floor, 3, 0);
  int ball = mover(1, -1, 3, -2, 1, 0);
  move_to(ball, -1, -3, -2);
  log_position(ball);
  log_yes(_fcollisionsurface(ball, 1) == ground);
  log_record(ball, 1);
  clear();

  /* A slope down towards +x: sliding (2) goes down it, sliding without
     going down (3) stays where it touched. */
  _fcollisions(1, 4, 2, 2);
  _fcollisions(5, 4, 2, 3);
  int slope = _fcreatemesh(0);
  quad(_fcreatesurface(slope, 0), -10, 10, -10, -10, 10, 10, 10, -10, 10, 10, -10, -10);
  _fentitytype(slope, 4, 0);
  int slider = mover(1, 0, 5, -3, 1, 0);
  int stayer = mover(5, 0, 5, 3, 1, 0);
  move_to(slider, 0, 0, -3);
  move_to(stayer, 0, 0, 3);
  log_position(slider);
  log_position(stayer);
  clear();

  /* Into a V of two walls meeting at x = 0, z = 10, driven up as well:
     it slides up the crease. */
  _fcollisions(1, 5, 2, 2);
  int vee = _fcreatemesh(0);
  int side = _fcreatesurface(vee, 0);
  quad(side, 5, -20, 5, -20, -20, 30, -20, 20, 30, 5, 20, 5);
  quad(side, -5, -20, 5, -5, 20, 5, 20, 20, 30, 20, -20, 30);
  _fentitytype(vee, 5, 0);
  ball = mover(1, 0.5f, 0, 0, 1, 0);
  move_to(ball, 0.5f, 10, 20);
  log_position(ball);
  log_number(_fcountcollisions(ball));
  clear();

  /* Sent along the inside of a wide, finely faceted pipe it meets facet
     after facet, a hundred times, and goes back. */
  _fcollisions(1, 8, 2, 2);
  int pipe = _fcreatemesh(0);
  int inner = _fcreatesurface(pipe, 0);
  for (int i = 0; i < 1200; ++i) {
    float a = (float)i * 0.3f, b = (float)(i + 1) * 0.3f;
    float ax = 100 * _fcos(a), ay = 100 * _fsin(a), bx = 100 * _fcos(b), by = 100 * _fsin(b);
    quad(inner, ax, ay, -5, ax, ay, 5, bx, by, 5, bx, by, -5);
  }
  _fentitytype(pipe, 8, 0);
  ball = mover(1, 0, -98.99f, 0, 1, 0);
  move_to(ball, 200, -98.99f, 0);
  log_position(ball);
  log_number(_fcountcollisions(ball));
  clear();
}

static void walls(void) {
  /* A ball exactly as wide as a corridor: pushed along it, it moves;
     pushed against a wall as well, it is wedged and goes back. */
  _fcollisions(1, 7, 3, 2);
  box(7, -2, -10, -50, 1, 20, 100);
  box(7, 1, -10, -50, 1, 20, 100);
  int along = mover(1, 0, 0, 0, 1, 0);
  move_to(along, 0, 0, 5);
  log_position(along);
  log_number(_fcountcollisions(along));
  int wedged = mover(1, 0, 0, 0, 1, 0);
  move_to(wedged, 0.5f, 0, 5);
  log_position(wedged);
  log_number(_fcountcollisions(wedged));
  clear();
}

static void settings(void) {
  /* A move of half a millionth is undone. */
  int ball = mover(1, 0, 50, 0, 1, 0);
  _ftranslateentity(ball, 0.0000005f, 0, 0, 0);
  _fupdateworld(1);
  log_yes(_fentityx(ball, 1) == 0);

  /* Types, recursively or not. */
  int parent = _fcreatepivot(0);
  int child = _fcreatepivot(parent);
  _fentitytype(parent, 3, 1);
  _fentitytype(parent, 4, 0);
  log_number(_fgetentitytype(parent));
  log_number(_fgetentitytype(child));

  /* Without rules a ball falls through a box. */
  _fclearcollisions();
  box(2, -5, -1, -5, 10, 2, 10);
  ball = mover(1, 0, 5, 0, 1, 0);
  move_to(ball, 0, -5, 0);
  log_milli(_fentityy(ball, 1));
  clear();

  /* Meshes whose boxes overlap but whose triangles do not touch, until one
     grows or comes nearer. */
  int a = _fcreatecube(0);
  int b = _fcreatecube(0);
  _fturnentity(b, 0, 45, 0, 0);
  _fpositionentity(b, 2.5f, 0, 0, 0);
  log_number(_fmeshesintersect(a, b));
  _fpositionentity(b, 2.2f, 0, 0, 0);
  log_number(_fmeshesintersect(a, b));
  _fpositionentity(b, 2.5f, 0, 0, 0);
  _fscalemesh(b, 2, 2, 2);
  log_number(_fmeshesintersect(b, a));
  _fpositionentity(b, 9, 0, 0, 0);
  log_number(_fmeshesintersect(a, b));
}

static void world(void) {
  _fgraphics3d(64, 48, 0, 2);
  boxes();
  spheres();
  meshes();
  walls();
  settings();
  int ball = mover(1, 0, 0, 0, 1, 0);
  _fentitytype(ball, 1000, 0);
}

/* Without the debugger: out-of-range indices and types, freed targets and
   unknown handles are harmless. */
static void unchecked(void) {
  log_file = _fwritefile(__vxStrConcat(_fgetenv(str("VX_TEST_DIR")), str("/log.txt")));
  _fupdateworld(1);
  _fgraphics3d(64, 48, 0, 2);
  _fcollisions(1, 2, 3, 1);
  _fcollisions(5000, 2, 3, 1);
  _fcollisions(1, -3, 3, 1);
  int slab = box(2, -5, -1, -5, 10, 2, 10);
  int ball = mover(1, 0, 5, 0, 1, 0);
  move_to(ball, 0, 0, 0);
  log_number(_fcountcollisions(ball));
  log_milli(_fcollisionx(ball, 5));
  log_milli(_fcollisiony(ball, 0));
  _ffreeentity(slab);
  log_number(_fentitycollided(ball, 2));
  int odd = mover(5000, 0, 5, 0, 1, 0);
  move_to(odd, 0, 0, 0);
  log_number(_fgetentitytype(odd));
  log_number(_fcountcollisions(12345));
  /* A hidden entity forgets the collisions of its last update. */
  slab = box(2, -5, -1, -5, 10, 2, 10);
  _fpositionentity(ball, 0, 5, 0, 0);
  _fresetentity(ball);
  move_to(ball, 0, 0, 0);
  log_number(_fcountcollisions(ball));
  _fhideentity(ball);
  _fupdateworld(1);
  log_number(_fcountcollisions(ball));
  _fclosefile(log_file);
}

void __MAIN(void) {
  if (is("world")) world();
  if (is("unchecked")) unchecked();
}
