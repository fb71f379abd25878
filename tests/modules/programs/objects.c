/* Objects of user-defined types through the routines compiled code calls. */
#include "testlib.h"

/* Records and type descriptors laid out as compiled code lays them out. */
typedef struct Record {
  int* fields;
  struct Record* next;
  struct Record* prev;
  void* type;
  int references;
} Record;

/* An ObjectType with up to four fields. */
typedef struct {
  int code;
  Record used, free;
  int count;
  const int* field[4];
} Type;

/* The sentinels point at themselves; done at the start of __MAIN. */
static inline void init_type(Type* t) {
  t->code = 5;
  t->used = (Record){0, &t->used, &t->used, 0, -1};
  t->free = (Record){0, &t->free, &t->free, 0, -1};
}

static inline Record* obj(void* p) { return (Record*)p; }
static inline void log_obj(void* p) { _fdebuglog(__vxObjToStr(p)); }

/* Type Thing: id%, name$, friend.Thing */
static Type thing = {5, {0}, {0}, 3, {&__vxIntType, &__vxStrType, (const int*)&thing}};
/* Type Point: x#, y# */
static Type point = {5, {0}, {0}, 2, {&__vxFltType, &__vxFltType}};

static Record* t;     /* loop variable */
static Record* keep;  /* a global holding one Thing */

static Record* new_thing(int id, const char* name) {
  Record* r = obj(__vxObjNew(&thing));
  r->fields[0] = id;
  __vxStrStore((VxString**)&r->fields[1], str(name));
  return r;
}

void __MAIN(void) {
  init_type(&thing);
  init_type(&point);
  static const char* names[] = {"one", "two", "three", "four", "five"};
  for (int i = 0; i < 5; ++i) new_thing(i + 1, names[i]);

  /* For Each t.Thing: deleting the loop variable's object inside the loop. */
  if (__vxObjEachFirst(&t, &thing)) do {
      log_int(t->fields[0]);
      if (t->fields[0] == 3) {
        __vxObjDelete(t);
        _fruntimestats(); /* 4 live; the deleted one is still held by t */
      }
    } while (__vxObjEachNext(&t));
  _fruntimestats();
  for (Record* r = obj(__vxObjLast(&thing)); r; r = obj(__vxObjPrev(r))) log_int(r->fields[0]);

  /* A ring: one -> two -> one. */
  Record* one = obj(__vxObjFirst(&thing));
  Record* two = obj(__vxObjNext(one));
  __vxObjStore(&one->fields[2], two);
  __vxObjStore(&two->fields[2], one);
  log_obj(one);
  log_obj(two);

  __vxObjStore(&keep, two);
  __vxObjDelete(two);
  log_obj(one); /* its friend is deleted */

  /* 600 points need two blocks of records; deleting all and making more reuses them. */
  for (int i = 0; i < 600; ++i) {
    Record* p = obj(__vxObjNew(&point));
    *(float*)&p->fields[0] = i * 0.5f;
  }
  int count = 0;
  for (Record* p = obj(__vxObjFirst(&point)); p; p = obj(__vxObjNext(p))) ++count;
  log_int(count);
  log_obj(__vxObjLast(&point));
  _fruntimestats();
  __vxObjDeleteEach(&point);
  log_int(__vxObjFirst(&point) == 0);

  __vxObjDeleteEach(&thing);
  _fruntimestats(); /* keep still holds two's record */
  __vxObjStore(&keep, 0);
  _fruntimestats();
}
