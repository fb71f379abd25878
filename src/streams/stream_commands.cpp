#include "streams/stream_commands.h"

#include <cstring>
#include <memory>

#include "runtime/run_step.h"
#include "streams/stream.h"

namespace vx {

namespace {

constexpr int32_t kLargestCopyBuffer = 1048576;

// Reads exactly count bytes where they arrive; those that do not read as 0.
// True when the read gave anything.
bool readValue(Stream* stream, void* value, int32_t count) {
  std::memset(value, 0, static_cast<size_t>(count));
  return stream->read(value, count) > 0;
}

// Writes a prefix and a body in one write where they fit together, so a
// network stream sends them as one piece.
void writeJoined(Stream* stream, const void* head, int32_t headSize, const void* body, int32_t bodySize) {
  char joined[1024];
  if (headSize + bodySize <= static_cast<int32_t>(sizeof joined)) {
    std::memcpy(joined, head, static_cast<size_t>(headSize));
    if (bodySize > 0) std::memcpy(joined + headSize, body, static_cast<size_t>(bodySize));
    stream->write(joined, headSize + bodySize);
    return;
  }
  stream->write(head, headSize);
  stream->write(body, bodySize);
}

int32_t eof(int32_t handle) {
  Stream* s = streamOf(handle);
  return s ? s->eof() : 0;
}

int32_t readAvail(int32_t handle) {
  Stream* s = streamOf(handle);
  return s ? s->avail() : 0;
}

// A little-endian value of the stream; 0 for a stream that is not there.
template <typename T>
T readAs(int32_t handle) {
  T value{};
  if (Stream* s = streamOf(handle)) readValue(s, &value, sizeof value);
  return value;
}

int32_t readByte(int32_t handle) { return readAs<uint8_t>(handle); }
int32_t readShort(int32_t handle) { return readAs<uint16_t>(handle); }
int32_t readInt(int32_t handle) { return readAs<int32_t>(handle); }
float readFloat(int32_t handle) { return readAs<float>(handle); }

// The length comes from the stream and may be anything: the string grows
// with the bytes that arrive, never by what the length claims. Bytes that do
// not arrive shorten the string.
RuntimeString* readString(int32_t handle) {
  Stream* s = streamOf(handle);
  RuntimeString* result = newString();
  if (!s) return result;
  int32_t length;
  if (!readValue(s, &length, 4) || length <= 0) return result;
  char chunk[16384];
  int32_t remaining = length;
  while (remaining > 0) {
    int32_t want = remaining < static_cast<int32_t>(sizeof chunk) ? remaining : static_cast<int32_t>(sizeof chunk);
    int32_t got = s->read(chunk, want);
    if (got > 0) result->append(chunk, static_cast<size_t>(got));
    if (got < want) break;
    remaining -= got;
  }
  return result;
}

RuntimeString* readLine(int32_t handle) {
  Stream* s = streamOf(handle);
  RuntimeString* line = newString();
  if (s) s->readLine(line);
  return line;
}

void writeByte(int32_t handle, int32_t value) {
  Stream* s = streamOf(handle);
  if (!s) return;
  uint8_t byte = static_cast<uint8_t>(value);
  s->write(&byte, 1);
}

void writeShort(int32_t handle, int32_t value) {
  Stream* s = streamOf(handle);
  if (!s) return;
  uint16_t word = static_cast<uint16_t>(value);
  s->write(&word, 2);
}

void writeInt(int32_t handle, int32_t value) {
  if (Stream* s = streamOf(handle)) s->write(&value, 4);
}

void writeFloat(int32_t handle, float value) {
  if (Stream* s = streamOf(handle)) s->write(&value, 4);
}

void writeString(int32_t handle, StrArg text) {
  Stream* s = streamOf(handle);
  if (!s) return;
  int32_t length = static_cast<int32_t>(text.size());
  writeJoined(s, &length, 4, text.view().data(), length);
}

void writeLine(int32_t handle, StrArg text) {
  Stream* s = streamOf(handle);
  if (!s) return;
  int32_t length = static_cast<int32_t>(text.size());
  if (length + 2 <= 1024) {
    char joined[1024];
    if (length > 0) std::memcpy(joined, text.view().data(), static_cast<size_t>(length));
    joined[length] = '\r';
    joined[length + 1] = '\n';
    s->write(joined, length + 2);
    return;
  }
  s->write(text.view().data(), length);
  s->write("\r\n", 2);
}

void copyStream(int32_t sourceHandle, int32_t destinationHandle, int32_t size) {
  Stream* source = streamOf(sourceHandle);
  Stream* destination = streamOf(destinationHandle);
  if (size <= 0 || size > kLargestCopyBuffer) {
    if (debugging()) raiseError("Illegal buffer size");
    // Without the check a size of nothing copies nothing, and a larger
    // buffer than allowed is no help: the copy uses the largest.
    if (size <= 0) return;
    size = kLargestCopyBuffer;
  }
  if (!source || !destination) return;
  std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(size)]);
  if (source->eof() != 0) return;
  while (destination->eof() == 0) {
    int32_t n = source->read(buffer.get(), size);
    if (n > 0) destination->write(buffer.get(), n);
    if (n < size || source->eof() != 0) break;
  }
}

bool create() { return true; }
void destroy() {}

void link(Registry& r) {
  r.command<"%Eof%stream", eof>();
  r.command<"%ReadAvail%stream", readAvail>();
  r.command<"%ReadByte%stream", readByte>();
  r.command<"%ReadShort%stream", readShort>();
  r.command<"%ReadInt%stream", readInt>();
  r.command<"#ReadFloat%stream", readFloat>();
  r.command<"$ReadString%stream", readString>();
  r.command<"$ReadLine%stream", readLine>();
  r.command<"WriteByte%stream%byte", writeByte>();
  r.command<"WriteShort%stream%short", writeShort>();
  r.command<"WriteInt%stream%int", writeInt>();
  r.command<"WriteFloat%stream#float", writeFloat>();
  r.command<"WriteString%stream$string", writeString>();
  r.command<"WriteLine%stream$string", writeLine>();
  r.command<"CopyStream%src_stream%dest_stream%buffer_size=16384", copyStream>();
}

}  // namespace

const RuntimeModule streamModule{"stream", create, destroy, link};

}  // namespace vx
