#include "runtime/command_line.h"

namespace vx {

CommandLineParts splitCommandLine(std::string_view line) {
  size_t start = 0;
  while (start < line.size() && line[start] == ' ') ++start;
  line.remove_prefix(start);
  CommandLineParts parts;
  if (line.empty() || line[0] != '"') {
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
      parts.program = std::string(line);
    } else {
      parts.program = std::string(line.substr(0, blank));
      parts.arguments = std::string(line.substr(blank + 1));
    }
    return parts;
  }
  size_t close = line.find('"', 1);
  if (close == std::string_view::npos) {
    parts.program = std::string(line.substr(1));
    return parts;
  }
  parts.program = std::string(line.substr(1, close - 1));
  parts.arguments = std::string(line.substr(close + 1));
  return parts;
}

std::string trimBlanks(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

std::string joinCommandLine(const std::vector<std::string>& words) {
  std::string line;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i) line += ' ';
    const std::string& w = words[i];
    if (w.empty() || w.find(' ') != std::string::npos)
      line += '"' + w + '"';
    else
      line += w;
  }
  return line;
}

}  // namespace vx
