#pragma once
// A stream over one binary file with a buffer of its own. The buffer holds
// either bytes read ahead or bytes waiting to be written, never both: a
// write drops what was read ahead (moving the file back to the stream's
// position) and a read first writes out what waits.
//
// eof() is 0 while bytes remain in the buffer or a refill delivers more, and
// 1 once a refill finds the end of the file. A file opened for writing only
// has nothing to give but is never at an end that stops writing: its eof()
// is 0, so it can be the destination of CopyStream.

#include <cstdint>
#include <memory>

#include "streams/stream.h"

namespace vx {

enum class FileAccess { Read, Write, ReadWrite };

class FileStream final : public Stream {
 public:
  static constexpr int32_t kBufferSize = 64 * 1024;

  // Opens a native path: Read and ReadWrite need an existing file, Write
  // creates it or truncates it. Null when that fails or the path names a
  // directory.
  static FileStream* open(const char* path, FileAccess access);
  // Writes out what waits and closes the file.
  ~FileStream() override;

  int32_t read(void* buffer, int32_t size) override;
  int32_t write(const void* buffer, int32_t size) override;
  int32_t avail() override { return end_ - next_; }
  int32_t eof() override;
  void readLine(RuntimeString* line) override;

  // The stream's position from the start of the file; -1 when the file
  // cannot say.
  int32_t position();
  // Moves to an absolute position; returns it, or -1 (and stays) when the
  // file cannot be moved there.
  int32_t seek(int32_t position);
  // Writes out what waits; false when the file refused some of it.
  bool flush();

 private:
  FileStream(int fd, FileAccess access);
  bool refill();
  void dropReadAhead();

  int fd_;
  bool readable_;
  bool writable_;
  std::unique_ptr<char[]> buffer_;
  int32_t next_ = 0;     // read ahead: bytes next_ .. end_ not yet taken
  int32_t end_ = 0;
  int32_t waiting_ = 0;  // bytes 0 .. waiting_ not yet written
};

}  // namespace vx
