#include "platform/native_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

namespace vx {

namespace {

// Files from this size on are mapped: below it, reading is cheaper than
// setting up and removing a mapping.
constexpr size_t kSmallestMapped = 64 << 10;

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

FileView::~FileView() { close(); }

void FileView::close() {
  if (mapped_) ::munmap(mapped_, size_);
  mapped_ = nullptr;
  read_.reset();
  data_ = nullptr;
  size_ = 0;
}

bool FileView::open(const std::string& path, uint64_t limit) {
  close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= limit &&
            static_cast<uint64_t>(info.st_size) <= SIZE_MAX / 2;
  const size_t size = ok ? static_cast<size_t>(info.st_size) : 0;
  if (ok && size >= kSmallestMapped) {
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    ok = mapped != MAP_FAILED;
    if (ok) mapped_ = mapped, data_ = static_cast<const uint8_t*>(mapped);
  } else if (ok) {
    read_.reset(new (std::nothrow) uint8_t[size ? size : 1]);
    ok = read_ != nullptr;
    for (size_t done = 0; ok && done < size;) {
      const ssize_t got = ::read(fd, read_.get() + done, size - done);
      ok = got > 0;
      if (ok) done += static_cast<size_t>(got);
    }
    data_ = read_.get();
  }
  ::close(fd);
  size_ = size;
  if (!ok) close();
  return ok;
}

}  // namespace vx
