#pragma once
// Whole files in memory by native path, for the runtime's loaders and for
// the tools that read modules. A file that cannot be opened, is not a
// regular file or does not fit in memory gives nothing; where the caller
// asks, with the reason in words.

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx {

// Opens the regular file at a native path positioned at its end, giving its
// size (a directory would open too, with a meaningless size).
bool openAtEnd(const std::string& path, std::ifstream& in, std::streamoff& size, std::string* problem = nullptr);

// The bytes of the file at a native path.
std::optional<std::vector<uint8_t>> readNativeFile(const std::string& path, std::string* problem = nullptr);

// The bytes of the file at a native path, read-only, for loaders that only
// parse them: a large file is mapped from the system's file cache, so that
// its bytes are neither copied nor cleared first, a small one is read.
class FileView {
 public:
  FileView() = default;
  ~FileView();
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;

  // False, and no bytes, when the file cannot be opened, is not a regular
  // file, is larger than limit bytes or cannot be read.
  bool open(const std::string& path, uint64_t limit);
  std::span<const uint8_t> bytes() const { return {data_, size_}; }

 private:
  void close();

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  void* mapped_ = nullptr;  // the mapping data_ points into, if any
  std::unique_ptr<uint8_t[]> read_;
};

}  // namespace vx
