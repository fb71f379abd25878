/* Files and directories in the directory named by VX_TEST_DIR: typed
   values, strings and lines through real files, Windows-style paths,
   listings, and the file operations. */
#include "testlib.h"

static void show(const char* label, VxString* s) { _fdebuglog(__vxStrConcat(str(label), s)); }

static void list(const char* label, const char* dir) {
  int d = _freaddir(str(dir));
  log_int(d != 0);
  for (;;) {
    VxString* name = _fnextfile(d);
    if (__vxStrCompare(__vxStrLoad(&name), str("")) == 0) {
      __vxStrRelease(name);
      break;
    }
    show(label, name);
  }
  show("after end:", _fnextfile(d));
  _fclosedir(d);
}

static void typed_values(void) {
  int f = _fwritefile(str("Data.bin"));
  _fwritebyte(f, 300);
  _fwriteshort(f, -2);
  _fwriteint(f, -2);
  _fwritefloat(f, 1.5f);
  _fwritestring(f, str("hello"));
  _fwritestring(f, str(""));
  _fwriteline(f, str("line one"));
  log_int(_ffilepos(f));
  _fclosefile(f);
  log_int(_ffilesize(str("Data.bin")));

  f = _freadfile(str("data.BIN"));
  log_int(f != 0);
  log_int(_freadavail(f));
  log_int(_freadbyte(f));
  log_int(_freadavail(f));
  log_int(_freadshort(f));
  log_int(_freadint(f));
  log_float(_freadfloat(f));
  show("s:", _freadstring(f));
  show("e:", _freadstring(f));
  log_int(_feof(f));
  show("l:", _freadline(f));
  log_int(_feof(f));
  log_int(_freadint(f));
  show("past end:", _freadline(f));
  _fclosefile(f);
}

static void open_for_update(void) {
  log_int(_fopenfile(str("missing.bin")));
  log_int(_ffiletype(str("missing.bin")));
  int f = _fopenfile(str("DATA.bin"));
  log_int(_fseekfile(f, 3));
  _fwriteint(f, 0x01020304);
  log_int(_ffilepos(f));
  log_int(_fseekfile(f, 0));
  log_int(_freadbyte(f));
  log_int(_ffilepos(f));
  _fclosefile(f);
  log_int(_ffilesize(str("data.bin")));
}

static void read_lines(const char* name, const char* bytes, int count, int first) {
  int f = _fwritefile(str(name));
  for (int i = 0; i < count; ++i) _fwritebyte(f, bytes[i]);
  _fclosefile(f);
  f = _freadfile(str(name));
  for (int i = first; !_feof(f); ++i) {
    log_int(i);
    show(":", _freadline(f));
  }
  show("end:", _freadline(f));
  _fclosefile(f);
}

static void lines(void) {
  const char one[] = {'a', 'b', 13, 10, 'c'};
  const char two[] = {'a', 13, 'b', 10};
  read_lines("lines1.txt", one, 5, 1);
  read_lines("lines2.txt", two, 4, 3);
}

static void directories(void) {
  _fcreatedir(str("Sub"));
  _fcreatedir(str("sub\\Inner"));
  int f = _fwritefile(str("SUB\\inner\\Note.TXT"));
  _fwriteline(f, str("inside"));
  _fclosefile(f);
  log_int(_ffiletype(str("sub")));
  log_int(_ffilesize(str("sub")));
  log_int(_ffiletype(str("sub/INNER/note.txt")));
  list("A:", "sub");
  list("B:", "SUB\\");
  log_int(_freaddir(str("no such dir")));
  show("cd:", _fcurrentdir());
  _fchangedir(str("SUB\\INNER"));
  show("cd:", _fcurrentdir());
  _fchangedir(str(".."));
  _fchangedir(str(".."));
}

static void file_operations(void) {
  _fcopyfile(str("data.bin"), str("Copy.bin"));
  log_int(_ffilesize(str("copy.bin")));
  _fcopyfile(str("lines1.txt"), str("copy.BIN"));
  log_int(_ffilesize(str("Copy.bin")));
  _fcopyfile(str("lines1.txt"), str("LINES1.txt"));
  log_int(_ffilesize(str("lines1.txt")));
  _fdeletefile(str("COPY.BIN"));
  log_int(_ffiletype(str("Copy.bin")));
  _fdeletedir(str("sub"));
  log_int(_ffiletype(str("sub")));
  _fdeletefile(str("sub\\inner"));
  log_int(_ffiletype(str("sub\\inner")));
  _fdeletefile(str("sub\\inner\\note.txt"));
  _fdeletedir(str("sub\\inner"));
  _fdeletedir(str("sub"));
  log_int(_ffiletype(str("sub")));
}

static void copy_stream(void) {
  int from = _freadfile(str("data.bin"));
  int to = _fwritefile(str("streamed.bin"));
  _fcopystream(from, to, 7);
  log_int(_feof(from));
  _fclosefile(from);
  _fclosefile(to);
  log_int(_ffilesize(str("streamed.bin")));
}

void __MAIN(void) {
  _fchangedir(_fgetenv(str("VX_TEST_DIR")));
  typed_values();
  open_for_update();
  lines();
  directories();
  file_operations();
  copy_stream();
  log_text("done");
}
