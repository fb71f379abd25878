#pragma once
// Multiplayer sessions over ENet: one program hosts a named session, others
// find it (at an address, or by broadcast on the local network) and join it.
// Every program of a session holds a connection to every other (a mesh), so
// a message goes straight from its sender to its receiver, and the session
// survives its host: when the host leaves, the program that joined first
// becomes the host and hears of it.
//
// Players belong to the program that created them; their ids carry that
// program's id in the upper 16 bits. A program only hears of players and
// messages from the program that owns them, so no program can speak for
// another's players.
//
// A session runs a service thread of its own that keeps the connections
// alive while the program is busy elsewhere; every operation here may be
// called from the program's thread at any time.
//
// On the wire, everything that arrives is checked before it is used:
// packets are parsed with bounds checks and dropped when truncated,
// oversized, of an unknown kind or from a connection that has not proven it
// belongs to the session; the queue of received events has a byte limit.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vx {

struct NetPlayer {
  int32_t id;
  std::string name;
  bool local;  // created by this program
};

// A session that answered a search.
struct NetSessionInfo {
  std::string name;
  uint32_t address;  // host order
  uint16_t port;
  uint64_t instance;
};

struct NetEvent {
  enum Kind { PlayerCreated, PlayerDestroyed, BecameHost, SessionLost, Message };
  Kind kind = Message;
  int32_t player = 0;  // PlayerCreated, PlayerDestroyed
  std::string name;    // PlayerCreated
  // Message: the 9-byte header (sender player, receiver player or 0 for
  // all, type) followed by the text, as the sender gave it.
  std::vector<char> data;
};

class NetSession {
 public:
  static constexpr uint16_t kDefaultPort = 2350;
  static constexpr int kHeaderSize = 9;
  static constexpr size_t kMaxMessage = 1 << 20;    // header and text
  static constexpr size_t kMaxNameBytes = 1024;     // session and player names
  static constexpr size_t kMaxQueuedBytes = 16 << 20;
  static constexpr int kMaxPrograms = 64;
  static constexpr int kMaxPlayersPerProgram = 1024;

  // The port sessions are hosted and searched at: VX_NET_PORT when it is
  // set to a port, else kDefaultPort.
  static uint16_t sessionPort();
  // The connections a session can be made over, by name.
  static std::vector<std::string> connections();

  // Asks address (0: every host of the local network, by broadcast) for its
  // sessions, for up to waitMs milliseconds; with exactName, stops at the
  // first session of that name.
  static std::vector<NetSessionInfo> find(uint32_t address, uint16_t port, int32_t waitMs,
                                          const std::string* exactName = nullptr);
  // Null when the port cannot be had.
  static std::unique_ptr<NetSession> host(const std::string& name, uint16_t port);
  // Null when the host does not take this program in time.
  static std::unique_ptr<NetSession> join(const NetSessionInfo& session);
  // Leaves the session: the others hear of this program's players leaving.
  ~NetSession();
  NetSession(const NetSession&) = delete;
  NetSession& operator=(const NetSession&) = delete;

  // A new local player's id, or 0 (session lost, too many players).
  int32_t createPlayer(const std::string& name);
  // False when the id is not a local player.
  bool destroyPlayer(int32_t id);
  // Every player known here, in order of arrival.
  std::vector<NetPlayer> players();
  // Sends a message (header and text) from a local player to one player or,
  // with receiver 0, to every other program. False when the sender is not
  // a local player, the receiver is unknown, the message is too large or the
  // session is lost.
  bool send(const char* message, size_t size, bool reliable);
  // Takes the next event; false when none is waiting.
  bool receive(NetEvent& event);
  bool isHost();

  struct State;

 private:
  explicit NetSession(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace vx
