#include "streams/tcp_stream.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "runtime/stop_signals.h"

namespace vx {

namespace {

using Clock = std::chrono::steady_clock;

int32_t millisLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int32_t>(left) : 0;
}

void peerOf(int socket, uint32_t* address, int32_t* port) {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0 && peer.sin_family == AF_INET) {
    *address = ntohl(peer.sin_addr.s_addr);
    *port = ntohs(peer.sin_port);
  }
}

}  // namespace

sockaddr_in socketAddress(uint32_t address, int32_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(address);
  a.sin_port = htons(static_cast<uint16_t>(port));
  return a;
}

int32_t TcpStream::readTimeout = 10000;

int waitReadable(int socket, int32_t timeout) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout > 0 ? timeout : 0);
  for (;;) {
    pollfd p{socket, POLLIN, 0};
    int ready = poll(&p, 1, millisLeft(deadline));
    if (ready > 0) return (p.revents & POLLNVAL) ? -1 : 1;
    if (ready == 0) return 0;
    if (errno != EINTR) return -1;
    // Interrupted: a stopped program waits no longer.
    if (stopRequested()) return 0;
  }
}

std::vector<uint32_t> hostAddressesOf(const char* name) {
  std::vector<uint32_t> addresses;
  char local[256];
  if (!*name) {
    if (gethostname(local, sizeof local) != 0) return addresses;
    local[sizeof local - 1] = 0;
    name = local;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0) return addresses;
  for (addrinfo* a = found; a; a = a->ai_next) {
    uint32_t address = ntohl(reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
  }
  freeaddrinfo(found);
  return addresses;
}

bool resolveHost(const char* name, uint32_t* address) {
  in_addr parsed;
  if (inet_pton(AF_INET, name, &parsed) == 1) {
    *address = ntohl(parsed.s_addr);
    return true;
  }
  std::vector<uint32_t> found = hostAddressesOf(name);
  if (found.empty()) return false;
  *address = found.front();
  return true;
}

TcpStream* TcpStream::open(const char* server, int32_t serverPort, int32_t localPort) {
  uint32_t address;
  if (!resolveHost(server, &address)) return nullptr;
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return nullptr;
  if (localPort != 0) {
    sockaddr_in local = socketAddress(INADDR_ANY, localPort);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      close(s);
      return nullptr;
    }
  }
  sockaddr_in remote = socketAddress(address, serverPort);
  int result;
  do {
    result = connect(s, reinterpret_cast<sockaddr*>(&remote), sizeof remote);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    close(s);
    return nullptr;
  }
  return new TcpStream(s, nullptr);
}

TcpStream::TcpStream(int socket, TcpServer* origin) : socket_(socket), origin_(origin) {
  peerOf(socket_, &remoteAddress_, &remotePort_);
}

// Linux closes without lingering unless asked to, failed or not.
TcpStream::~TcpStream() { close(socket_); }

int32_t TcpStream::read(void* buffer, int32_t size) {
  if (state_ != 0 || size <= 0) return 0;
  char* bytes = static_cast<char*>(buffer);
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(readTimeout > 0 ? readTimeout : 0);
  int32_t got = 0;
  while (got < size) {
    if (waitReadable(socket_, millisLeft(deadline)) != 1) {
      state_ = -1;
      break;
    }
    ssize_t n = recv(socket_, bytes + got, static_cast<size_t>(size - got), 0);
    if (n == 0) {
      state_ = 1;
      break;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      state_ = -1;
      break;
    }
    got += static_cast<int32_t>(n);
  }
  return got;
}

// Sends every byte: a blocking send may still return early (a signal), and
// the rest is sent then. MSG_NOSIGNAL: a peer that has gone fails the
// stream instead of ending the process.
int32_t TcpStream::write(const void* buffer, int32_t size) {
  if (state_ != 0 || size <= 0) return 0;
  const char* bytes = static_cast<const char*>(buffer);
  int32_t sent = 0;
  while (sent < size) {
    ssize_t n = send(socket_, bytes + sent, static_cast<size_t>(size - sent), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      state_ = -1;
      return 0;
    }
    sent += static_cast<int32_t>(n);
  }
  return sent;
}

int32_t TcpStream::avail() {
  if (state_ != 0) return 0;
  int waiting = 0;
  if (ioctl(socket_, FIONREAD, &waiting) != 0) {
    state_ = -1;
    return 0;
  }
  return waiting;
}

int32_t TcpStream::eof() {
  if (state_ != 0) return state_;
  int ready = waitReadable(socket_, 0);
  if (ready < 0) {
    state_ = -1;
  } else if (ready == 1) {
    int waiting = 0;
    if (ioctl(socket_, FIONREAD, &waiting) != 0)
      state_ = -1;
    else if (waiting == 0)
      state_ = 1;
  }
  return state_;
}

TcpServer* TcpServer::create(int32_t port) {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return nullptr;
  // A server started again at once gets its port back.
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local = socketAddress(INADDR_ANY, port);
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(s, 5) != 0) {
    close(s);
    return nullptr;
  }
  return new TcpServer(s);
}

TcpServer::~TcpServer() { close(socket_); }

TcpStream* TcpServer::accept(int32_t timeout) {
  if (state_ != 0) return nullptr;
  int ready = waitReadable(socket_, timeout);
  if (ready == 0) return nullptr;
  int s = ready > 0 ? ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC) : -1;
  if (s < 0) {
    // A connection reset before it was taken is the peer's failure, not ours.
    if (ready > 0 && (errno == ECONNABORTED || errno == EINTR || errno == EAGAIN)) return nullptr;
    state_ = -1;
    return nullptr;
  }
  auto* stream = new TcpStream(s, this);
  accepted_.insert(stream);
  return stream;
}

}  // namespace vx
