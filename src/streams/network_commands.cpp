#include "streams/network_commands.h"

#include <string>
#include <vector>

#include "platform/platform_runtime.h"
#include "runtime/run_step.h"
#include "streams/tcp_stream.h"
#include "streams/udp_stream.h"

namespace vx {

namespace {

constexpr int32_t kStartReadTimeout = 10000;

HandleSet<TcpStream> tcpStreams;
HandleSet<TcpServer> tcpServers;
HandleSet<UdpStream> udpStreams;
int32_t acceptTimeout = 0;
int32_t receiveTimeout = 0;
std::vector<uint32_t> hostAddresses;

TcpStream* tcpOf(int32_t handle) { return tcpStreams.get(handle, "TCP Stream does not exist"); }
TcpServer* serverOf(int32_t handle) { return tcpServers.get(handle, "TCP Server does not exist"); }
UdpStream* udpOf(int32_t handle) { return udpStreams.get(handle, "UDP Stream does not exist"); }

RuntimeString* dottedIp(int32_t address) {
  const auto a = static_cast<uint32_t>(address);
  return newString(std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
                   std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255));
}

int32_t countHostIps(StrArg name) {
  hostAddresses = hostAddressesOf(name.c_str());
  return static_cast<int32_t>(hostAddresses.size());
}

// Outside the list the answer is 0, checked or not: nothing is read past it.
int32_t hostIp(int32_t index) {
  if (index < 1 || index > static_cast<int32_t>(hostAddresses.size())) {
    if (debugging()) raiseError("Host index out of range");
    return 0;
  }
  return static_cast<int32_t>(hostAddresses[static_cast<size_t>(index - 1)]);
}

int32_t openTcpStream(StrArg server, int32_t serverPort, int32_t localPort) {
  TcpStream* stream = TcpStream::open(server.c_str(), serverPort, localPort);
  return stream ? tcpStreams.add(stream) : 0;
}

void destroyTcpStream(TcpStream* stream) {
  tcpStreams.remove(stream);
  if (stream->origin()) stream->origin()->accepted().erase(stream);
  delete stream;
}

void closeTcpStream(int32_t handle) {
  if (TcpStream* stream = tcpOf(handle)) destroyTcpStream(stream);
}

int32_t createTcpServer(int32_t port) {
  TcpServer* server = TcpServer::create(port);
  return server ? tcpServers.add(server) : 0;
}

void destroyTcpServer(TcpServer* server) {
  std::vector<TcpStream*> accepted(server->accepted().begin(), server->accepted().end());
  for (TcpStream* stream : accepted) destroyTcpStream(stream);
  tcpServers.remove(server);
  delete server;
}

void closeTcpServer(int32_t handle) {
  if (TcpServer* server = serverOf(handle)) destroyTcpServer(server);
}

int32_t acceptTcpStream(int32_t handle) {
  idleOrEnd();
  TcpServer* server = serverOf(handle);
  if (!server) return 0;
  TcpStream* stream = server->accept(acceptTimeout);
  return stream ? tcpStreams.add(stream) : 0;
}

// A property of a live stream; 0 for an unknown handle.
template <auto Property>
int32_t tcpValue(int32_t handle) {
  TcpStream* stream = tcpOf(handle);
  return stream ? static_cast<int32_t>((stream->*Property)()) : 0;
}

template <auto Property>
int32_t udpValue(int32_t handle) {
  UdpStream* stream = udpOf(handle);
  return stream ? static_cast<int32_t>((stream->*Property)()) : 0;
}

void tcpTimeouts(int32_t readMillis, int32_t acceptMillis) {
  TcpStream::readTimeout = readMillis;
  acceptTimeout = acceptMillis;
}

int32_t createUdpStream(int32_t port) {
  UdpStream* stream = UdpStream::create(port);
  return stream ? udpStreams.add(stream) : 0;
}

void closeUdpStream(int32_t handle) {
  if (UdpStream* stream = udpOf(handle)) {
    udpStreams.remove(stream);
    delete stream;
  }
}

void sendUdpMsg(int32_t handle, int32_t ip, int32_t port) {
  if (UdpStream* stream = udpOf(handle)) stream->send(static_cast<uint32_t>(ip), port);
}

int32_t recvUdpMsg(int32_t handle) {
  UdpStream* stream = udpOf(handle);
  return stream ? static_cast<int32_t>(stream->receive(receiveTimeout)) : 0;
}

void udpTimeouts(int32_t recvMillis) { receiveTimeout = recvMillis; }

bool create() {
  TcpStream::readTimeout = kStartReadTimeout;
  acceptTimeout = 0;
  receiveTimeout = 0;
  hostAddresses.clear();
  return true;
}

void destroy() {
  udpStreams.clear([](UdpStream* stream) { delete stream; });
  tcpStreams.clear([](TcpStream* stream) {
    if (stream->origin()) stream->origin()->accepted().erase(stream);
    delete stream;
  });
  tcpServers.clear([](TcpServer* server) { delete server; });
  hostAddresses.clear();
}

void link(Registry& r) {
  r.command<"$DottedIP%IP", dottedIp>();
  r.command<"%CountHostIPs$host_name", countHostIps>();
  r.command<"%HostIP%host_index", hostIp>();
  r.command<"%OpenTCPStream$server%server_port%local_port=0", openTcpStream>();
  r.command<"CloseTCPStream%tcp_stream", closeTcpStream>();
  r.command<"%CreateTCPServer%port", createTcpServer>();
  r.command<"CloseTCPServer%tcp_server", closeTcpServer>();
  r.command<"%AcceptTCPStream%tcp_server", acceptTcpStream>();
  r.command<"%TCPStreamIP%tcp_stream", tcpValue<&TcpStream::remoteAddress>>();
  r.command<"%TCPStreamPort%tcp_stream", tcpValue<&TcpStream::remotePort>>();
  r.command<"TCPTimeouts%read_millis%accept_millis", tcpTimeouts>();
  r.command<"%CreateUDPStream%port=0", createUdpStream>();
  r.command<"CloseUDPStream%udp_stream", closeUdpStream>();
  r.command<"SendUDPMsg%udp_stream%dest_ip%dest_port=0", sendUdpMsg>();
  r.command<"%RecvUDPMsg%udp_stream", recvUdpMsg>();
  r.command<"%UDPStreamIP%udp_stream", udpValue<&UdpStream::localAddress>>();
  r.command<"%UDPStreamPort%udp_stream", udpValue<&UdpStream::localPort>>();
  r.command<"%UDPMsgIP%udp_stream", udpValue<&UdpStream::senderAddress>>();
  r.command<"%UDPMsgPort%udp_stream", udpValue<&UdpStream::senderPort>>();
  r.command<"UDPTimeouts%recv_timeout", udpTimeouts>();
}

}  // namespace

const RuntimeModule socketsModule{"sockets", create, destroy, link};

}  // namespace vx
