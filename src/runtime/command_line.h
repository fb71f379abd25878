#pragma once
// The command line of a program: split into the program name and the
// argument text the program sees through CommandLine.

#include <string>
#include <string_view>
#include <vector>

namespace vx {

struct CommandLineParts {
  std::string program;
  std::string arguments;
};

// Leading blanks are skipped; a quoted program name ends at the next quote
// (no closing quote: no arguments), an unquoted one at the first blank.
// The argument text is everything after that quote or that one blank.
CommandLineParts splitCommandLine(std::string_view line);

// Removes blanks (character 32 only) from both ends.
std::string trimBlanks(std::string_view text);

// Joins words into one line, quoting those that contain a blank or are
// empty, as a Windows command line carries them.
std::string joinCommandLine(const std::vector<std::string>& words);

}  // namespace vx
