// The host side of the game network: framed messages from three connections applied to the player
// table; every answer goes to a connection that exists.
#include "fuzz/net_stream.h"
#include "net/session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvok::NetSession session;
    session.hostFlag = 1;
    int count = 0;
    ForEachStreamMessage(data, size, [&](const tarvok::NetMessage& message) {
        const NLsocket socket = 1 + count++ % 3;
        for (const tarvok::Outgoing& out : tarvok::HandleHostMessage(session, {message, socket})) {
            Require(out.socket >= 1 && out.socket <= 3);
            Require(!tarvok::EncodeMessage(out.message).empty());
        }
        if (count % 50 == 0) tarvok::DropHostConnection(session, 2);
        Require(session.players.size() <= tarvok::kMaxHostPlayers);
    });
    return 0;
}
