#pragma once
// TCP connections as streams, and the servers that accept them. Every call
// is a blocking socket call; reads and accepts are bounded by time-outs.
//
// A connection's state is 0 while good, 1 once the peer has closed it and
// every byte it sent has been read, -1 after a failure (a read that ran out
// of time included). eof() reports the state.

#include <netinet/in.h>

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "streams/stream.h"

namespace vx {

class TcpServer;

class TcpStream final : public Stream {
 public:
  // Milliseconds a read waits for the bytes it asks for; 0 takes only what
  // has already arrived.
  static int32_t readTimeout;

  // Connects to a dotted address or a host name; null when that fails.
  static TcpStream* open(const char* server, int32_t serverPort, int32_t localPort);
  TcpStream(int socket, TcpServer* origin);
  ~TcpStream() override;

  int32_t read(void* buffer, int32_t size) override;
  int32_t write(const void* buffer, int32_t size) override;
  int32_t avail() override;
  int32_t eof() override;

  TcpServer* origin() const { return origin_; }
  void forgetOrigin() { origin_ = nullptr; }
  uint32_t remoteAddress() const { return remoteAddress_; }
  int32_t remotePort() const { return remotePort_; }
  int32_t state() const { return state_; }

 private:
  int socket_;
  int32_t state_ = 0;
  TcpServer* origin_;
  uint32_t remoteAddress_ = 0;
  int32_t remotePort_ = 0;
};

class TcpServer {
 public:
  // Listens at port on every local address; null when binding or listening
  // fails.
  static TcpServer* create(int32_t port);
  // Does not touch the connections accepted from it: their owner closes them.
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Waits up to timeout milliseconds for a connection; null when none came
  // or the server has failed.
  TcpStream* accept(int32_t timeout);
  // The connections accepted from this server and still open.
  std::unordered_set<TcpStream*>& accepted() { return accepted_; }
  int32_t state() const { return state_; }

 private:
  explicit TcpServer(int socket) : socket_(socket) {}
  int socket_;
  int32_t state_ = 0;
  std::unordered_set<TcpStream*> accepted_;
};

// Waits up to timeout milliseconds (never negative) for the socket to be
// readable: 1 readable, 0 not in time, -1 failure.
int waitReadable(int socket, int32_t timeout);

// A socket address of an IPv4 address and a port, both in host order.
sockaddr_in socketAddress(uint32_t address, int32_t port);

// The IPv4 addresses of a host name in host order, each once; an empty name
// is this machine.
std::vector<uint32_t> hostAddressesOf(const char* name);
// A dotted address, or else the first address of a host name; false when
// there is none.
bool resolveHost(const char* name, uint32_t* address);

}  // namespace vx
