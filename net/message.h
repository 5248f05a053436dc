// The game network's one message format: a 17-byte little-endian header ("TVKN", type, payload length,
// target id, source id) and up to 1024 payload bytes. Pure functions over memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvok {

inline constexpr std::size_t kMessageHeaderBytes = 17;
inline constexpr std::size_t kMaxPayloadBytes = 1024;
inline constexpr std::size_t kMaxMessageBytes = kMessageHeaderBytes + kMaxPayloadBytes;  // 1041
inline constexpr std::uint32_t kAllPlayers = 0xFFFFFFFF;
inline constexpr std::size_t kCreatePlayerPayloadBytes = 152;
inline constexpr std::size_t kCreatePlayerFlagsOffset = 8;
inline constexpr std::size_t kCreatePlayerNameOffset = 10;
inline constexpr std::size_t kMaxPlayerNameLength = 127;  // characters before the terminator

enum class MessageType : std::uint8_t {
    CreatePlayer = 1,    // client to host: register a player (152-byte record payload)
    PlayerCreated = 2,   // host to client: target = the new id
    TextMessage = 3,     // text between players; target one id or kAllPlayers
    RemovePlayer = 4,    // client to host: source = the id to remove
    CountPlayers = 101,  // request and reply: 4-byte count
    PlayerIdAt = 102,    // request: 4-byte index; reply: 4-byte id
    PlayerNameOf = 103,  // request: 4-byte id; reply: the name
    Ping = 104,          // request and reply: 4 bytes, first byte 1
};

// Types 101 and above are requests and their replies.
inline constexpr std::uint8_t kFirstRequestType = 101;

// One message as the network code handles it (the type byte is kept raw: unknown types are ignored).
struct NetMessage {
    std::uint8_t type = 0;
    std::uint32_t target = 0;
    std::uint32_t source = 0;
    std::string payload;  // raw bytes, at most kMaxPayloadBytes
};

NetMessage MakeMessage(MessageType type, std::uint32_t target, std::uint32_t source,
                       std::string payload = {});

// The wire bytes of a message (header and payload); empty when the payload is too long.
std::vector<std::uint8_t> EncodeMessage(const NetMessage& message);
// The same bytes with the given target field, written to out: their count, 0 when they do not fit.
std::size_t EncodeMessageInto(const NetMessage& message, std::uint32_t target, std::span<std::uint8_t> out);

// What one read from a connection is.
enum class ReadVerdict {
    Valid,           // a whole message
    Ignored,         // shorter than the header or without the magic: dropped, the connection stays
    DropConnection,  // the length field disagrees with the bytes read: the sender cannot be trusted
};

struct ParsedMessage {
    ReadVerdict verdict = ReadVerdict::Ignored;
    NetMessage message;  // filled when Valid
};

// Checks and decodes the bytes of one read.
ParsedMessage ParseMessage(std::span<const std::uint8_t> bytes);
// The same into out, whose payload keeps its memory for the next message; out is filled when Valid.
ReadVerdict ParseMessageInto(std::span<const std::uint8_t> bytes, NetMessage& out);

// A 4-byte little-endian payload, and its reading (nothing when the payload is shorter).
std::string Uint32Payload(std::uint32_t value);
std::optional<std::uint32_t> ReadUint32Payload(std::string_view payload);

// The CreatePlayer payload, built field by field: socket, id, two flag bytes, the name zero-padded to
// 128 bytes at offset 10, the rest zero.
std::string CreatePlayerPayload(std::int32_t socket, std::int32_t id, std::uint8_t hiddenFlag,
                                std::uint8_t hostFlag, std::string_view name);

// The fields the host takes from a CreatePlayer payload.
struct CreatePlayerFields {
    std::uint8_t hiddenFlag = 0;
    std::string name;  // at most kMaxPlayerNameLength characters
};
// Nothing when the payload is not the 152-byte record.
std::optional<CreatePlayerFields> ReadCreatePlayerPayload(std::string_view payload);

}  // namespace tarvok
