// HttpGet: one HTTP/1.0 GET whose reply body is stored in a file. Synchronous, every read bounded by
// the network library's read timeout and the whole download by a deadline.
#include <array>
#include <cstdio>
#include <string>

#include "net/http_reply.h"
#include "net/net.h"
#include "net/nl.h"
#include "net/session.h"
#include "platform/clock.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"

int& tarvok::HttpDeadlineMs() {
    static int deadline = 60000;
    return deadline;
}

namespace {

// A game session keeps the library running: HttpGet then must not shut it down under the session.
bool SessionActive() {
    NetworkState* state = g_engine.network;
    if (!state || !state->used) return false;
    tarvok::SessionLock guard(state->session);
    return state->session.running != 0;
}

// Ends a download: the file and socket closed, the library stopped unless a session uses it.
double Finish(std::FILE* file, NLsocket socket, bool keepLibrary, bool ok) {
    if (file && std::fclose(file) != 0) ok = false;
    if (socket != NL_INVALID) nlClose(socket);
    if (keepLibrary) {
        nlDisable(NL_BLOCKING_READS);
        nlDisable(NL_NO_DELAY);
    } else {
        nlShutdown();
    }
    return ok ? 1 : 0;
}

std::string FilePath(const RtString& name) {
    std::string path(name.CText(), name.Length());
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

}  // namespace

double HttpGet(const RtString& host, const RtString& path, double port, const RtString& file) {
    const bool keepLibrary = SessionActive();
    if (!nlInit() || !nlSelectNetwork(NL_IP) || !nlEnable(NL_BLOCKING_READS) || !nlEnable(NL_NO_DELAY)) {
        return Finish(nullptr, NL_INVALID, keepLibrary, false);
    }
    NLaddress address;
    if (!nlStringToAddr(host.CText(), &address)) return Finish(nullptr, NL_INVALID, keepLibrary, false);
    nlSetAddrPort(&address, static_cast<NLushort>(tarvok::ToLowBits32(port) & 0xFFFF));
    const NLsocket socket = nlOpen(0, NL_TCP);
    if (socket == NL_INVALID || !nlConnect(socket, &address)) {
        return Finish(nullptr, socket, keepLibrary, false);
    }

    const std::string target = FilePath(file);
    std::remove(target.c_str());
    std::FILE* out = std::fopen(target.c_str(), "w+b");
    if (!out) return Finish(nullptr, socket, keepLibrary, false);

    const std::string request = std::string("GET ") + path.CText() + " HTTP/1.0\r\nHost:" + host.CText() +
                                "\r\nAccept: */*\r\nUser-Agent: Tarvok game\r\n\r\n";
    if (nlWrite(socket, request.data(), static_cast<NLint>(request.size())) < 0) {
        return Finish(out, socket, keepLibrary, false);
    }

    tarvok::HttpReplyScanner reply;
    std::array<std::uint8_t, 4095> buffer;
    std::uint64_t bodyBytes = 0;
    bool written = true;
    // A server that trickles bytes passes every read's time-out; the whole reply has a deadline too.
    const double deadline = platform::ClockMs() + tarvok::HttpDeadlineMs();
    bool closed = false;
    for (;;) {
        const auto left = static_cast<NLint>(deadline - platform::ClockMs());
        if (left <= 0) break;
        const NLint n = nlReadWithin(socket, buffer.data(), static_cast<NLint>(buffer.size()), left);
        if (n < 0) {
            closed = nlGetError() == NL_CONNECTION_CLOSED;
            break;
        }
        const auto body = reply.Feed(std::span(buffer.data(), static_cast<std::size_t>(n)));
        if (reply.HeaderTooLong()) break;
        if (!body.empty() && std::fwrite(body.data(), 1, body.size(), out) != body.size()) {
            written = false;
            break;
        }
        bodyBytes += body.size();
    }
    // Only the peer's orderly close ends a download; a reply cut off before its header ended or before
    // the length its header announced is a failure, whatever was stored.
    const bool complete =
        reply.HeaderDone() && (!reply.ContentLength() || *reply.ContentLength() == bodyBytes);
    return Finish(out, socket, keepLibrary, written && closed && complete);
}
