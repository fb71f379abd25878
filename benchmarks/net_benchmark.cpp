// Guaranteed 100-byte messages between two processes on loopback through
// the session layer, against a plain TCP echo of the same messages in the
// same run: round-trip latency (one message out, one back) and messages
// per second one way (the receiver answers the last one).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "streams/net_session.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kSize = 100;
constexpr int kRoundTrips = 5000;
constexpr int kStream = 50000;

struct Figures {
  double meanUs, medianUs, p99Us, perSecond;
};

void report(const char* name, const Figures& f) {
  std::printf("%-14s round trip: mean %7.1f us, median %7.1f us, p99 %7.1f us;  one way: %9.0f messages/s\n", name,
              f.meanUs, f.medianUs, f.p99Us, f.perSecond);
}

Figures summarise(std::vector<double>& trips, double streamSeconds) {
  std::sort(trips.begin(), trips.end());
  double sum = 0;
  for (double t : trips) sum += t;
  return {sum / trips.size(), trips[trips.size() / 2], trips[trips.size() * 99 / 100], kStream / streamSeconds};
}

double micros(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

// The header of a message from one player to another, then text.
std::vector<char> message(int32_t from, int32_t to, uint8_t type) {
  std::vector<char> m(kSize, 'x');
  std::memcpy(m.data(), &from, 4);
  std::memcpy(m.data() + 4, &to, 4);
  m[8] = static_cast<char>(type);
  return m;
}

// Waits for the next message; its type.
int nextMessage(vx::NetSession& s, std::vector<vx::NetPlayer>* players = nullptr) {
  vx::NetEvent e;
  for (;;) {
    if (!s.receive(e)) continue;
    if (e.kind == vx::NetEvent::Message) return static_cast<uint8_t>(e.data[8]);
    if (players && e.kind == vx::NetEvent::PlayerCreated) players->push_back({e.player, e.name, false});
  }
}

uint16_t freePort() {
  int u = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  bind(u, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(u, reinterpret_cast<sockaddr*>(&a), &length);
  close(u);
  return ntohs(a.sin_port);
}

// The echoing side: answers each message; type 2 marks the last of a stream.
void sessionEcho(uint16_t port) {
  auto s = vx::NetSession::host("bench", port);
  int32_t me = s->createPlayer("echo");
  std::vector<vx::NetPlayer> players;
  vx::NetEvent e;
  while (players.empty())
    if (s->receive(e) && e.kind == vx::NetEvent::PlayerCreated) players.push_back({e.player, e.name, false});
  std::vector<char> reply = message(me, players[0].id, 1);
  for (;;) {
    int type = nextMessage(*s);
    if (type == 3) break;
    if (type == 1 || type == 2) s->send(reply.data(), reply.size(), true);
  }
  usleep(100000);
}

Figures sessionRun(uint16_t port) {
  std::vector<vx::NetSessionInfo> found;
  for (int i = 0; i < 50 && found.empty(); ++i) found = vx::NetSession::find(0x7F000001, port, 200);
  auto s = vx::NetSession::join(found.at(0));
  int32_t me = s->createPlayer("bench");
  int32_t echo = 0;
  for (const vx::NetPlayer& p : s->players())
    if (!p.local) echo = p.id;
  std::vector<char> ping = message(me, echo, 1), quiet = message(me, echo, 4), last = message(me, echo, 2),
                    done = message(me, echo, 3);
  std::vector<double> trips;
  for (int i = 0; i < kRoundTrips; ++i) {
    Clock::time_point t0 = Clock::now();
    s->send(ping.data(), ping.size(), true);
    nextMessage(*s);
    trips.push_back(micros(t0, Clock::now()));
  }
  Clock::time_point t0 = Clock::now();
  for (int i = 0; i < kStream - 1; ++i) s->send(quiet.data(), quiet.size(), true);
  s->send(last.data(), last.size(), true);
  nextMessage(*s);
  double seconds = micros(t0, Clock::now()) / 1e6;
  s->send(done.data(), done.size(), true);
  usleep(50000);
  return summarise(trips, seconds);
}

bool readAll(int fd, char* buffer, int size) {
  for (int got = 0; got < size;) {
    ssize_t n = recv(fd, buffer + got, size - got, 0);
    if (n <= 0) return false;
    got += static_cast<int>(n);
  }
  return true;
}

void tcpEcho(int listener) {
  int c = accept(listener, nullptr, nullptr);
  int on = 1;
  setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  char buffer[kSize];
  while (readAll(c, buffer, kSize)) {
    if (buffer[8] == 1 || buffer[8] == 2) send(c, buffer, kSize, 0);
    if (buffer[8] == 3) break;
  }
  close(c);
}

Figures tcpRun(uint16_t port) {
  int c = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  while (connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) usleep(1000);
  int on = 1;
  setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  std::vector<char> ping = message(1, 2, 1), quiet = message(1, 2, 4), last = message(1, 2, 2), done = message(1, 2, 3);
  char buffer[kSize];
  std::vector<double> trips;
  for (int i = 0; i < kRoundTrips; ++i) {
    Clock::time_point t0 = Clock::now();
    send(c, ping.data(), kSize, 0);
    readAll(c, buffer, kSize);
    trips.push_back(micros(t0, Clock::now()));
  }
  Clock::time_point t0 = Clock::now();
  for (int i = 0; i < kStream - 1; ++i) send(c, quiet.data(), kSize, 0);
  send(c, last.data(), kSize, 0);
  readAll(c, buffer, kSize);
  double seconds = micros(t0, Clock::now()) / 1e6;
  send(c, done.data(), kSize, 0);
  close(c);
  return summarise(trips, seconds);
}

}  // namespace

int main() {
  std::printf("%d-byte guaranteed messages between two processes on loopback; %d round trips, %d one way\n", kSize,
              kRoundTrips, kStream);

  uint16_t tcpPort = freePort();
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(tcpPort);
  bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listener, 1);
  pid_t child = fork();
  if (child == 0) {
    tcpEcho(listener);
    _exit(0);
  }
  close(listener);
  Figures tcp = tcpRun(tcpPort);
  waitpid(child, nullptr, 0);

  uint16_t sessionPort = freePort();
  child = fork();
  if (child == 0) {
    sessionEcho(sessionPort);
    _exit(0);
  }
  Figures session = sessionRun(sessionPort);
  waitpid(child, nullptr, 0);

  report("plain TCP", tcp);
  report("session layer", session);
  std::printf("session/TCP: latency (median) %.2fx, messages/s %.2fx\n", session.medianUs / tcp.medianUs,
              session.perSecond / tcp.perSecond);
  return 0;
}
