// The client side of the game network: framed messages from the host filed into the local players'
// queues, ids and replies, which stay within their bounds.
#include "fuzz/net_stream.h"
#include "net/session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvok::NetSession session;
    session.ownId = 7;
    session.connectionSocket = 1;
    session.pendingRequest =
        static_cast<std::uint8_t>(tarvok::kFirstRequestType + (size > 0 ? data[0] % 4 : 0));
    session.abandonedCreates = 1;
    session.localPlayers.emplace_back().id = tarvok::kIdRequested;
    session.localPlayers.emplace_back().id = 7;
    ForEachStreamMessage(data, size, [&](const tarvok::NetMessage& message) {
        for (const tarvok::Outgoing& out : tarvok::DeliverFromHost(session, message))
            Require(out.socket == session.connectionSocket);
    });
    Require(session.replies.size() <= tarvok::kMaxReplies);
    for (const tarvok::PlayerRecord& p : session.localPlayers)
        Require(p.received.size() <= tarvok::kMaxQueuedTexts);
    return 0;
}
