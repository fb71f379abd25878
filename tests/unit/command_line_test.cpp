#include "runtime/command_line.h"

#include <gtest/gtest.h>

using vx::joinCommandLine;
using vx::splitCommandLine;
using vx::trimBlanks;

TEST(CommandLine, QuotedProgramKeepsTheBlankBeforeTheArguments) {
  auto parts = splitCommandLine("\"C:\\Program Files\\game.exe\" -x");
  EXPECT_EQ(parts.program, "C:\\Program Files\\game.exe");
  EXPECT_EQ(parts.arguments, " -x");
  EXPECT_EQ(trimBlanks(parts.arguments), "-x");
}

TEST(CommandLine, UnquotedProgramSplitsAtTheFirstBlankOnly) {
  auto parts = splitCommandLine("game.exe   -x  y ");
  EXPECT_EQ(parts.program, "game.exe");
  EXPECT_EQ(parts.arguments, "  -x  y ");
  EXPECT_EQ(trimBlanks(parts.arguments), "-x  y");
}

TEST(CommandLine, EdgeShapes) {
  EXPECT_EQ(splitCommandLine("\"game.exe -x").arguments, "");
  EXPECT_EQ(splitCommandLine("game.exe").program, "game.exe");
  EXPECT_EQ(splitCommandLine("game.exe").arguments, "");
  EXPECT_EQ(splitCommandLine("   game.exe a").program, "game.exe");
  EXPECT_EQ(splitCommandLine("").program, "");
  EXPECT_EQ(splitCommandLine("\"\" a").arguments, " a");
  // Only character 32 counts as a blank.
  EXPECT_EQ(trimBlanks("\t a \t"), "\t a \t");
  EXPECT_EQ(trimBlanks("    "), "");
}

TEST(CommandLine, JoinedWordsSplitBackIntoTheSameArgumentText) {
  std::string line = joinCommandLine({"/games/my game", "-level", "two words", ""});
  EXPECT_EQ(line, "\"/games/my game\" -level \"two words\" \"\"");
  auto parts = splitCommandLine(line);
  EXPECT_EQ(parts.program, "/games/my game");
  EXPECT_EQ(trimBlanks(parts.arguments), "-level \"two words\" \"\"");
}
