#pragma once
// The byte stream that files, TCP connections and UDP sockets all are, so
// that one family of read and write commands serves every kind. Every live
// stream is in the stream registry from construction to destruction; a
// stream handle is the stream's address.
//
// Multi-byte values travel little-endian (the x86 memory layout).

#include <cstdint>

#include "runtime/handles.h"

namespace vx {

struct RuntimeString;

class Stream {
 public:
  Stream();
  virtual ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Reads up to size bytes; the number read (0 when nothing is available or
  // at the end).
  virtual int32_t read(void* buffer, int32_t size) = 0;
  // Writes size bytes; the number written.
  virtual int32_t write(const void* buffer, int32_t size) = 0;
  // Bytes that can be read without waiting.
  virtual int32_t avail() = 0;
  // Non-zero when the stream has no more data to give; each kind says which
  // values it uses.
  virtual int32_t eof() = 0;

  // Appends one line to line: bytes up to a line feed (consumed, not kept)
  // or until a read gives nothing; carriage returns are dropped wherever
  // they are. Reads one byte at a time, so that nothing after the line is
  // taken from the stream; a kind with a buffer of its own may do better.
  virtual void readLine(RuntimeString* line);
};

// The live stream of a handle. An unknown handle raises "Stream does not
// exist" while debugging and gives null otherwise.
Stream* streamOf(int32_t handle);

inline int32_t handleOf(const Stream* stream) { return HandleSet<Stream>::handleOf(stream); }

// Appends bytes to line without its carriage returns.
void appendWithoutReturns(RuntimeString* line, const char* bytes, int32_t count);

}  // namespace vx
