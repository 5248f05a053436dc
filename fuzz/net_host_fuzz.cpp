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
        const auto send = [](NLsocket to, const tarvok::NetMessage& out, std::uint32_t target) {
            Require(to >= 1 && to <= 3);
            std::uint8_t bytes[tarvok::kMaxMessageBytes];
            Require(tarvok::EncodeMessageInto(out, target, bytes) > 0);
        };
        tarvok::HandleHostMessage(session, message, socket, send);
        if (count % 50 == 0) tarvok::DropHostConnection(session, 2);
        Require(session.players.size() <= tarvok::kMaxHostPlayers);
    });
    return 0;
}
