// Multiplayer sessions between vxrun programs on loopback: players
// arriving and leaving, messages to one and to all, the host leaving and
// another taking over, and a session lost with its host.

#include <gtest/gtest.h>
#include <signal.h>

#include "net_peer.h"

using namespace vxtest;

TEST(Multiplayer, ASessionOfOneProgram) {
  ProgramRun run = start("net_local", {"VX_NET_PORT=" + std::to_string(freePort())}).get();
  EXPECT_EQ(run.out,
            "2\n<all>\n<unknown>\n0\n-1\n0\n"
            "1\n1\n0\nDuo\n"
            // to all and to a local player go nowhere but succeed; a sender
            // that is not a local player and an unknown receiver fail
            "1\n1\n0\n0\n0\n"
            "<unknown>\n0\n<unknown>\n"
            "0\n2\n");
  EXPECT_EQ(run.err, "Program has ended\n");
}

TEST(Multiplayer, ThreeProgramsMeetTalkAndCarryOnWithoutTheirHost) {
  ScratchDir dir;
  std::vector<std::string> env = {"VX_TEST_DIR=" + dir.path(), "VX_NET_PORT=" + std::to_string(freePort())};
  auto with = [&](const char* role) {
    std::vector<std::string> e = env;
    e.push_back(std::string("VX_ROLE=") + role);
    return e;
  };
  auto host = start("net_game", with("host"));
  auto joe = start("net_game", with("joe"));
  auto jim = start("net_game", with("jim"));
  ProgramRun h = host.get(), j1 = joe.get(), j2 = jim.get();

  // The host hears of both joiners' players and of their messages to its
  // player, never of its own message to all, nor of a message of type 0.
  std::vector<std::string> hostLines = linesOf(h.out);
  ASSERT_GE(hostLines.size(), 7u) << h.out;
  EXPECT_EQ(hostLines[0], "2");
  EXPECT_EQ(hostLines[1], "1");
  EXPECT_EQ(hostLines[2], "100 Joe all ");
  EXPECT_EQ(hostLines[3], "100 Jim all ");
  EXPECT_EQ(hostLines[4], "1");
  EXPECT_TRUE(hasLine(h.out, "8 Joe Hal hi host")) << h.out;
  EXPECT_TRUE(hasLine(h.out, "10 Jim Hal ready")) << h.out;
  EXPECT_EQ(hostLines.back(), "leaving");
  EXPECT_EQ(h.out.find("hello all"), std::string::npos);
  EXPECT_EQ(h.out.find("type zero"), std::string::npos);
  EXPECT_EQ(h.err, "Program has ended\n");

  // The second joiner hears of the players already there before anything
  // else; it sees the host go but does not become the host.
  std::vector<std::string> jimLines = linesOf(j2.out);
  ASSERT_GE(jimLines.size(), 3u) << j2.out;
  EXPECT_EQ(jimLines[0], "1");
  EXPECT_EQ(jimLines[1], "100 Hal all ");
  EXPECT_EQ(jimLines[2], "100 Joe all ");
  EXPECT_TRUE(hasLine(j2.out, "7 Hal all hello all")) << j2.out;
  EXPECT_TRUE(hasLine(j2.out, "101 Hal all ")) << j2.out;
  EXPECT_TRUE(hasLine(j2.out, "9 Joe all still here")) << j2.out;
  EXPECT_EQ(j2.out.find("102"), std::string::npos) << j2.out;
  EXPECT_EQ(j2.out.find("hi host"), std::string::npos) << j2.out;
  EXPECT_EQ(j2.err, "Program has ended\n");

  // The first joiner takes over when the host leaves, after hearing its
  // player leave; then hears the second joiner's player leave.
  std::vector<std::string> joeLines = linesOf(j1.out);
  ASSERT_GE(joeLines.size(), 4u) << j1.out;
  EXPECT_EQ(joeLines[0], "1");
  EXPECT_EQ(joeLines[1], "100 Hal all ");
  EXPECT_EQ(joeLines[2], "0");
  EXPECT_TRUE(hasLine(j1.out, "100 Jim all ")) << j1.out;
  EXPECT_TRUE(hasLine(j1.out, "7 Hal all hello all")) << j1.out;
  std::string tail = j1.out.substr(j1.out.find("101 Hal all "));
  EXPECT_EQ(tail, "101 Hal all \n102 - all \n2\n101 Jim all \n") << j1.out;
  EXPECT_EQ(j1.err, "Program has ended\n");
}

TEST(Multiplayer, AJoinerLosesTheSessionWhenItsHostDies) {
  ScratchDir dir;
  std::vector<std::string> env = {"VX_TEST_DIR=" + dir.path(), "VX_NET_PORT=" + std::to_string(freePort())};
  RunOptions killed;
  killed.signalWhenSeen = "seen";
  killed.signalToSend = SIGKILL;
  std::vector<std::string> hostEnv = env, joinEnv = env;
  hostEnv.push_back("VX_ROLE=doomed");
  joinEnv.push_back("VX_ROLE=bereft");
  auto host = start("net_game", hostEnv, killed);
  auto joiner = start("net_game", joinEnv);
  ProgramRun h = host.get(), j = joiner.get();
  EXPECT_EQ(h.signal, SIGKILL);
  // Its player leaves with it, the session is lost, and sends fail.
  EXPECT_EQ(j.out, "1\n100 Hal all \n101 Hal all \n200 - all \n0\n") << j.out;
  EXPECT_EQ(j.err, "Program has ended\n");
}
