// Splits fuzz input into a TCP byte stream of framed packets, as the socket layer receives it: the first
// byte sets how many bytes each receive delivers, each whole packet is checked as one message, and
// every valid message is handed to visit.
#pragma once

#include <algorithm>
#include <vector>

#include "fuzz/fuzz.h"
#include "net/message.h"
#include "net/packet_framing.h"

template <typename Visit>
void ForEachStreamMessage(const std::uint8_t* data, std::size_t size, Visit visit) {
    if (size == 0) return;
    const std::size_t piece = 1 + data[0] % 64;
    tarvok::PacketAssembler assembler(tarvok::kMaxMessageBytes);
    for (std::size_t at = 1; at < size;) {
        const std::span<std::uint8_t> space = assembler.Space();
        if (space.empty()) return;  // a bad length: the connection is dropped
        const std::size_t n = std::min({space.size(), piece, size - at});
        std::copy_n(data + at, n, space.data());
        assembler.Commit(n);
        at += n;
        if (assembler.Status() == tarvok::PacketAssembler::State::BadLength) return;
        if (assembler.Status() != tarvok::PacketAssembler::State::Ready) continue;
        const std::span<const std::uint8_t> packet = assembler.Packet();
        Require(!packet.empty() && packet.size() <= tarvok::kMaxMessageBytes);
        const tarvok::ParsedMessage parsed = tarvok::ParseMessage(packet);
        if (parsed.verdict == tarvok::ReadVerdict::Valid) {
            // A valid read is exactly one message, and a player record's name keeps its limit.
            Require(tarvok::EncodeMessage(parsed.message) ==
                    std::vector<std::uint8_t>(packet.begin(), packet.end()));
            const auto player = tarvok::ReadCreatePlayerPayload(parsed.message.payload);
            Require(!player || player->name.size() <= tarvok::kMaxPlayerNameLength);
            visit(parsed.message);
        }
        assembler.Consume();
    }
}
