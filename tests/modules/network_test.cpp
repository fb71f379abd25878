// TCP and UDP streams between programs and test peers on loopback, and
// the errors of the network commands.

#include <gtest/gtest.h>
#include <sys/socket.h>

#include "net_peer.h"

using namespace vxtest;

TEST(TcpPrograms, ServerAndClientExchangeValuesAndSeeTheEnd) {
  int port = freePort();
  std::string env = "VX_PORT=" + std::to_string(port);
  auto server = start("net_tcp", {"VX_ROLE=server", env});
  ASSERT_TRUE(waitForListener(port));
  auto client = start("net_tcp", {"VX_ROLE=client", env, "VX_CLOSED_PORT=" + std::to_string(freePort())});
  ProgramRun c = client.get();
  ProgramRun s = server.get();
  EXPECT_EQ(c.out, "0\n1\n1\n2130706433\nl:pong\n-2\ndone\n");
  EXPECT_EQ(c.err, "Program has ended\n");
  // Connection, values, lines, the end after the last line, reads past it.
  EXPECT_EQ(s.out,
            "1\n0\n0\nlistening\n1\n2130706433\n127.0.0.1\n16909060\n1.2.3.4\n255.255.255.255\n65534\n2.5\n"
            "s:hello\nl:a line\nl:bye\n"
            "1\n0\n1\nclosed\n");
  EXPECT_EQ(s.err, "TCP Stream does not exist\n");
}

namespace {

int listenAt(int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a = loopback(port);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(s, 4);
  return s;
}

}  // namespace

TEST(TcpPrograms, ReadsRunOutOfTimeAndResetConnectionsFailWithoutEndingTheProgram) {
  int port = freePort();
  int listener = listenAt(port);
  std::thread peer([listener] {
    int first = accept(listener, nullptr, nullptr);
    send(first, "\x34\x12", 2, 0);
    int second = accept(listener, nullptr, nullptr);
    linger hard{1, 0};
    setsockopt(second, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(second);
    close(first);
  });
  ProgramRun run = start("net_tcp", {"VX_ROLE=peer", "VX_PORT=" + std::to_string(port)}).get();
  peer.join();
  close(listener);
  // Two bytes of four arrive: they count, the rest reads as 0, the stream
  // has failed and reads nothing more.
  EXPECT_EQ(run.out, "1\n4660\n1\n-1\n0\n0\n1\n-1\nalive\n");
  EXPECT_EQ(run.err, "Program has ended\n");
}

TEST(UdpProgram, MessagesAreCollectedSentWholeAndReadFromTheLastReceived) {
  ProgramRun run = start("net_udp", {}).get();
  EXPECT_EQ(run.out,
            "1\n1\n0\n0\n1\n1\n"
            "0\n1\n"
            "2130706433\n2130706433\n1\n11\n0\n-2\nhi\n7\n1\n0\n"
            "1\n0\n1\n"
            "1\n1\nto myself\n"
            "1\n3\n0\n"
            "1\n2130706433\n1\n167838211\n"
            "closed\n");
  EXPECT_EQ(run.err, "UDP Stream does not exist\n");
}

TEST(NetworkChecks, HandlesIndexesAndGameStateAreChecked) {
  struct Case {
    int which;
    bool debug;
    const char* out;
    const char* err;
  } cases[] = {
      {1, true, "", "Host index out of range\n"},
      {1, false, "0\n", ""},
      {10, false, "0\n", ""},
      {2, true, "", "TCP Stream does not exist\n"},
      {2, false, "0\n", ""},
      {3, true, "", "TCP Server does not exist\n"},
      {4, true, "", "UDP Stream does not exist\n"},
      {5, true, "", "Multiplayer game not started\n"},
      {5, false, "", "Error!: Multiplayer game not started\n"},
      {6, true, "", "Multiplayer game not started\n"},
      {7, true, "", "Multiplayer game not started\n"},
      {8, true, "", "Multiplayer game not started\n"},
      {9, true, "2\n", "Multiplayer game already started\n"},
  };
  for (const Case& c : cases) {
    RunOptions options;
    options.environment = {"VX_CASE=" + std::to_string(c.which), "VX_NET_PORT=" + std::to_string(freePort())};
    if (c.debug) options.environment.push_back("VX_DEBUG=1");
    ProgramRun run = runProgram({vxrunPath(), modulePath("net_checks")}, options);
    EXPECT_EQ(run.exitStatus, c.err[0] ? 1 : 0) << c.which;
    // Without the debugger nothing is logged.
    if (c.debug) {
      EXPECT_EQ(run.out, c.out) << c.which;
    }
    EXPECT_EQ(run.err, c.err) << c.which << (c.debug ? " debugging" : "");
  }
}
