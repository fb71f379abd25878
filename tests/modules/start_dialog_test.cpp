// The start dialog of multiplayer games, driven by recorded keys: the
// connection chosen with the arrow keys, Tab between the controls, a game
// created under the name typed, a game found on the local network joined,
// the request for a name, and Escape cancelling.

#include <fstream>

#include <gtest/gtest.h>

#include "net_peer.h"

using namespace vxtest;

namespace {

constexpr int kDown = 208, kTab = 15, kEnter = 28, kEscape = 1, kD = 32, kE = 18, kN = 49;

// Key presses from atMs on, 60 ms apart; a code of 0 waits one step more.
std::string keys(int atMs, std::initializer_list<int> codes) {
  std::string events;
  for (int code : codes) {
    if (code) {
      events += std::to_string(atMs) + " key_down " + std::to_string(code) + "\n";
      events += std::to_string(atMs + 20) + " key_up " + std::to_string(code) + "\n";
    }
    atMs += 60;
  }
  return events;
}

struct Dialog {
  ScratchDir dir;
  std::vector<std::string> env;
  explicit Dialog(const std::string& playback) {
    std::string file = dir.path() + "/playback.txt";
    std::ofstream(file) << playback;
    env = {"VX_NET_PORT=" + std::to_string(freePort()), "VX_INPUT_PLAYBACK=" + file};
  }
  std::vector<std::string> as(const char* role) const {
    std::vector<std::string> e = env;
    e.push_back(std::string("VX_ROLE=") + role);
    return e;
  }
};

// A double click of the left button at a point of the window.
std::string doubleClick(int atMs, int x, int y) {
  std::string events = std::to_string(atMs) + " motion " + std::to_string(x) + " " + std::to_string(y) + "\n";
  for (int t : {atMs + 20, atMs + 120}) {
    events += std::to_string(t) + " button_down 1\n";
    events += std::to_string(t + 30) + " button_up 1\n";
  }
  return events;
}

}  // namespace

TEST(StartDialog, AsksForANameAndCancelsOnEscape) {
  // Create with an empty name, then cancel; choosing no connection leaves
  // only the connection list and Cancel to Tab between.
  Dialog d(keys(1000, {kDown, kTab, kTab, kEnter, kEscape}));
  ProgramRun run = start("net_dialog", d.as("dialog")).get();
  EXPECT_EQ(run.out, "0\n");
  EXPECT_EQ(run.err, "DirectPlay Request: Please enter a name for the new game\nProgram has ended\n");
}

TEST(StartDialog, CreatesAGameUnderTheNameTyped) {
  // Keys without shift type lower case.
  Dialog d(keys(1000, {kDown, kTab, kTab, kD, kE, kN, kEnter}));
  auto creator = start("net_dialog", d.as("dialog"));
  auto joiner = start("net_dialog", d.as("joiner"));
  ProgramRun c = creator.get(), j = joiner.get();
  EXPECT_EQ(c.out, "2\nJim\n");
  EXPECT_EQ(c.err, "Program has ended\n");
}

TEST(StartDialog, JoinsAGameFoundOnTheLocalNetwork) {
  // The games list is searched a second after the connection is chosen.
  Dialog d(keys(1000, {kDown}) + keys(3500, {kTab, kEnter}));
  auto host = start("net_dialog", d.as("host"));
  ProgramRun joined = start("net_dialog", d.as("dialog")).get();
  ProgramRun h = host.get();
  EXPECT_EQ(joined.out, "1\nHal\n");
  EXPECT_EQ(h.out, "2\nJoe\n");
}

TEST(StartDialog, JoinsAGameDoubleClicked) {
  // The first row of the games list, in the dialog centred in the
  // 400 x 300 window.
  Dialog d(keys(1000, {kDown}) + doubleClick(3500, 150, 121));
  auto host = start("net_dialog", d.as("host"));
  ProgramRun joined = start("net_dialog", d.as("dialog")).get();
  ProgramRun h = host.get();
  EXPECT_EQ(joined.out, "1\nHal\n");
  EXPECT_EQ(h.out, "2\nJoe\n");
}
