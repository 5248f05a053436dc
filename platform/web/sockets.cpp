// Sockets, in the browser: a page has no TCP sockets, so no socket is ever made and no name resolves;
// the network commands above give their failure results.
#include "platform/sockets.h"

namespace platform {

int TcpOpen(std::uint16_t) { return -1; }
bool TcpListen(int) { return false; }
int TcpAccept(int, bool& wouldBlock) {
    wouldBlock = false;
    return -1;
}
bool TcpConnect(int, Ipv4Endpoint, int) { return false; }
void TcpNoDelay(int) {}
IoResult TcpSendAll(int, std::span<const std::uint8_t>, int) { return {}; }
IoResult TcpSendSome(int, std::span<const std::uint8_t>) { return {}; }
IoResult TcpReceive(int, std::span<std::uint8_t>, int) { return {}; }
void TcpClose(int) {}
bool SocketLocalEndpoint(int, Ipv4Endpoint&) { return false; }
bool SocketRemoteEndpoint(int, Ipv4Endpoint&) { return false; }
std::vector<std::uint32_t> LocalIpv4Addresses() { return {}; }
bool ResolveIpv4(const char*, std::uint32_t&) { return false; }
int PollSockets(std::span<PollEntry>, int) { return -1; }
int WakerCreate() { return -1; }
void WakerSignal(int) {}
void WakerDrain(int) {}

}  // namespace platform
