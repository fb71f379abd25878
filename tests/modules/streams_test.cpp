// Programs that read and write files, list directories, use banks and call
// library functions, run by vxrun in a directory of their own; and the
// files they leave open, written out however they end.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "program_run.h"

using vxtest::modulePath;
using vxtest::ProgramRun;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::ScratchDir;
using vxtest::vxrunPath;
namespace fs = std::filesystem;

namespace {

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

ProgramRun runIn(const ScratchDir& dir, const std::string& program, std::vector<std::string> env) {
  RunOptions options;
  env.push_back("VX_TEST_DIR=" + dir.path());
  options.environment = std::move(env);
  return runProgram({vxrunPath(), modulePath(program)}, options);
}

// Splits output into lines, taking those that start with prefix out (sorted).
std::vector<std::string> takeLines(std::string& out, const std::string& prefix) {
  std::istringstream in(out);
  std::string line, rest;
  std::vector<std::string> taken;
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0)
      taken.push_back(line.substr(prefix.size()));
    else
      rest += line + "\n";
  }
  out = rest;
  std::sort(taken.begin(), taken.end());
  return taken;
}

}  // namespace

TEST(FilePrograms, FilesAndDirectoriesThroughWindowsStylePaths) {
  ScratchDir dir;
  ProgramRun run = runIn(dir, "files", {"VX_DEBUG=1"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.err, "Program has ended\n");
  std::vector<std::string> listed = {".", "..", "Inner"};
  EXPECT_EQ(takeLines(run.out, "A:"), listed);
  EXPECT_EQ(takeLines(run.out, "B:"), listed);
  EXPECT_EQ(run.out,
            // typed values
            "34\n34\n1\n0\n44\n33\n65534\n-2\n1.5\ns:hello\ne:\n0\nl:line one\n1\n0\npast end:\n"
            // open for update
            "0\n0\n3\n7\n0\n44\n1\n34\n"
            // lines
            "1\n:ab\n2\n:c\nend:\n3\n:ab\nend:\n"
            // directories
            "2\n0\n1\n1\nafter end:\n1\nafter end:\n0\ncd:" +
                dir.path() + "/\ncd:" + dir.path() +
                "/Sub/Inner/\n"
                // file operations
                "34\n5\n5\n0\n2\n2\n0\n"
                // CopyStream
                "1\n34\ndone\n");
  std::string data = fileBytes(dir / "Data.bin");
  ASSERT_EQ(data.size(), 34u);
  // WriteByte 300, WriteShort -2, WriteInt -2 (then 0x01020304 over it),
  // WriteFloat 1.5, WriteString "hello" and "", WriteLine "line one".
  EXPECT_EQ(data, std::string("\x2C" "\xFE\xFF" "\x04\x03\x02\x01" "\x00\x00\xC0\x3F"
                              "\x05\x00\x00\x00hello" "\x00\x00\x00\x00" "line one\r\n",
                              34));
  EXPECT_EQ(fileBytes(dir / "streamed.bin"), data);
  EXPECT_FALSE(fs::exists(dir / "missing.bin"));
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.path())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Data.bin", "lines1.txt", "lines2.txt", "streamed.bin"}));
}

TEST(FilePrograms, FilesLeftOpenAreWrittenOutHoweverTheProgramEnds) {
  std::string lines;
  for (int i = 0; i < 1000; ++i) lines += std::to_string(i) + "\r\n";
  struct Ending {
    const char* how;
    bool debug;
    const char* err;
  } endings[] = {{"0", true, "Program has ended\n"},
                 {"1", true, ""},
                 {"2", true, "stopped here\n"},
                 {"3", true, "Memory access violation\n"},
                 {"2", false, "Error!: stopped here\n"},
                 {"3", false, "Error!: Memory access violation\n"}};
  for (const Ending& e : endings) {
    ScratchDir dir;
    std::ofstream(dir / "existing.bin", std::ios::binary) << "12345678";
    std::vector<std::string> env{std::string("VX_END=") + e.how};
    if (e.debug) env.push_back("VX_DEBUG=1");
    ProgramRun run = runIn(dir, "files_left_open", env);
    EXPECT_EQ(run.exitStatus, e.how[0] >= '2' ? 1 : 0) << e.how;
    EXPECT_EQ(run.signal, 0) << e.how;
    EXPECT_EQ(run.err, e.err) << e.how;
    EXPECT_EQ(run.out, e.debug ? "written\n" : "") << e.how;
    EXPECT_EQ(fileBytes(dir / "left.txt"), lines) << e.how;
    EXPECT_EQ(fileBytes(dir / "existing.bin"), "ABCD5678") << e.how;
  }
}

TEST(BankPrograms, BanksStreamsAndLibraryCalls) {
  ScratchDir dir;
  // A Windows library name in another case: found as lib<name>.so.
  std::string library = fs::path(VX_CALL_LIB).parent_path().string() + "/VXCallTest.DLL";
  ProgramRun run = runIn(dir, "banks", {"VX_DEBUG=1", "VX_CALL_LIB=" + library});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.err, "Program has ended\n");
  EXPECT_EQ(run.out,
            // edges
            "10\n0\n-2\n65534\n255\n2.25\n9029\n0\n0\n2.25\n"
            // overlapping copies
            "1\n2\n1\n2\n3\n4\n5\n6\n"
            "1\n2\n3\n4\n5\n6\n5\n6\n"
            // banks and streams
            "8\n8\n69\n76\n0\n"
            // library calls
            "100\n100\n4\n1100408\n0\n100008\n0\n0\n100000\n"
            "done\n");
  EXPECT_EQ(fileBytes(dir / "bank.bin"), "EFGHIJKL");
}

TEST(StreamPrograms, BadArgumentsAreReportedWhenDebuggingAndRefusedOtherwise) {
  struct Check {
    int which;
    const char* message;
    int quietResult;
  } checks[] = {{1, "Stream does not exist", 0},     {2, "Stream does not exist", -1},
                {3, "Illegal buffer size", -1},      {4, "Illegal buffer size", -1},
                {5, "File does not exist", -1},      {6, "Directory does not exist", 0},
                {7, "vxBank does not exist", 0},     {8, "Offset out of range", 0},
                {9, "Offset out of range", -1},      {10, "Offset out of range", -1},
                {11, "Offset out of range", -1},     {12, "Offset out of range", 0},
                {13, "Stream does not exist", 0},    {14, "vxBank does not exist", 0},
                {15, "vxBank does not exist", 0},    {16, "File does not exist", 0},
                {17, "Stream does not exist", 0},    {18, "vxBank does not exist", -1}};
  for (const Check& c : checks) {
    ScratchDir dir;
    std::string which = "VX_CASE=" + std::to_string(c.which);
    ProgramRun run = runIn(dir, "stream_checks", {"VX_DEBUG=1", which});
    EXPECT_EQ(run.exitStatus, 1) << c.which;
    EXPECT_EQ(run.err, std::string(c.message) + "\n") << c.which;
    EXPECT_EQ(run.out, "") << c.which;

    EXPECT_FALSE(fs::exists(dir / "result.txt")) << c.which;

    run = runIn(dir, "stream_checks", {which});
    EXPECT_EQ(run.exitStatus, 0) << c.which;
    EXPECT_EQ(run.err, "") << c.which;
    EXPECT_EQ(fileBytes(dir / "result.txt"), std::to_string(c.quietResult) + "\r\n0\r\n") << c.which;
  }
}
