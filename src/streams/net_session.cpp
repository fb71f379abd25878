#include "streams/net_session.h"

#include <arpa/inet.h>
#include <enet/enet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <list>
#include <mutex>
#include <random>
#include <thread>

#include "runtime/stop_signals.h"
#include "streams/tcp_stream.h"

namespace vx {

namespace {

using Clock = std::chrono::steady_clock;

// Packets between the programs of a session. Each starts with its kind.
enum PacketKind : uint8_t {
  kJoin = 1,      // joiner to host: protocol, session instance
  kWelcome,       // host to joiner: its program id, token, host and highest ids, members, host's players
  kMember,        // host to members: a joiner's id, token and address
  kHello,         // joiner to member: session instance, its id, token
  kPlayers,       // member to joiner, answering its hello: the member's players
  kPlayerAdd,     // owner to all: id, name
  kPlayerRemove,  // owner to all: id
  kMessage,       // sender to receivers: header and text
  kLeave,         // a program leaving on purpose
};

constexpr uint32_t kProtocol = 0x314E5856;  // "VXN1"
// Searches are plain datagrams to the session port, answered beside ENet's
// own traffic on the same socket.
constexpr char kQueryMagic[4] = {'V', 'X', 'N', 'Q'};
constexpr char kReplyMagic[4] = {'V', 'X', 'N', 'R'};
constexpr size_t kQuerySize = 16;
constexpr int kUnprovenMs = 5000;  // a connection that has not shown it belongs goes after this
constexpr int kJoinMs = 5000;
constexpr int kHighestProgram = 32767;  // program ids fill the upper half of a player id
constexpr uint32_t kTimeoutMinimumMs = 1000;
constexpr uint32_t kTimeoutMaximumMs = 3000;

class Writer {
 public:
  template <typename T>
  Writer& put(T value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    bytes_.insert(bytes_.end(), p, p + sizeof value);
    return *this;
  }
  Writer& raw(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
    return *this;
  }
  Writer& text(const std::string& s) {
    put<uint16_t>(static_cast<uint16_t>(s.size()));
    return raw(s.data(), s.size());
  }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads what a peer sent; any read past the end marks the whole packet bad.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : p_(data), left_(size) {}
  template <typename T>
  T get() {
    T value{};
    if (left_ < sizeof value) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, p_, sizeof value);
    p_ += sizeof value;
    left_ -= sizeof value;
    return value;
  }
  std::string text(size_t largest) {
    uint16_t length = get<uint16_t>();
    if (!ok_ || length > left_ || length > largest) {
      ok_ = false;
      return {};
    }
    std::string s(reinterpret_cast<const char*>(p_), length);
    p_ += length;
    left_ -= length;
    return s;
  }
  const uint8_t* rest() const { return p_; }
  size_t left() const { return left_; }
  bool ok() const { return ok_; }
  bool done() const { return ok_ && left_ == 0; }

 private:
  const uint8_t* p_;
  size_t left_;
  bool ok_ = true;
};

NetEvent eventOf(NetEvent::Kind kind) {
  NetEvent e;
  e.kind = kind;
  return e;
}

int32_t ownerOf(int32_t player) { return player >> 16; }

uint32_t randomWord() {
  static std::random_device device;
  return device();
}

void startEnet() {
  static const bool started = enet_initialize() == 0;
  (void)started;
}

struct Player {
  int32_t id;
  std::string name;
  int32_t owner;
};

// One connection to another program, or to one that says it wants to be.
struct Member {
  ENetPeer* peer = nullptr;
  int32_t program = 0;
  bool proven = false;
  bool outgoing = false;      // this program connected: to the host when joining, or to a member
  uint32_t token = 0;         // outgoing to a member: the token the host gave for the hello
  int32_t claimedProgram = 0;  // incoming: a hello that the host has not announced yet
  uint32_t claimedToken = 0;
  Clock::time_point since = Clock::now();
};

struct Expected {
  int32_t program;
  uint32_t token;
};

}  // namespace

struct NetSession::State {
  enum class Join { None, Connecting, Welcomed, Done, Failed };

  std::mutex lock;
  std::condition_variable changed;
  std::thread service;
  bool stopping = false;
  // [0] carries the mesh; a program that becomes host later also listens at
  // the session port with [1], so that it can be found and joined there.
  std::vector<ENetHost*> hosts;
  std::string name;
  uint64_t instance = 0;
  uint16_t port = 0;
  int32_t self = 0;
  int32_t hostProgram = 0;
  int32_t highestProgram = 0;
  int32_t nextLocalPlayer = 1;
  bool lost = false;
  std::list<Member> members;
  std::vector<Expected> expected;
  std::vector<Player> players;
  std::deque<NetEvent> events;
  size_t queuedBytes = 0;
  Join join = Join::None;
  Member* joinHost = nullptr;
  int awaiting = 0;

  ~State() {
    for (ENetHost* h : hosts) enet_host_destroy(h);
  }

  bool adopt(ENetHost* h) {
    if (!h) return false;
    h->maximumPacketSize = NetSession::kMaxMessage + 64;
    h->maximumWaitingData = 4 * (NetSession::kMaxMessage + 64);
    h->intercept = intercept;
    hosts.push_back(h);
    return true;
  }

  static Member* memberOf(ENetPeer* peer) { return static_cast<Member*>(peer->data); }

  Member& addMember(ENetPeer* peer) {
    members.emplace_back();
    Member& m = members.back();
    m.peer = peer;
    peer->data = &m;
    enet_peer_timeout(peer, 0, kTimeoutMinimumMs, kTimeoutMaximumMs);
    return m;
  }

  void eraseMember(Member& m) {
    if (m.peer) m.peer->data = nullptr;
    if (joinHost == &m) joinHost = nullptr;
    members.remove_if([&](const Member& other) { return &other == &m; });
  }

  Member* provenMember(int32_t program) {
    for (Member& m : members)
      if (m.proven && m.program == program) return &m;
    return nullptr;
  }

  Player* findPlayer(int32_t id) {
    for (Player& p : players)
      if (p.id == id) return &p;
    return nullptr;
  }

  int playersOf(int32_t owner) {
    return static_cast<int>(std::count_if(players.begin(), players.end(), [&](const Player& p) { return p.owner == owner; }));
  }

  void queue(NetEvent&& event) {
    size_t size = event.data.size() + event.name.size();
    if (event.kind == NetEvent::Message && queuedBytes + size > NetSession::kMaxQueuedBytes) return;
    queuedBytes += size;
    events.push_back(std::move(event));
  }

  void send(Member& m, const Writer& w, bool reliable) {
    ENetPacket* packet = enet_packet_create(w.data(), w.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (packet && enet_peer_send(m.peer, 0, packet) < 0) enet_packet_destroy(packet);
  }

  void sendToAll(const Writer& w, bool reliable) {
    for (Member& m : members)
      if (m.proven) send(m, w, reliable);
  }

  void flush() {
    for (ENetHost* h : hosts) enet_host_flush(h);
  }

  void writeLocalPlayers(Writer& w) {
    w.put<uint16_t>(static_cast<uint16_t>(playersOf(self)));
    for (const Player& p : players)
      if (p.owner == self) w.put<int32_t>(p.id).text(p.name);
  }

  // Reads a player list that owner sent; false when it is malformed or
  // names players that are not owner's.
  static bool readPlayers(Reader& r, int32_t owner, std::vector<Player>& out) {
    uint16_t count = r.get<uint16_t>();
    if (!r.ok() || count > NetSession::kMaxPlayersPerProgram) return false;
    for (uint16_t i = 0; i < count; ++i) {
      int32_t id = r.get<int32_t>();
      std::string name = r.text(NetSession::kMaxNameBytes);
      if (!r.ok() || ownerOf(id) != owner || (id & 0xFFFF) == 0) return false;
      out.push_back({id, std::move(name), owner});
    }
    return true;
  }

  void addPlayer(Player&& p) {
    if (findPlayer(p.id) || playersOf(p.owner) >= NetSession::kMaxPlayersPerProgram) return;
    if (p.owner != self) {
      NetEvent e = eventOf(NetEvent::PlayerCreated);
      e.player = p.id;
      e.name = p.name;
      queue(std::move(e));
    }
    players.push_back(std::move(p));
  }

  void removePlayer(int32_t id) {
    auto it = std::find_if(players.begin(), players.end(), [&](const Player& p) { return p.id == id; });
    if (it == players.end()) return;
    players.erase(it);
    NetEvent e = eventOf(NetEvent::PlayerDestroyed);
    e.player = id;
    queue(std::move(e));
  }

  // A program has gone: on purpose (it said so) or by losing its connection.
  void depart(Member& m, bool onPurpose) {
    if (&m == joinHost && join != Join::Done) join = Join::Failed;
    if (m.outgoing && !m.proven && join == Join::Welcomed && --awaiting == 0) join = Join::Done;
    if (!m.proven) {
      eraseMember(m);
      return;
    }
    int32_t program = m.program;
    eraseMember(m);
    std::vector<int32_t> gone;
    for (const Player& p : players)
      if (p.owner == program) gone.push_back(p.id);
    for (int32_t id : gone) removePlayer(id);
    if (join != Join::Done && join != Join::None) return;
    if (program != hostProgram) return;
    bool anyLeft = std::any_of(members.begin(), members.end(), [](const Member& other) { return other.proven; });
    if (!onPurpose && !anyLeft) {
      // The host went silent and nobody is left to carry the session on
      // with: this program has lost it.
      lost = true;
      queue(eventOf(NetEvent::SessionLost));
      return;
    }
    electHost();
  }

  // The program that joined first of those left becomes the host; every
  // program comes to the same choice by itself.
  void electHost() {
    int32_t chosen = self;
    for (const Member& m : members)
      if (m.proven && m.program < chosen) chosen = m.program;
    hostProgram = chosen;
    if (chosen != self) return;
    queue(eventOf(NetEvent::BecameHost));
    if (hosts.size() == 1 && hosts[0]->address.port != port) {
      ENetAddress at{ENET_HOST_ANY, port};
      adopt(enet_host_create(&at, NetSession::kMaxPrograms, 1, 0, 0));
    }
  }

  void prove(Member& m, int32_t program) {
    m.program = program;
    m.proven = true;
    expected.erase(std::remove_if(expected.begin(), expected.end(), [&](const Expected& e) { return e.program == program; }),
                   expected.end());
    Writer w;
    w.put<uint8_t>(kPlayers);
    writeLocalPlayers(w);
    send(m, w, true);
  }

  void onConnect(ENetPeer* peer) {
    Member* m = memberOf(peer);
    if (!m) {
      addMember(peer);
      return;
    }
    Writer w;
    if (m == joinHost) {
      w.put<uint8_t>(kJoin).put<uint32_t>(kProtocol).put<uint64_t>(instance);
    } else if (m->outgoing) {
      w.put<uint8_t>(kHello).put<uint64_t>(instance).put<int32_t>(self).put<uint32_t>(m->token);
    } else {
      return;
    }
    send(*m, w, true);
  }

  void onJoin(Member& m, Reader& r) {
    uint32_t protocol = r.get<uint32_t>();
    uint64_t asked = r.get<uint64_t>();
    int provenCount = static_cast<int>(std::count_if(members.begin(), members.end(), [](const Member& x) { return x.proven; }));
    if (!r.done() || protocol != kProtocol || asked != instance || hostProgram != self || lost ||
        provenCount + 1 >= NetSession::kMaxPrograms || highestProgram >= kHighestProgram) {
      enet_peer_disconnect(m.peer, 0);
      return;
    }
    int32_t program = ++highestProgram;
    uint32_t token = randomWord();
    Writer announce;
    announce.put<uint8_t>(kMember).put<int32_t>(program).put<uint32_t>(token).put<uint32_t>(m.peer->address.host)
        .put<uint16_t>(m.peer->address.port);
    sendToAll(announce, true);

    Writer welcome;
    welcome.put<uint8_t>(kWelcome).put<int32_t>(program).put<uint32_t>(token).put<int32_t>(self).put<int32_t>(highestProgram);
    welcome.put<uint16_t>(static_cast<uint16_t>(provenCount));
    for (const Member& other : members)
      if (other.proven)
        welcome.put<int32_t>(other.program).put<uint32_t>(other.peer->address.host).put<uint16_t>(other.peer->address.port);
    writeLocalPlayers(welcome);
    m.program = program;
    m.proven = true;
    send(m, welcome, true);
  }

  void onWelcome(Member& m, Reader& r) {
    int32_t program = r.get<int32_t>();
    uint32_t token = r.get<uint32_t>();
    int32_t host = r.get<int32_t>();
    int32_t highest = r.get<int32_t>();
    uint16_t count = r.get<uint16_t>();
    if (!r.ok() || count >= NetSession::kMaxPrograms || program <= 0 || program > kHighestProgram || host <= 0 ||
        host == program)
      return;
    struct Address {
      int32_t program;
      ENetAddress at;
    };
    std::vector<Address> others;
    for (uint16_t i = 0; i < count; ++i) {
      Address a;
      a.program = r.get<int32_t>();
      a.at.host = r.get<uint32_t>();
      a.at.port = r.get<uint16_t>();
      if (a.program <= 0 || a.program == program || a.program == host) return;
      others.push_back(a);
    }
    std::vector<Player> hostPlayers;
    if (!readPlayers(r, host, hostPlayers) || !r.done()) return;

    self = program;
    hostProgram = host;
    highestProgram = std::max({highest, program, host});
    m.program = host;
    m.proven = true;
    for (Player& p : hostPlayers) addPlayer(std::move(p));
    awaiting = 0;
    for (const Address& a : others) {
      ENetPeer* peer = enet_host_connect(hosts[0], &a.at, 1, 0);
      if (!peer) continue;
      Member& other = addMember(peer);
      other.outgoing = true;
      other.program = a.program;
      other.token = token;
      ++awaiting;
    }
    join = awaiting == 0 ? Join::Done : Join::Welcomed;
  }

  void onMember(Member& m, Reader& r) {
    int32_t program = r.get<int32_t>();
    uint32_t token = r.get<uint32_t>();
    r.get<uint32_t>();  // the address: for the joiner's own use
    r.get<uint16_t>();
    if (!r.done() || m.program != hostProgram || program <= 0 || program > kHighestProgram || program == self ||
        provenMember(program) || expected.size() >= static_cast<size_t>(NetSession::kMaxPrograms))
      return;
    highestProgram = std::max(highestProgram, program);
    for (Member& other : members) {
      if (!other.proven && !other.outgoing && other.claimedProgram == program && other.claimedToken == token) {
        prove(other, program);
        return;
      }
    }
    expected.push_back({program, token});
  }

  void onHello(Member& m, Reader& r) {
    uint64_t asked = r.get<uint64_t>();
    int32_t program = r.get<int32_t>();
    uint32_t token = r.get<uint32_t>();
    if (!r.done() || asked != instance || program <= 0 || program == self || provenMember(program) || m.claimedProgram) {
      enet_peer_disconnect(m.peer, 0);
      return;
    }
    for (const Expected& e : expected) {
      if (e.program == program && e.token == token) {
        prove(m, program);
        return;
      }
    }
    m.claimedProgram = program;
    m.claimedToken = token;
  }

  void onPlayers(Member& m, Reader& r) {
    std::vector<Player> list;
    if (!readPlayers(r, m.program, list) || !r.done()) return;
    m.proven = true;
    for (Player& p : list) addPlayer(std::move(p));
    if (join == Join::Welcomed && --awaiting == 0) join = Join::Done;
  }

  void onPlayerAdd(Member& m, Reader& r) {
    int32_t id = r.get<int32_t>();
    std::string playerName = r.text(NetSession::kMaxNameBytes);
    if (!r.done() || ownerOf(id) != m.program || (id & 0xFFFF) == 0) return;
    addPlayer({id, std::move(playerName), m.program});
  }

  void onPlayerRemove(Member& m, Reader& r) {
    int32_t id = r.get<int32_t>();
    Player* p = findPlayer(id);
    if (r.done() && p && p->owner == m.program) removePlayer(id);
  }

  // A message is taken only when its sender is a player of the program it
  // came from, and it is for this program: to all, or to a player here.
  void onMessage(Member& m, Reader& r) {
    if (r.left() < static_cast<size_t>(NetSession::kHeaderSize) || r.left() > NetSession::kMaxMessage) return;
    int32_t from, to;
    std::memcpy(&from, r.rest(), 4);
    std::memcpy(&to, r.rest() + 4, 4);
    Player* sender = findPlayer(from);
    if (!sender || sender->owner != m.program) return;
    if (to == 0 ? playersOf(self) == 0 : !(findPlayer(to) && ownerOf(to) == self)) return;
    NetEvent e = eventOf(NetEvent::Message);
    e.data.assign(reinterpret_cast<const char*>(r.rest()), reinterpret_cast<const char*>(r.rest()) + r.left());
    queue(std::move(e));
  }

  void onReceive(ENetPeer* peer, const ENetPacket* packet) {
    Member* m = memberOf(peer);
    if (!m || packet->dataLength == 0) return;
    Reader r(packet->data, packet->dataLength);
    uint8_t kind = r.get<uint8_t>();
    if (m->proven) {
      switch (kind) {
        case kMember: return onMember(*m, r);
        case kPlayerAdd: return onPlayerAdd(*m, r);
        case kPlayerRemove: return onPlayerRemove(*m, r);
        case kMessage: return onMessage(*m, r);
        case kLeave:
          enet_peer_disconnect(peer, 0);
          return depart(*m, true);
        default: return;
      }
    }
    if (m == joinHost && kind == kWelcome && join == Join::Connecting) return onWelcome(*m, r);
    if (m->outgoing && m != joinHost && kind == kPlayers) return onPlayers(*m, r);
    if (!m->outgoing && kind == kJoin) return onJoin(*m, r);
    if (!m->outgoing && kind == kHello) return onHello(*m, r);
    // Anything else from a connection that has not shown it belongs to the
    // session ends that connection.
    if (!m->outgoing) enet_peer_disconnect(peer, 0);
  }

  void serviceLocked() {
    current = this;
    for (size_t i = 0; i < hosts.size(); ++i) {
      ENetEvent e;
      while (enet_host_service(hosts[i], &e, 0) > 0) {
        switch (e.type) {
          case ENET_EVENT_TYPE_CONNECT: onConnect(e.peer); break;
          case ENET_EVENT_TYPE_RECEIVE:
            onReceive(e.peer, e.packet);
            enet_packet_destroy(e.packet);
            break;
          case ENET_EVENT_TYPE_DISCONNECT:
            if (Member* m = memberOf(e.peer)) depart(*m, false);
            break;
          default: break;
        }
      }
    }
    current = nullptr;
    Clock::time_point now = Clock::now();
    for (auto it = members.begin(); it != members.end();) {
      Member& m = *it++;
      if (!m.proven && !m.outgoing && now - m.since > std::chrono::milliseconds(kUnprovenMs)) {
        ENetPeer* peer = m.peer;
        eraseMember(m);
        enet_peer_disconnect_now(peer, 0);
      }
    }
    flush();
    changed.notify_all();
  }

  void run() {
    std::unique_lock<std::mutex> held(lock);
    while (!stopping) {
      std::vector<pollfd> fds;
      for (ENetHost* h : hosts) fds.push_back({h->socket, POLLIN, 0});
      held.unlock();
      poll(fds.data(), fds.size(), 10);
      held.lock();
      if (!stopping) serviceLocked();
    }
  }

  void start() {
    service = std::thread([this] { run(); });
  }

  void stop() {
    {
      std::lock_guard<std::mutex> held(lock);
      stopping = true;
    }
    if (service.joinable()) service.join();
  }

  // Tells everyone this program is going, and waits a little for the
  // connections to close.
  void leave() {
    Writer w;
    w.put<uint8_t>(kLeave);
    if (join == Join::Done || join == Join::None) sendToAll(w, true);
    for (Member& m : members) enet_peer_disconnect_later(m.peer, 0);
    flush();
    Clock::time_point until = Clock::now() + std::chrono::milliseconds(200);
    while (Clock::now() < until) {
      bool open = false;
      for (ENetHost* h : hosts) {
        ENetEvent e;
        while (enet_host_service(h, &e, 0) > 0)
          if (e.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(e.packet);
        for (size_t i = 0; i < h->peerCount; ++i)
          open = open || h->peers[i].state != ENET_PEER_STATE_DISCONNECTED;
      }
      if (!open) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (Member& m : members) m.peer->data = nullptr;
    members.clear();
  }

  // Answers searches on the socket of a host, beside ENet's traffic.
  static thread_local State* current;
  static int ENET_CALLBACK intercept(ENetHost* h, ENetEvent*) {
    if (h->receivedDataLength != kQuerySize || std::memcmp(h->receivedData, kQueryMagic, 4) != 0) return 0;
    State* s = current;
    if (!s || s->hostProgram != s->self || s->lost) return 1;
    uint32_t nonce;
    std::memcpy(&nonce, h->receivedData + 4, 4);
    Writer w;
    w.raw(kReplyMagic, 4).put<uint32_t>(nonce).put<uint64_t>(s->instance).text(s->name);
    ENetBuffer buffer{const_cast<uint8_t*>(w.data()), w.size()};
    enet_socket_send(h->socket, &h->receivedAddress, &buffer, 1);
    return 1;
  }
};

thread_local NetSession::State* NetSession::State::current = nullptr;

uint16_t NetSession::sessionPort() {
  const char* text = std::getenv("VX_NET_PORT");
  if (text) {
    char* end;
    long port = std::strtol(text, &end, 10);
    if (*text && !*end && port > 0 && port < 65536) return static_cast<uint16_t>(port);
  }
  return kDefaultPort;
}

std::vector<std::string> NetSession::connections() { return {"Internet TCP/IP Connection"}; }

std::vector<NetSessionInfo> NetSession::find(uint32_t address, uint16_t port, int32_t waitMs,
                                             const std::string* exactName) {
  std::vector<NetSessionInfo> found;
  int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return found;
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  sockaddr_in to = socketAddress(address ? address : INADDR_BROADCAST, port);
  uint32_t nonce = randomWord();
  char query[kQuerySize] = {};
  std::memcpy(query, kQueryMagic, 4);
  std::memcpy(query + 4, &nonce, 4);

  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  Clock::time_point nextQuery = Clock::now();
  for (;;) {
    Clock::time_point now = Clock::now();
    if (now >= nextQuery) {
      sendto(s, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      nextQuery = now + std::chrono::milliseconds(250);
    }
    if (now >= deadline || stopRequested()) break;
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(std::min(deadline, nextQuery) - now).count();
    pollfd p{s, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(std::max<long long>(wait, 1))) <= 0) continue;
    uint8_t reply[2048];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ssize_t n = recvfrom(s, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n <= 0) continue;
    Reader r(reply, static_cast<size_t>(n));
    char magic[4];
    for (char& c : magic) c = static_cast<char>(r.get<uint8_t>());
    uint32_t answered = r.get<uint32_t>();
    uint64_t instance = r.get<uint64_t>();
    std::string name = r.text(kMaxNameBytes);
    if (!r.done() || std::memcmp(magic, kReplyMagic, 4) != 0 || answered != nonce) continue;
    NetSessionInfo info{std::move(name), ntohl(from.sin_addr.s_addr), ntohs(from.sin_port), instance};
    bool again = std::any_of(found.begin(), found.end(), [&](const NetSessionInfo& f) {
      return f.instance == info.instance && f.address == info.address && f.port == info.port;
    });
    if (again) continue;
    found.push_back(std::move(info));
    if (exactName && found.back().name == *exactName) break;
  }
  close(s);
  return found;
}

NetSession::NetSession(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<NetSession> NetSession::host(const std::string& name, uint16_t port) {
  if (name.size() > kMaxNameBytes) return nullptr;
  startEnet();
  auto state = std::make_unique<State>();
  ENetAddress at{ENET_HOST_ANY, port};
  if (!state->adopt(enet_host_create(&at, kMaxPrograms, 1, 0, 0))) return nullptr;
  state->name = name;
  state->instance = (static_cast<uint64_t>(randomWord()) << 32) | randomWord();
  state->port = port;
  state->self = state->hostProgram = state->highestProgram = 1;
  state->start();
  return std::unique_ptr<NetSession>(new NetSession(std::move(state)));
}

std::unique_ptr<NetSession> NetSession::join(const NetSessionInfo& session) {
  startEnet();
  auto state = std::make_unique<State>();
  ENetAddress any{ENET_HOST_ANY, 0};
  if (!state->adopt(enet_host_create(&any, kMaxPrograms, 1, 0, 0))) return nullptr;
  state->name = session.name;
  state->instance = session.instance;
  state->port = session.port;
  ENetAddress to{htonl(session.address), session.port};
  ENetPeer* peer = enet_host_connect(state->hosts[0], &to, 1, 0);
  if (!peer) return nullptr;
  Member& host = state->addMember(peer);
  host.outgoing = true;
  state->joinHost = &host;
  state->join = State::Join::Connecting;
  state->start();
  bool joined;
  {
    std::unique_lock<std::mutex> held(state->lock);
    joined = state->changed.wait_for(held, std::chrono::milliseconds(kJoinMs), [&] {
      return state->join == State::Join::Done || state->join == State::Join::Failed || stopRequested();
    }) && state->join == State::Join::Done;
  }
  std::unique_ptr<NetSession> result(new NetSession(std::move(state)));
  if (!joined) return nullptr;  // the destructor says goodbye to whoever answered
  return result;
}

NetSession::~NetSession() {
  state_->stop();
  state_->leave();
}

int32_t NetSession::createPlayer(const std::string& name) {
  std::lock_guard<std::mutex> held(state_->lock);
  State& s = *state_;
  if (s.lost || s.nextLocalPlayer > 0xFFFF || s.playersOf(s.self) >= kMaxPlayersPerProgram) return 0;
  int32_t id = (s.self << 16) | s.nextLocalPlayer++;
  s.players.push_back({id, name.substr(0, kMaxNameBytes), s.self});
  Writer w;
  w.put<uint8_t>(kPlayerAdd).put<int32_t>(id).text(s.players.back().name);
  s.sendToAll(w, true);
  s.flush();
  return id;
}

bool NetSession::destroyPlayer(int32_t id) {
  std::lock_guard<std::mutex> held(state_->lock);
  State& s = *state_;
  Player* p = s.findPlayer(id);
  if (!p || p->owner != s.self) return false;
  s.players.erase(s.players.begin() + (p - s.players.data()));
  Writer w;
  w.put<uint8_t>(kPlayerRemove).put<int32_t>(id);
  s.sendToAll(w, true);
  s.flush();
  return true;
}

std::vector<NetPlayer> NetSession::players() {
  std::lock_guard<std::mutex> held(state_->lock);
  std::vector<NetPlayer> list;
  for (const Player& p : state_->players) list.push_back({p.id, p.name, p.owner == state_->self});
  return list;
}

bool NetSession::send(const char* message, size_t size, bool reliable) {
  if (size < static_cast<size_t>(kHeaderSize) || size > kMaxMessage) return false;
  int32_t from, to;
  std::memcpy(&from, message, 4);
  std::memcpy(&to, message + 4, 4);
  std::lock_guard<std::mutex> held(state_->lock);
  State& s = *state_;
  Player* sender = s.findPlayer(from);
  if (s.lost || !sender || sender->owner != s.self) return false;
  Writer w;
  w.put<uint8_t>(kMessage).raw(message, size);
  if (to == 0) {
    s.sendToAll(w, reliable);
  } else {
    Player* receiver = s.findPlayer(to);
    if (!receiver) return false;
    // A program does not hear its own players: to one of them is a send
    // that nobody reads.
    if (receiver->owner != s.self) {
      Member* owner = s.provenMember(receiver->owner);
      if (!owner) return false;
      s.send(*owner, w, reliable);
    }
  }
  s.flush();
  return true;
}

bool NetSession::receive(NetEvent& event) {
  std::lock_guard<std::mutex> held(state_->lock);
  State& s = *state_;
  if (s.events.empty()) s.serviceLocked();
  if (s.events.empty()) return false;
  event = std::move(s.events.front());
  s.events.pop_front();
  s.queuedBytes -= event.data.size() + event.name.size();
  return true;
}

bool NetSession::isHost() {
  std::lock_guard<std::mutex> held(state_->lock);
  return state_->hostProgram == state_->self;
}

}  // namespace vx
