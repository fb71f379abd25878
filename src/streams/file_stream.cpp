#include "streams/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "language/runtime_string.h"

namespace vx {

namespace {

// One read of the file, repeated when a signal interrupts it; 0 at the end
// or on failure.
int32_t readOnce(int fd, char* buffer, int32_t size) {
  for (;;) {
    ssize_t n = ::read(fd, buffer, static_cast<size_t>(size));
    if (n >= 0) return static_cast<int32_t>(n);
    if (errno != EINTR) return 0;
  }
}

// Writes all bytes unless the file refuses; the number written.
int32_t writeAll(int fd, const char* bytes, int32_t size) {
  int32_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, bytes + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

}  // namespace

FileStream* FileStream::open(const char* path, FileAccess access) {
  int flags = O_CLOEXEC | O_LARGEFILE;
  switch (access) {
    case FileAccess::Read:
      flags |= O_RDONLY;
      break;
    case FileAccess::Write:
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case FileAccess::ReadWrite:
      flags |= O_RDWR;
      break;
  }
  int fd = ::open(path, flags, 0666);
  if (fd < 0) return nullptr;
  struct stat64 info;
  if (fstat64(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return new FileStream(fd, access);
}

FileStream::FileStream(int fd, FileAccess access)
    : fd_(fd),
      readable_(access != FileAccess::Write),
      writable_(access != FileAccess::Read),
      buffer_(new char[kBufferSize]) {}

FileStream::~FileStream() {
  flush();
  ::close(fd_);
}

bool FileStream::flush() {
  if (waiting_ == 0) return true;
  int32_t written = writeAll(fd_, buffer_.get(), waiting_);
  bool complete = written == waiting_;
  // What the file refused cannot be kept for ever: it is dropped, and the
  // stream goes on after it.
  waiting_ = 0;
  return complete;
}

bool FileStream::refill() {
  next_ = 0;
  end_ = readOnce(fd_, buffer_.get(), kBufferSize);
  return end_ > 0;
}

void FileStream::dropReadAhead() {
  if (end_ > next_) lseek64(fd_, -static_cast<off64_t>(end_ - next_), SEEK_CUR);
  next_ = end_ = 0;
}

int32_t FileStream::read(void* buffer, int32_t size) {
  if (size <= 0 || !readable_) return 0;
  if (waiting_ > 0) flush();
  char* out = static_cast<char*>(buffer);
  int32_t done = 0;
  for (;;) {
    int32_t buffered = end_ - next_;
    int32_t take = buffered < size - done ? buffered : size - done;
    if (take > 0) {
      std::memcpy(out + done, buffer_.get() + next_, static_cast<size_t>(take));
      next_ += take;
      done += take;
    }
    if (done == size) return done;
    if (size - done >= kBufferSize) {
      // Large reads go straight into the caller's memory.
      next_ = end_ = 0;
      int32_t n = readOnce(fd_, out + done, size - done);
      if (n == 0) return done;
      done += n;
      if (done == size) return done;
    } else if (!refill()) {
      return done;
    }
  }
}

int32_t FileStream::write(const void* buffer, int32_t size) {
  if (size <= 0 || !writable_) return 0;
  if (end_ != 0) dropReadAhead();
  const char* in = static_cast<const char*>(buffer);
  if (size <= kBufferSize - waiting_) {
    std::memcpy(buffer_.get() + waiting_, in, static_cast<size_t>(size));
    waiting_ += size;
    return size;
  }
  if (!flush()) return 0;
  if (size >= kBufferSize) return writeAll(fd_, in, size);
  std::memcpy(buffer_.get(), in, static_cast<size_t>(size));
  waiting_ = size;
  return size;
}

int32_t FileStream::eof() {
  if (!readable_) return 0;
  if (next_ < end_) return 0;
  if (waiting_ > 0) flush();
  return refill() ? 0 : 1;
}

void FileStream::readLine(RuntimeString* line) {
  if (!readable_) return;
  if (waiting_ > 0) flush();
  for (;;) {
    if (next_ == end_ && !refill()) return;
    const char* start = buffer_.get() + next_;
    int32_t count = end_ - next_;
    const char* feed = static_cast<const char*>(std::memchr(start, '\n', static_cast<size_t>(count)));
    int32_t take = feed ? static_cast<int32_t>(feed - start) : count;
    appendWithoutReturns(line, start, take);
    next_ += take;
    if (feed) {
      ++next_;
      return;
    }
  }
}

int32_t FileStream::position() {
  off64_t at = lseek64(fd_, 0, SEEK_CUR);
  if (at < 0) return -1;
  return static_cast<int32_t>(at - (end_ - next_) + waiting_);
}

int32_t FileStream::seek(int32_t position) {
  if (waiting_ > 0) flush();
  if (position < 0) return -1;
  next_ = end_ = 0;
  off64_t at = lseek64(fd_, position, SEEK_SET);
  return at < 0 ? -1 : static_cast<int32_t>(at);
}

}  // namespace vx
