#pragma once
// A UDP socket as a stream: writes collect into one outgoing message that
// send() puts on the wire whole; reads take from the last message received.
//
// eof() is -1 after a failure, 1 when the last message has been read
// completely (or none has come yet), else 0.

#include <cstdint>
#include <vector>

#include "streams/stream.h"

namespace vx {

class UdpStream final : public Stream {
 public:
  // Bound at port on every local address (0: the system chooses); null when
  // the socket cannot be made or bound.
  static UdpStream* create(int32_t port);
  ~UdpStream() override;

  int32_t read(void* buffer, int32_t size) override;
  int32_t write(const void* buffer, int32_t size) override;
  int32_t avail() override;
  int32_t eof() override;

  // Waits up to timeout milliseconds for a message and makes it the one
  // read from; the sender's address in host order, 0 when none came.
  uint32_t receive(int32_t timeout);
  // Sends the outgoing message to address and port (0: this stream's own
  // port) and empties it; a failed send keeps it and fails the stream.
  void send(uint32_t address, int32_t port);

  uint32_t localAddress() const { return localAddress_; }
  int32_t localPort() const { return localPort_; }
  uint32_t senderAddress() const { return senderAddress_; }
  int32_t senderPort() const { return senderPort_; }

 private:
  explicit UdpStream(int socket) : socket_(socket) {}
  int socket_;
  int32_t state_ = 0;
  uint32_t localAddress_ = 0;
  int32_t localPort_ = 0;
  uint32_t senderAddress_ = 0;
  int32_t senderPort_ = 0;
  uint32_t destinationAddress_ = 0;
  int32_t destinationPort_ = 0;
  std::vector<char> incoming_;
  size_t readPosition_ = 0;
  std::vector<char> outgoing_;
};

}  // namespace vx
