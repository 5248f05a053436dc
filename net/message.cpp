// Encoding and checking of network messages.
#include "net/message.h"

#include <algorithm>
#include <cstring>

namespace tarvok {

namespace {

constexpr std::uint8_t kMagic[4] = {'T', 'V', 'K', 'N'};

void PutUint32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The C library's copy, called rather than expanded inline: knowing the length is at most 1024, the
// compiler inlines a string-move instruction that costs more than the whole rest of a parse here.
void* (*const volatile CopyBytes)(void*, const void*, std::size_t) = std::memcpy;

std::uint32_t GetUint32(const std::uint8_t* in) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    return v;
}

}  // namespace

NetMessage MakeMessage(MessageType type, std::uint32_t target, std::uint32_t source, std::string payload) {
    return {static_cast<std::uint8_t>(type), target, source, std::move(payload)};
}

std::vector<std::uint8_t> EncodeMessage(const NetMessage& message) {
    if (message.payload.size() > kMaxPayloadBytes) return {};
    std::vector<std::uint8_t> bytes(kMessageHeaderBytes + message.payload.size());
    EncodeMessageInto(message, message.target, bytes);
    return bytes;
}

std::size_t EncodeMessageInto(const NetMessage& message, std::uint32_t target, std::span<std::uint8_t> out) {
    const std::size_t size = kMessageHeaderBytes + message.payload.size();
    if (message.payload.size() > kMaxPayloadBytes || out.size() < size) return 0;
    std::memcpy(out.data(), kMagic, sizeof kMagic);
    out[4] = message.type;
    PutUint32(&out[5], static_cast<std::uint32_t>(message.payload.size()));
    PutUint32(&out[9], target);
    PutUint32(&out[13], message.source);
    if (!message.payload.empty())
        CopyBytes(out.data() + kMessageHeaderBytes, message.payload.data(), message.payload.size());
    return size;
}

ParsedMessage ParseMessage(std::span<const std::uint8_t> bytes) {
    ParsedMessage parsed;
    parsed.verdict = ParseMessageInto(bytes, parsed.message);
    if (parsed.verdict != ReadVerdict::Valid) parsed.message = {};
    return parsed;
}

ReadVerdict ParseMessageInto(std::span<const std::uint8_t> bytes, NetMessage& out) {
    if (bytes.size() < kMessageHeaderBytes || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        return ReadVerdict::Ignored;
    }
    // The length field is checked against what was read before anything is located by it.
    const std::uint32_t length = GetUint32(&bytes[5]);
    if (length > kMaxPayloadBytes || bytes.size() != kMessageHeaderBytes + length) {
        return ReadVerdict::DropConnection;
    }
    out.type = bytes[4];
    out.target = GetUint32(&bytes[9]);
    out.source = GetUint32(&bytes[13]);
    out.payload.resize(length);
    if (length > 0) CopyBytes(out.payload.data(), bytes.data() + kMessageHeaderBytes, length);
    return ReadVerdict::Valid;
}

std::string Uint32Payload(std::uint32_t value) {
    std::string payload(4, '\0');
    PutUint32(reinterpret_cast<std::uint8_t*>(payload.data()), value);
    return payload;
}

std::optional<std::uint32_t> ReadUint32Payload(std::string_view payload) {
    if (payload.size() < 4) return std::nullopt;
    return GetUint32(reinterpret_cast<const std::uint8_t*>(payload.data()));
}

std::string CreatePlayerPayload(std::int32_t socket, std::int32_t id, std::uint8_t hiddenFlag,
                                std::uint8_t hostFlag, std::string_view name) {
    std::string payload(kCreatePlayerPayloadBytes, '\0');
    auto* out = reinterpret_cast<std::uint8_t*>(payload.data());
    PutUint32(out, static_cast<std::uint32_t>(socket));
    PutUint32(out + 4, static_cast<std::uint32_t>(id));
    out[kCreatePlayerFlagsOffset] = hiddenFlag;
    out[kCreatePlayerFlagsOffset + 1] = hostFlag;
    const std::size_t n = std::min(name.size(), kMaxPlayerNameLength);
    if (n > 0) std::memcpy(out + kCreatePlayerNameOffset, name.data(), n);
    return payload;
}

std::optional<CreatePlayerFields> ReadCreatePlayerPayload(std::string_view payload) {
    if (payload.size() != kCreatePlayerPayloadBytes) return std::nullopt;
    CreatePlayerFields fields;
    fields.hiddenFlag = static_cast<std::uint8_t>(payload[kCreatePlayerFlagsOffset]);
    // The name ends at its terminator, and never runs past its 128-byte field.
    const std::string_view field = payload.substr(kCreatePlayerNameOffset, kMaxPlayerNameLength);
    fields.name = std::string(field.substr(0, field.find('\0')));
    return fields;
}

}  // namespace tarvok
