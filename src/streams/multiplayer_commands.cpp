#include "streams/multiplayer_commands.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform_runtime.h"
#include "streams/net_session.h"
#include "streams/start_game_dialog.h"
#include "streams/tcp_stream.h"

namespace vx {

namespace {

constexpr int32_t kPlayerJoinedType = 100;
constexpr int32_t kPlayerLeftType = 101;
constexpr int32_t kBecameHostType = 102;
constexpr int32_t kSessionLostType = 200;
constexpr int32_t kSearchMs = 1500;

struct PlayerRecord {
  int32_t id;
  std::string name;
  bool remote;
};

struct CurrentMessage {
  int32_t type = 0;
  int32_t from = -1;
  int32_t to = 0;
  std::string data;
};

std::unique_ptr<NetSession> game;
bool isHost = false;
std::vector<PlayerRecord> players;
std::deque<int32_t> newPlayers;
CurrentMessage current;
std::vector<char> sendBuffer;

PlayerRecord* recordOf(int32_t id) {
  for (PlayerRecord& p : players)
    if (p.id == id) return &p;
  return nullptr;
}

void forget(int32_t id) {
  newPlayers.erase(std::remove(newPlayers.begin(), newPlayers.end(), id), newPlayers.end());
  players.erase(std::remove_if(players.begin(), players.end(), [&](const PlayerRecord& p) { return p.id == id; }),
                players.end());
}

void addRemote(int32_t id, std::string name) {
  if (recordOf(id)) return;
  players.push_back({id, std::move(name), true});
  newPlayers.push_back(id);
}

// Every player of the session not known yet is a remote one still to be
// reported.
void takeSessionPlayers() {
  for (NetPlayer& p : game->players())
    if (!p.local) addRemote(p.id, std::move(p.name));
}

void requireNoGame() {
  if (game) raiseError("Multiplayer game already started");
}

void requireGame() {
  if (!game) raiseError("Multiplayer game not started");
}

int32_t started(std::unique_ptr<NetSession> session, int32_t result) {
  if (!session) return 0;
  game = std::move(session);
  players.clear();
  newPlayers.clear();
  takeSessionPlayers();
  isHost = result == StartGameChoice::kCreated;
  return result;
}

int32_t hostNetGame(StrArg name) {
  requireNoGame();
  return started(NetSession::host(name.str(), NetSession::sessionPort()), StartGameChoice::kCreated);
}

int32_t startNetGame() {
  requireNoGame();
  idleOrEnd();
  StartGameChoice choice = runStartGameDialog();
  PlatformRuntime::requestResume();
  idleOrEnd();
  return started(std::move(choice.session), choice.result);
}

// An empty address searches the local network.
int32_t joinNetGame(StrArg name, StrArg address) {
  requireNoGame();
  uint32_t host = 0;
  if (!address.empty() && !resolveHost(address.c_str(), &host)) return 0;
  std::string wanted = name.str();
  for (const NetSessionInfo& info : NetSession::find(host, NetSession::sessionPort(), kSearchMs, &wanted))
    if (info.name == wanted) return started(NetSession::join(info), StartGameChoice::kJoined);
  return 0;
}

void stopNetGame() {
  game.reset();
  players.clear();
  newPlayers.clear();
}

int32_t createNetPlayer(StrArg name) {
  requireGame();
  int32_t id = game->createPlayer(name.str());
  if (id == 0) return 0;
  players.push_back({id, name.str().substr(0, NetSession::kMaxNameBytes), false});
  if (players.size() == 1) takeSessionPlayers();
  return id;
}

void deleteNetPlayer(int32_t id) {
  requireGame();
  if (!recordOf(id)) return;
  game->destroyPlayer(id);
  forget(id);
}

RuntimeString* netPlayerName(int32_t id) {
  if (id == 0) return newString("<all>");
  PlayerRecord* p = recordOf(id);
  return newString(p ? p->name : "<unknown>");
}

int32_t netPlayerLocal(int32_t id) {
  PlayerRecord* p = recordOf(id);
  return p && !p->remote ? 1 : 0;
}

int32_t sendNetMsg(int32_t type, StrArg text, int32_t from, int32_t to, int32_t reliable) {
  requireGame();
  size_t needed = NetSession::kHeaderSize + text.size();
  if (sendBuffer.size() < needed) sendBuffer.resize(needed + needed / 2);
  std::memcpy(sendBuffer.data(), &from, 4);
  std::memcpy(sendBuffer.data() + 4, &to, 4);
  sendBuffer[8] = static_cast<char>(type & 0xFF);
  if (!text.empty()) std::memcpy(sendBuffer.data() + NetSession::kHeaderSize, text.view().data(), text.size());
  return game->send(sendBuffer.data(), needed, reliable != 0) ? 1 : 0;
}

int32_t recvNetMsg() {
  requireGame();
  current = CurrentMessage();
  while (current.type == 0) {
    if (!newPlayers.empty()) {
      current.from = newPlayers.front();
      newPlayers.pop_front();
      current.type = kPlayerJoinedType;
      break;
    }
    NetEvent event;
    if (!game->receive(event)) return 0;
    switch (event.kind) {
      case NetEvent::Message: {
        int32_t from, to;
        std::memcpy(&from, event.data.data(), 4);
        std::memcpy(&to, event.data.data() + 4, 4);
        PlayerRecord* sender = recordOf(from);
        if (sender && !sender->remote) break;
        current.from = from;
        current.to = to;
        current.type = static_cast<uint8_t>(event.data[8]);
        current.data.assign(event.data.begin() + NetSession::kHeaderSize, event.data.end());
        break;
      }
      case NetEvent::PlayerCreated:
        addRemote(event.player, std::move(event.name));
        break;
      case NetEvent::PlayerDestroyed:
        if (!recordOf(event.player)) break;
        forget(event.player);
        current.from = event.player;
        current.type = kPlayerLeftType;
        return 1;
      case NetEvent::SessionLost:
        current.type = kSessionLostType;
        return 1;
      case NetEvent::BecameHost:
        if (isHost) break;
        isHost = true;
        current.type = kBecameHostType;
        return 1;
    }
  }
  return 1;
}

int32_t netMsgType() { return current.type; }
int32_t netMsgFrom() { return current.from; }
int32_t netMsgTo() { return current.to; }
RuntimeString* netMsgData() { return newString(current.data); }

bool create() {
  sendBuffer.assign(1024, 0);
  current = CurrentMessage();
  return true;
}

void destroy() {
  stopNetGame();
  sendBuffer.clear();
  sendBuffer.shrink_to_fit();
}

void link(Registry& r) {
  r.command<"%StartNetGame", startNetGame>();
  r.command<"%HostNetGame$game_name", hostNetGame>();
  r.command<"%JoinNetGame$game_name$ip_address", joinNetGame>();
  r.command<"StopNetGame", stopNetGame>();
  r.command<"%CreateNetPlayer$name", createNetPlayer>();
  r.command<"DeleteNetPlayer%player", deleteNetPlayer>();
  r.command<"$NetPlayerName%player", netPlayerName>();
  r.command<"%NetPlayerLocal%player", netPlayerLocal>();
  r.command<"%SendNetMsg%type$msg%from_player%to_player=0%reliable=1", sendNetMsg>();
  r.command<"%RecvNetMsg", recvNetMsg>();
  r.command<"%NetMsgType", netMsgType>();
  r.command<"%NetMsgFrom", netMsgFrom>();
  r.command<"%NetMsgTo", netMsgTo>();
  r.command<"$NetMsgData", netMsgData>();
}

}  // namespace

const RuntimeModule multiplayModule{"multiplay", create, destroy, link};

}  // namespace vx
