#include "platform/native_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

namespace vx {

namespace {

void say(std::string* problem, std::string text) {
  if (problem) *problem = std::move(text);
}

}  // namespace

bool openAtEnd(const std::string& path, std::ifstream& in, std::streamoff& size, std::string* problem) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) {
    const bool missing = !error || error == std::errc::no_such_file_or_directory;
    say(problem, missing ? "no such file" : "cannot be read (" + error.message() + ")");
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    say(problem, "not a regular file");
    return false;
  }
  in.open(path, std::ios::binary | std::ios::ate);
  if (!in) {
    say(problem, std::string("cannot be read (") + std::strerror(errno) + ")");
    return false;
  }
  size = in.tellg();
  return size >= 0;
}

std::optional<std::vector<uint8_t>> readNativeFile(const std::string& path, std::string* problem) {
  std::ifstream in;
  std::streamoff size = 0;
  if (!openAtEnd(path, in, size, problem)) return std::nullopt;
  say(problem, "cannot be read");
  if (static_cast<uint64_t>(size) > SIZE_MAX / 2) return std::nullopt;
  try {
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace vx
