/* Writing an import table as the compiler lays it out: library name,
   then each function's name and slot address, a zero byte after the
   functions, and an empty name at the end. */
#ifndef LIBS_TABLE_H
#define LIBS_TABLE_H

#define LIB_NAME(field, text) char field[sizeof text]
#define LIB_FUNC(field, text) \
  char field##_name[sizeof text]; \
  void* field##_slot
#define LIB_END(field) char field

#endif
