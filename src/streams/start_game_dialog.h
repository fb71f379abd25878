#pragma once
// The "Start Multiplayer Game" dialog: a modal dialog drawn over the front
// buffer of the runtime window with the runtime's own canvas and default
// font, driven by keyboard and mouse. The player picks a connection, then
// joins one of the games in progress on the local network (found again
// every second) by double-clicking it or pressing Enter on it, or names and
// creates a new game. What was under the dialog is put back when it closes.
//
// Keys: Tab and Shift+Tab move between the controls; the arrow keys choose
// a connection or a game; Enter joins the chosen game, creates the game
// from the name field or presses the focused button; Escape cancels.

#include <cstdint>
#include <memory>

#include "streams/net_session.h"

namespace vx {

struct StartGameChoice {
  enum Result : int32_t { kCancelled = 0, kJoined = 1, kCreated = 2 };
  Result result = kCancelled;
  std::unique_ptr<NetSession> session;  // the game joined or created
};

// Runs the dialog until a game is joined or created, or the player
// cancels; also ends, cancelled, when the program is ended meanwhile.
StartGameChoice runStartGameDialog();

}  // namespace vx
