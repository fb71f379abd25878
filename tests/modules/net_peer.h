#pragma once
// What the network tests share: free ports on loopback, programs started
// side by side, and the lines of their output.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "program_run.h"

namespace vxtest {

inline sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  return a;
}

// A port that nothing is bound to now, for TCP and UDP both.
inline int freePort() {
  for (;;) {
    int u = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t length = sizeof a;
    bind(u, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(u, reinterpret_cast<sockaddr*>(&a), &length);
    int t = socket(AF_INET, SOCK_STREAM, 0);
    bool free = bind(t, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(t);
    close(u);
    if (free) return ntohs(a.sin_port);
  }
}

// True once something listens at the TCP port (binding it fails), without
// connecting to it.
inline bool waitForListener(int port, int timeoutMs = 10000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    int t = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(port);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    bool taken = bind(t, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0;
    close(t);
    if (taken) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Starts a test program with VX_DEBUG=1 and more environment; its result
// comes when it has ended.
inline std::future<ProgramRun> start(const std::string& program, std::vector<std::string> environment,
                                     RunOptions options = {}) {
  environment.push_back("VX_DEBUG=1");
  options.environment.insert(options.environment.end(), environment.begin(), environment.end());
  return std::async(std::launch::async, [program, options] { return runProgram({vxrunPath(), modulePath(program)}, options); });
}

inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline bool hasLine(const std::string& text, const std::string& line) {
  for (const std::string& l : linesOf(text))
    if (l == line) return true;
  return false;
}

}  // namespace vxtest
