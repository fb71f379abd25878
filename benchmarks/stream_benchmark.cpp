// 50 MB written to a file and read back through the registered stream
// commands, called as compiled code calls them, against C stdio doing the
// same in the same run: as 32-bit integers (WriteInt/ReadInt), as text
// lines (WriteLine/ReadLine) and as 4 KB blocks from a bank
// (WriteBytes/ReadBytes). Prints each time and the ratio stdio / runtime.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "language/basic_module.h"
#include "language/runtime_string.h"
#include "runtime/registry.h"
#include "runtime/run_step.h"
#include "streams/bank_commands.h"
#include "streams/file_commands.h"
#include "streams/stream_commands.h"

namespace {

constexpr int32_t kTotal = 50 * 1000 * 1000;
constexpr int32_t kInts = kTotal / 4;
constexpr int32_t kBlock = 4096;
constexpr int kRounds = 3;

using vx::RuntimeString;
using Open = int32_t(VX_STDCALL*)(RuntimeString*);
using Close = void(VX_STDCALL*)(int32_t);
using ReadInt = int32_t(VX_STDCALL*)(int32_t);
using WriteInt = void(VX_STDCALL*)(int32_t, int32_t);
using ReadLine = RuntimeString*(VX_STDCALL*)(int32_t);
using WriteLine = void(VX_STDCALL*)(int32_t, RuntimeString*);
using Const = RuntimeString*(VX_STDCALL*)(const char*);
using Size = int32_t(VX_STDCALL*)(RuntimeString*);
using CreateBank = int32_t(VX_STDCALL*)(int32_t);
using Transfer = int32_t(VX_STDCALL*)(int32_t, int32_t, int32_t, int32_t);
using Poke = void(VX_STDCALL*)(int32_t, int32_t, int32_t);
using Peek = int32_t(VX_STDCALL*)(int32_t, int32_t);

// Function pointers the optimiser cannot see through, like calls from a module.
Open volatile writeFile, readFile;
Close volatile closeFile;
ReadInt volatile readInt;
WriteInt volatile writeInt;
ReadLine volatile readLine;
WriteLine volatile writeLine;
Const volatile strConst;
Size volatile strLen;
CreateBank volatile createBank;
Transfer volatile readBytes, writeBytes;
Poke volatile pokeByte;
Peek volatile peekByte;

void* lookup(vx::Registry& registry, const char* text) {
  for (const vx::Registration& r : registry.entries())
    if (std::string(r.text) == text) return r.address;
  std::printf("not registered: %s\n", text);
  std::exit(1);
}

std::string path;
const char* kLines[] = {
    "The quick brown fox jumps over the lazy dog.",
    "score=12345 level=7 lives=3",
    "",
    "A somewhat longer line of text, such as a program might keep in a save file or a log.",
    "x",
    "0123456789abcdefghijklmnopqrstuvwxyz",
    "name: player one",
    "MAP 64 64 TILESET dungeon.png",
};
constexpr int kLineKinds = sizeof kLines / sizeof kLines[0];
int32_t lineCount;  // lines of the pattern above that make 50 MB with their CR LF

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

uint32_t value(int32_t i) { return static_cast<uint32_t>(i) * 2654435761u; }

struct Result {
  double time;
  uint32_t check;
};

Result runtimeInts() {
  auto start = std::chrono::steady_clock::now();
  int32_t f = writeFile(strConst(path.c_str()));
  for (int32_t i = 0; i < kInts; ++i) writeInt(f, static_cast<int32_t>(value(i)));
  closeFile(f);
  uint32_t check = 0;
  f = readFile(strConst(path.c_str()));
  for (int32_t i = 0; i < kInts; ++i) check += static_cast<uint32_t>(readInt(f)) ^ value(i);
  closeFile(f);
  return {seconds(start), check};
}

Result stdioInts() {
  auto start = std::chrono::steady_clock::now();
  FILE* f = std::fopen(path.c_str(), "wb");
  for (int32_t i = 0; i < kInts; ++i) {
    uint32_t v = value(i);
    std::fwrite(&v, 4, 1, f);
  }
  std::fclose(f);
  uint32_t check = 0;
  f = std::fopen(path.c_str(), "rb");
  for (int32_t i = 0; i < kInts; ++i) {
    uint32_t v = 0;
    std::fread(&v, 4, 1, f);
    check += v ^ value(i);
  }
  std::fclose(f);
  return {seconds(start), check};
}

Result runtimeLines() {
  auto start = std::chrono::steady_clock::now();
  int32_t f = writeFile(strConst(path.c_str()));
  for (int32_t i = 0; i < lineCount; ++i) writeLine(f, strConst(kLines[i % kLineKinds]));
  closeFile(f);
  uint32_t check = 0;
  f = readFile(strConst(path.c_str()));
  for (int32_t i = 0; i < lineCount; ++i) check += static_cast<uint32_t>(strLen(readLine(f))) * (i + 1);
  closeFile(f);
  return {seconds(start), check};
}

Result stdioLines() {
  auto start = std::chrono::steady_clock::now();
  FILE* f = std::fopen(path.c_str(), "wb");
  for (int32_t i = 0; i < lineCount; ++i) {
    std::fputs(kLines[i % kLineKinds], f);
    std::fputs("\r\n", f);
  }
  std::fclose(f);
  uint32_t check = 0;
  f = std::fopen(path.c_str(), "rb");
  char line[4096];
  for (int32_t i = 0; i < lineCount; ++i) {
    if (!std::fgets(line, sizeof line, f)) break;
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) --n;
    check += static_cast<uint32_t>(n) * (i + 1);
  }
  std::fclose(f);
  return {seconds(start), check};
}

int32_t bank;
constexpr int32_t kBlocks = kTotal / kBlock;

Result runtimeBytes() {
  auto start = std::chrono::steady_clock::now();
  int32_t f = writeFile(strConst(path.c_str()));
  for (int32_t i = 0; i < kBlocks; ++i) {
    pokeByte(bank, 0, i);
    writeBytes(bank, f, 0, kBlock);
  }
  closeFile(f);
  uint32_t check = 0;
  f = readFile(strConst(path.c_str()));
  for (int32_t i = 0; i < kBlocks; ++i) {
    check += static_cast<uint32_t>(readBytes(bank, f, 0, kBlock));
    check += static_cast<uint32_t>(peekByte(bank, 0) ^ (i & 255)) + static_cast<uint32_t>(peekByte(bank, kBlock - 1));
  }
  closeFile(f);
  return {seconds(start), check};
}

Result stdioBytes() {
  static unsigned char block[kBlock];
  for (int32_t i = 0; i < kBlock; ++i) block[i] = static_cast<unsigned char>(i * 31);
  auto start = std::chrono::steady_clock::now();
  FILE* f = std::fopen(path.c_str(), "wb");
  for (int32_t i = 0; i < kBlocks; ++i) {
    block[0] = static_cast<unsigned char>(i);
    std::fwrite(block, 1, kBlock, f);
  }
  std::fclose(f);
  uint32_t check = 0;
  f = std::fopen(path.c_str(), "rb");
  for (int32_t i = 0; i < kBlocks; ++i) {
    check += static_cast<uint32_t>(std::fread(block, 1, kBlock, f));
    check += static_cast<uint32_t>(block[0] ^ (i & 255)) + block[kBlock - 1];
  }
  std::fclose(f);
  return {seconds(start), check};
}

bool allGood = true;

void compare(const char* what, Result (*ours)(), Result (*theirs)()) {
  double best = 1e9, bestStdio = 1e9;
  uint32_t check = 0, stdioCheck = 0;
  for (int round = 0; round < kRounds; ++round) {
    Result r = ours();
    Result s = theirs();
    best = std::min(best, r.time);
    bestStdio = std::min(bestStdio, s.time);
    check = r.check;
    stdioCheck = s.check;
  }
  double ratio = bestStdio / best;
  bool same = check == stdioCheck;
  std::printf("%-22s runtime %7.1f ms   stdio %7.1f ms   ratio %.2f %s%s\n", what, best * 1000, bestStdio * 1000,
              ratio, ratio >= 0.8 ? "(target 0.8 reached)" : "(BELOW the 0.8 target)",
              same ? "" : "  DATA DIFFERS");
  allGood = allGood && same && ratio >= 0.8;
}

void program() {
  for (int32_t i = 0; i < kBlock; ++i) pokeByte(bank, i, i * 31);
  compare("WriteInt/ReadInt", runtimeInts, stdioInts);
  compare("WriteLine/ReadLine", runtimeLines, stdioLines);
  compare("WriteBytes/ReadBytes", runtimeBytes, stdioBytes);
}

void programWithBank() {
  bank = createBank(kBlock);
  program();
}

}  // namespace

int main(int argc, char** argv) {
  const char* dir = argc > 1 ? argv[1] : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
  path = std::string(dir) + "/vx_stream_benchmark_" + std::to_string(getpid()) + ".bin";

  static const vx::RuntimeModule modules[] = {vx::basicModule, vx::streamModule, vx::fileSystemModule,
                                              vx::bankModule};
  vx::Registry registry;
  vx::registerAll(modules, registry);
  writeFile = reinterpret_cast<Open>(lookup(registry, "%WriteFile$filename"));
  readFile = reinterpret_cast<Open>(lookup(registry, "%ReadFile$filename"));
  closeFile = reinterpret_cast<Close>(lookup(registry, "CloseFile%file_stream"));
  readInt = reinterpret_cast<ReadInt>(lookup(registry, "%ReadInt%stream"));
  writeInt = reinterpret_cast<WriteInt>(lookup(registry, "WriteInt%stream%int"));
  readLine = reinterpret_cast<ReadLine>(lookup(registry, "$ReadLine%stream"));
  writeLine = reinterpret_cast<WriteLine>(lookup(registry, "WriteLine%stream$string"));
  strConst = reinterpret_cast<Const>(lookup(registry, "_vxStrConst"));
  createBank = reinterpret_cast<CreateBank>(lookup(registry, "%CreateBank%size=0"));
  readBytes = reinterpret_cast<Transfer>(lookup(registry, "%ReadBytes%bank%file%offset%count"));
  writeBytes = reinterpret_cast<Transfer>(lookup(registry, "%WriteBytes%bank%file%offset%count"));
  pokeByte = reinterpret_cast<Poke>(lookup(registry, "PokeByte%bank%offset%value"));
  peekByte = reinterpret_cast<Peek>(lookup(registry, "%PeekByte%bank%offset"));

  vx::Registry stringRegistry;
  vx::registerAll(vx::runtimeModules(), stringRegistry);
  strLen = reinterpret_cast<Size>(lookup(stringRegistry, "%Len$string"));

  int64_t lineBytes = 0;
  for (lineCount = 0; lineBytes < kTotal; ++lineCount)
    lineBytes += static_cast<int64_t>(std::strlen(kLines[lineCount % kLineKinds])) + 2;

  std::printf("%d bytes each way, best of %d rounds, file %s\n", kTotal, kRounds, path.c_str());
  vx::executeProgram(programWithBank, "", nullptr, modules);
  unlink(path.c_str());
  return allGood ? 0 : 1;
}
