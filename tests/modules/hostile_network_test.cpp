// Hostile peers against a hosted session and a TCP server: random and
// truncated datagrams, broken and forged session packets from connections
// that joined and from ones that did not, and broken streams. The programs
// must survive, pass on nothing forged and still serve a real peer.

#include <enet/enet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <poll.h>

#include <cstring>
#include <fstream>
#include <random>

#include "net_peer.h"

using namespace vxtest;

namespace {

// The session layer's packet kinds, as a peer speaks them.
enum : uint8_t { kJoin = 1, kWelcome, kMember, kHello, kPlayers, kPlayerAdd, kPlayerRemove, kMessage, kLeave };

struct Bytes {
  std::vector<uint8_t> b;
  template <typename T>
  Bytes& put(T v) {
    auto* p = reinterpret_cast<uint8_t*>(&v);
    b.insert(b.end(), p, p + sizeof v);
    return *this;
  }
  Bytes& text(const std::string& s) {
    put<uint16_t>(static_cast<uint16_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
};

void sendDatagram(int s, int port, const void* data, size_t size) {
  sockaddr_in to = loopback(port);
  sendto(s, data, size, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

// Asks the session port for its session; the instance, or 0.
uint64_t querySession(int port) {
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  char query[16] = {'V', 'X', 'N', 'Q', 1, 2, 3, 4};
  uint64_t instance = 0;
  for (int tries = 0; tries < 20 && !instance; ++tries) {
    sendDatagram(s, port, query, sizeof query);
    pollfd p{s, POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    uint8_t reply[2048];
    ssize_t n = recv(s, reply, sizeof reply, 0);
    if (n >= 16 && std::memcmp(reply, "VXNR", 4) == 0) std::memcpy(&instance, reply + 8, 8);
  }
  close(s);
  return instance;
}

class Client {
 public:
  explicit Client(int port) {
    host_ = enet_host_create(nullptr, 1, 1, 0, 0);
    ENetAddress at{htonl(INADDR_LOOPBACK), static_cast<uint16_t>(port)};
    peer_ = enet_host_connect(host_, &at, 1, 0);
  }
  ~Client() {
    enet_peer_disconnect_now(peer_, 0);
    enet_host_destroy(host_);
  }
  // Services for ms; the packets that came.
  std::vector<std::vector<uint8_t>> service(int ms) {
    std::vector<std::vector<uint8_t>> got;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    ENetEvent e;
    while (std::chrono::steady_clock::now() < until) {
      if (enet_host_service(host_, &e, 5) <= 0) continue;
      if (e.type == ENET_EVENT_TYPE_CONNECT) connected_ = true;
      if (e.type == ENET_EVENT_TYPE_DISCONNECT) connected_ = false;
      if (e.type == ENET_EVENT_TYPE_RECEIVE) {
        got.emplace_back(e.packet->data, e.packet->data + e.packet->dataLength);
        enet_packet_destroy(e.packet);
      }
    }
    return got;
  }
  void send(const std::vector<uint8_t>& bytes, bool reliable = true) {
    enet_peer_send(peer_, 0, enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0));
    enet_host_flush(host_);
  }
  bool connected() const { return connected_; }

 private:
  ENetHost* host_;
  ENetPeer* peer_;
  bool connected_ = false;
};

}  // namespace

TEST(HostileNetwork, ASessionDropsBrokenAndForgedPacketsAndGoesOn) {
  ASSERT_EQ(enet_initialize(), 0);
  ScratchDir dir;
  int port = freePort();
  std::vector<std::string> env = {"VX_TEST_DIR=" + dir.path(), "VX_NET_PORT=" + std::to_string(port)};
  std::vector<std::string> targetEnv = env, visitorEnv = env;
  targetEnv.push_back("VX_ROLE=target");
  visitorEnv.push_back("VX_ROLE=visitor");
  auto target = start("net_game", targetEnv);
  auto visitor = start("net_game", visitorEnv);
  for (int i = 0; i < 500 && !std::filesystem::exists(dir.path() + "/hosting"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

  std::mt19937 random(1234);
  auto noise = [&](size_t size) {
    std::vector<uint8_t> b(size);
    for (uint8_t& x : b) x = static_cast<uint8_t>(random());
    return b;
  };
  // Datagrams that are not ENet's, searches cut short or too long.
  int raw = socket(AF_INET, SOCK_DGRAM, 0);
  for (int i = 0; i < 300; ++i) {
    std::vector<uint8_t> b = noise(random() % 1400);
    sendDatagram(raw, port, b.data(), b.size());
  }
  sendDatagram(raw, port, "VXNQ", 4);
  sendDatagram(raw, port, "VXNQ0123456789abc", 17);
  sendDatagram(raw, port, "", 0);
  close(raw);
  uint64_t instance = querySession(port);
  ASSERT_NE(instance, 0u);

  // A connection that never joins: every kind, cut short or filled with
  // noise, and a join of another session.
  {
    Client stranger(port);
    stranger.service(300);
    ASSERT_TRUE(stranger.connected());
    for (uint8_t kind = 0; kind <= kLeave + 1; ++kind) {
      for (size_t size : {0, 1, 3, 9, 40}) {
        std::vector<uint8_t> b = noise(size);
        b.insert(b.begin(), kind);
        stranger.send(b);
      }
    }
    stranger.send(Bytes().put<uint8_t>(kMessage).put<int32_t>(65537).put<int32_t>(0).put<uint8_t>(7).b);
    stranger.send(Bytes().put<uint8_t>(kJoin).put<uint32_t>(0x314E5856).put<uint64_t>(instance + 1).b);
    stranger.service(300);
    EXPECT_FALSE(stranger.connected());
  }

  // Two connections that join properly; one forges and floods.
  {
    Client other(port);
    other.service(300);
    other.send(Bytes().put<uint8_t>(kJoin).put<uint32_t>(0x314E5856).put<uint64_t>(instance).b);
    std::vector<std::vector<uint8_t>> welcome = other.service(500);
    ASSERT_FALSE(welcome.empty());
    int32_t otherSelf;
    std::memcpy(&otherSelf, welcome[0].data() + 1, 4);
    int32_t trudy = (otherSelf << 16) | 1;
    other.send(Bytes().put<uint8_t>(kPlayerAdd).put<int32_t>(trudy).text("Trudy").b);
    other.service(200);
    Client member(port);
    member.service(300);
    member.send(Bytes().put<uint8_t>(kJoin).put<uint32_t>(0x314E5856).put<uint64_t>(instance).b);
    std::vector<std::vector<uint8_t>> got = member.service(500);
    ASSERT_FALSE(got.empty());
    ASSERT_EQ(got[0][0], kWelcome);
    int32_t self, host;
    std::memcpy(&self, got[0].data() + 1, 4);
    std::memcpy(&host, got[0].data() + 9, 4);
    int32_t hal = (host << 16) | 1;
    int32_t mallory = (self << 16) | 1;
    // The host's player, or a player of the host's range, said to be ours.
    member.send(Bytes().put<uint8_t>(kMessage).put<int32_t>(hal).put<int32_t>(0).put<uint8_t>(7).b);
    Bytes forged;
    forged.put<uint8_t>(kMessage).put<int32_t>(hal).put<int32_t>(hal).put<uint8_t>(7);
    forged.b.insert(forged.b.end(), {'f', 'o', 'r', 'g', 'e', 'd'});
    member.send(forged.b);
    Bytes asTrudy;
    asTrudy.put<uint8_t>(kMessage).put<int32_t>(trudy).put<int32_t>(hal).put<uint8_t>(7);
    asTrudy.b.insert(asTrudy.b.end(), {'f', 'o', 'r', 'g', 'e', 'd'});
    member.send(asTrudy.b);
    member.send(Bytes().put<uint8_t>(kPlayerRemove).put<int32_t>(trudy).b);
    member.send(Bytes().put<uint8_t>(kPlayerAdd).put<int32_t>((host << 16) | 9).text("Impostor").b);
    member.send(Bytes().put<uint8_t>(kPlayerRemove).put<int32_t>(hal).b);
    member.send(Bytes().put<uint8_t>(kMember).put<int32_t>(77).put<uint32_t>(1).put<uint32_t>(0).put<uint16_t>(1).b);
    member.send(Bytes().put<uint8_t>(kPlayerAdd).put<int32_t>(mallory).text(std::string(2000, 'M')).b);
    // A player of its own, and a message of it with a header cut short,
    // with a receiver that is not here, and a good one.
    member.send(Bytes().put<uint8_t>(kPlayerAdd).put<int32_t>(mallory).text("Mallory").b);
    member.send(Bytes().put<uint8_t>(kMessage).put<int32_t>(mallory).put<int32_t>(0).b);
    member.send(Bytes().put<uint8_t>(kMessage).put<int32_t>(mallory).put<int32_t>(mallory).put<uint8_t>(7).text("forged").b);
    Bytes good;
    good.put<uint8_t>(kMessage).put<int32_t>(mallory).put<int32_t>(hal).put<uint8_t>(43);
    for (char c : std::string("from a member")) good.put<char>(c);
    member.send(good.b);
    // More players than one program may have.
    for (int i = 2; i < 1300; ++i)
      member.send(Bytes().put<uint8_t>(kPlayerAdd).put<int32_t>((self << 16) | i).text("p").b);
    // A message larger than any the session takes.
    std::vector<uint8_t> huge = noise(2 << 20);
    huge[0] = kMessage;
    member.send(huge);
    member.service(1500);
  }
  std::ofstream(dir.path() + "/attacked").put('x');

  ProgramRun t = target.get(), v = visitor.get();
  EXPECT_EQ(t.err, "Program has ended\n");
  EXPECT_EQ(t.out.find("forged"), std::string::npos);
  EXPECT_EQ(t.out.find("Impostor"), std::string::npos);
  EXPECT_TRUE(hasLine(t.out, "100 Mallory all ")) << t.out.substr(0, 400);
  EXPECT_TRUE(hasLine(t.out, "100 Trudy all "));
  // Trudy leaves with her own program, not when another says so earlier.
  EXPECT_LT(t.out.find("43 Mallory Hal from a member"), t.out.find("101 Trudy all "));
  EXPECT_TRUE(hasLine(t.out, "43 Mallory Hal from a member"));
  EXPECT_TRUE(hasLine(t.out, "42 Val Hal real"));
  EXPECT_EQ(linesOf(t.out).back(), "done");
  int arrived = 0;
  for (const std::string& line : linesOf(t.out)) arrived += line.rfind("100 ", 0) == 0;
  EXPECT_LE(arrived, 1026);  // Trudy, Mallory's players up to the limit, and Val
  EXPECT_GE(arrived, 1000);
  EXPECT_EQ(v.err, "Program has ended\n");
}

TEST(HostileNetwork, ATcpServerSurvivesBrokenStreams) {
  int port = freePort();
  auto server = start("net_tcp", {"VX_ROLE=survivor", "VX_PORT=" + std::to_string(port)});
  ASSERT_TRUE(waitForListener(port));
  std::mt19937 random(99);
  for (int i = 0; i < 40; ++i) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to = loopback(port);
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    std::vector<uint8_t> b(random() % 64);
    for (uint8_t& x : b) x = static_cast<uint8_t>(random());
    if (i % 4 == 0 && b.size() >= 4) std::memcpy(b.data(), "\xff\xff\xff\x7f", 4);  // a string of 2 GiB
    send(s, b.data(), b.size(), MSG_NOSIGNAL);
    if (i % 3 == 0) {
      linger hard{1, 0};
      setsockopt(s, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    close(s);
  }
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to = loopback(port);
  ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
  send(s, "\x05\x00\x00\x00" "final", 9, 0);
  char reply[64] = {};
  ssize_t n = 0;
  for (int tries = 0; tries < 100 && n <= 0; ++tries) n = recv(s, reply, sizeof reply, 0);
  close(s);
  EXPECT_EQ(std::string(reply, n > 0 ? static_cast<size_t>(n) : 0), "served final\r\n");
  ProgramRun run = server.get();
  EXPECT_EQ(run.err, "Program has ended\n");
  EXPECT_EQ(linesOf(run.out).back(), "41");
}
