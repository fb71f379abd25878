// The stream commands on real files, called through their thunks inside a
// run: bytes that never arrive, string lengths that lie, and CopyStream
// with buffers from one byte to the largest.

#include <gtest/gtest.h>

#include <string>

#include "language/runtime_string.h"
#include "recording_debugger.h"
#include "registered.h"
#include "runtime/run_step.h"
#include "streams/bank_commands.h"
#include "streams/file_commands.h"
#include "streams/stream_commands.h"
#include "temp_dir.h"

using vx::RuntimeString;
using vxtest::fileBytes;
using vxtest::putFile;
using vxtest::registered;

namespace {

using Open = int32_t(VX_STDCALL*)(RuntimeString*);
using Close = void(VX_STDCALL*)(int32_t);
using ReadInt = int32_t(VX_STDCALL*)(int32_t);
using ReadFloat = float(VX_STDCALL*)(int32_t);
using ReadText = RuntimeString*(VX_STDCALL*)(int32_t);
using Copy = void(VX_STDCALL*)(int32_t, int32_t, int32_t);

struct Commands {
  Open writeFile = registered<Open>("%WriteFile$filename");
  Open readFile = registered<Open>("%ReadFile$filename");
  Close closeFile = registered<Close>("CloseFile%file_stream");
  ReadInt eof = registered<ReadInt>("%Eof%stream");
  ReadInt readByte = registered<ReadInt>("%ReadByte%stream");
  ReadInt readShort = registered<ReadInt>("%ReadShort%stream");
  ReadInt readInt = registered<ReadInt>("%ReadInt%stream");
  ReadFloat readFloat = registered<ReadFloat>("#ReadFloat%stream");
  ReadText readString = registered<ReadText>("$ReadString%stream");
  Copy copyStream = registered<Copy>("CopyStream%src_stream%dest_stream%buffer_size=16384");
};

const Commands& commands() {
  static Commands c;
  return c;
}

// What a test's program works on: its directory and what it found.
std::string where;
std::vector<std::string> found;

std::string path(const char* name) { return where + "/" + name; }
int32_t openFor(Open open, const char* name) { return open(vx::newString(path(name))); }
std::string take(RuntimeString* s) {
  std::string text(vx::viewOf(s));
  vx::releaseString(s);
  return text;
}

class StreamCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    where = dir.path();
    found.clear();
  }
  void run(vx::ModuleEntry entry) {
    static const vx::RuntimeModule modules[] = {vx::streamModule, vx::fileSystemModule, vx::bankModule};
    vx::executeProgram(entry, "", &debugger, modules);
  }
  vxtest::TempDir dir;
  vxtest::RecordingDebugger debugger;
};

}  // namespace

TEST_F(StreamCommands, ValuesReadBackUnsignedOrSignedWithMissingBytesAsZero) {
  putFile(dir / "in", std::string("\xFE\xFF" "\xFE\xFF\xFF\xFF" "\x00\x00\xC0\x3F" "\x80" "\x01\x02", 13));
  run([] {
    const Commands& c = commands();
    int32_t f = openFor(c.readFile, "in");
    found.push_back(std::to_string(c.readShort(f)));
    found.push_back(std::to_string(c.readInt(f)));
    found.push_back(std::to_string(c.readFloat(f)));
    found.push_back(std::to_string(c.readByte(f)));
    found.push_back(std::to_string(c.readInt(f)));  // only two bytes left
    found.push_back(std::to_string(c.readByte(f)));
    found.push_back(std::to_string(c.readShort(f)));
    found.push_back(std::to_string(c.readFloat(f)));
    c.closeFile(f);
  });
  EXPECT_EQ(found, (std::vector<std::string>{"65534", "-2", "1.500000", "128", "513", "0", "0", "0.000000"}));
}

TEST_F(StreamCommands, StringLengthsTakeOnlyTheBytesThatArrive) {
  // A length far beyond memory, a negative one, a shorter one, a cut one.
  putFile(dir / "huge", std::string("\xFF\xFF\xFF\x7F" "abc", 7));
  putFile(dir / "negative", std::string("\xFB\xFF\xFF\xFF" "abc", 7));
  putFile(dir / "short", std::string("\x03\x00\x00\x00" "abcde", 9));
  putFile(dir / "cut", std::string("\x02\x00", 2));
  std::string long_(100000, 'z');
  putFile(dir / "long", std::string("\xA0\x86\x01\x00", 4) + long_);
  run([] {
    const Commands& c = commands();
    for (const char* name : {"huge", "negative", "short", "cut", "long"}) {
      int32_t f = openFor(c.readFile, name);
      found.push_back(take(c.readString(f)));
      found.push_back(std::to_string(c.readByte(f)));
      c.closeFile(f);
    }
  });
  EXPECT_EQ(found, (std::vector<std::string>{"abc", "0", "", "97", "abc", "100", "", "0", long_, "0"}));
}

TEST_F(StreamCommands, CopyStreamMovesEverythingWhateverTheBufferSize) {
  std::string data(300000, 0);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 % 251);
  putFile(dir / "source", data);
  run([] {
    const Commands& c = commands();
    int sizes[] = {1, 7, 1048576};
    for (int size : sizes) {
      int32_t from = openFor(c.readFile, "source");
      std::string name = "copy" + std::to_string(size);
      int32_t to = openFor(c.writeFile, name.c_str());
      c.copyStream(from, to, size);
      found.push_back(std::to_string(c.eof(from)));
      c.closeFile(from);
      c.closeFile(to);
    }
  });
  EXPECT_EQ(found, (std::vector<std::string>{"1", "1", "1"}));
  for (const char* name : {"copy1", "copy7", "copy1048576"}) EXPECT_EQ(fileBytes(dir / name), data);
  EXPECT_EQ(debugger.messages.back().text, "Program has ended");
}
