#include "streams/udp_stream.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "streams/tcp_stream.h"

namespace vx {

UdpStream* UdpStream::create(int32_t port) {
  int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return nullptr;
  sockaddr_in local = socketAddress(INADDR_ANY, port);
  socklen_t length = sizeof local;
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    close(s);
    return nullptr;
  }
  // Messages to a broadcast address are allowed, as with the other stacks.
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  auto* stream = new UdpStream(s);
  stream->localAddress_ = ntohl(local.sin_addr.s_addr);
  stream->localPort_ = ntohs(local.sin_port);
  stream->senderAddress_ = stream->localAddress_;
  stream->senderPort_ = stream->localPort_;
  return stream;
}

UdpStream::~UdpStream() { close(socket_); }

int32_t UdpStream::read(void* buffer, int32_t size) {
  if (state_ != 0 || size <= 0) return 0;
  size_t n = std::min(static_cast<size_t>(size), incoming_.size() - readPosition_);
  if (n > 0) std::memcpy(buffer, incoming_.data() + readPosition_, n);
  readPosition_ += n;
  return static_cast<int32_t>(n);
}

int32_t UdpStream::write(const void* buffer, int32_t size) {
  if (state_ != 0 || size <= 0) return 0;
  const char* bytes = static_cast<const char*>(buffer);
  outgoing_.insert(outgoing_.end(), bytes, bytes + size);
  return size;
}

int32_t UdpStream::avail() { return state_ != 0 ? 0 : static_cast<int32_t>(incoming_.size() - readPosition_); }

int32_t UdpStream::eof() {
  if (state_ != 0) return -1;
  return readPosition_ >= incoming_.size() ? 1 : 0;
}

uint32_t UdpStream::receive(int32_t timeout) {
  if (state_ != 0) return 0;
  using Clock = std::chrono::steady_clock;
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout > 0 ? timeout : 0);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    int ready = waitReadable(socket_, left > 0 ? static_cast<int32_t>(left) : 0);
    if (ready == 0) return 0;
    if (ready < 0) {
      state_ = -1;
      return 0;
    }
    int waiting = 0;
    if (ioctl(socket_, FIONREAD, &waiting) != 0 || waiting < 0) {
      state_ = -1;
      return 0;
    }
    // One byte more than announced tells a datagram that grew from one
    // that fits; an empty datagram still needs a buffer to land in.
    incoming_.resize(static_cast<size_t>(waiting) + 1);
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ssize_t n = recvfrom(socket_, incoming_.data(), incoming_.size(), MSG_TRUNC, reinterpret_cast<sockaddr*>(&from),
                         &length);
    if (n < 0) continue;
    incoming_.resize(std::min(static_cast<size_t>(n), incoming_.size()));
    readPosition_ = 0;
    senderAddress_ = ntohl(from.sin_addr.s_addr);
    senderPort_ = ntohs(from.sin_port);
    return senderAddress_;
  }
}

void UdpStream::send(uint32_t address, int32_t port) {
  if (state_ != 0) return;
  destinationAddress_ = address;
  destinationPort_ = port != 0 ? port : localPort_;
  sockaddr_in to = socketAddress(destinationAddress_, destinationPort_);
  ssize_t n;
  do {
    n = sendto(socket_, outgoing_.data(), outgoing_.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  } while (n < 0 && errno == EINTR);
  if (n < 0 || static_cast<size_t>(n) < outgoing_.size()) {
    state_ = -1;
    return;
  }
  outgoing_.clear();
}

}  // namespace vx
