// Messages through the game host's relay on the loopback address, beside a plain echo of packets over
// the same socket library: how much of a relayed message's time is the protocol's own pacing (one
// message per client per 10 ms worker pass) rather than the sockets.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "net/net.h"
#include "net/nl.h"

namespace {

// This program hosts a game with two local players; "a" sends to "b" through the host's relay.
struct Game {
    RtString a, b;
    bool ok = false;

    Game() {
        nlInit();
        nlSelectNetwork(NL_IP);
        const NLsocket probe = nlOpen(0, NL_TCP);
        NLaddress address;
        nlGetLocalAddr(probe, &address);
        nlClose(probe);
        InitNetwork();
        ok = NetHostGame(std::to_string(address.port).c_str()) == 1;
        a = NetCreatePlayer("a");
        b = NetCreatePlayer("b");
        ok = ok && TextToNumber(a) > 0 && TextToNumber(b) > 0;
    }
    ~Game() { ShutdownNetwork(); }
};

Game& TheGame() {
    static Game game;
    return game;
}

// Takes count texts of player b, waiting at most 10 seconds; false when they do not all come.
bool Receive(const RtString& b, int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int got = 0; got < count;) {
        if (NetNextText(b).Length() > 0) {
            ++got;
        } else if (std::chrono::steady_clock::now() > deadline) {
            return false;
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    return true;
}

void BM_RelayRoundTrip(benchmark::State& state) {
    Game& g = TheGame();
    if (!g.ok) return state.SkipWithError("hosting failed");
    for (auto _ : state) {
        NetSendText(g.a, g.b, "ping");
        if (!Receive(g.b, 1)) return state.SkipWithError("a text was lost");
    }
}
BENCHMARK(BM_RelayRoundTrip)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RelayBurst(benchmark::State& state) {
    Game& g = TheGame();
    if (!g.ok) return state.SkipWithError("hosting failed");
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) NetSendText(g.a, g.b, "burst text");
        if (!Receive(g.b, n)) return state.SkipWithError("a text was lost");
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RelayBurst)->Arg(50)->UseRealTime()->Unit(benchmark::kMillisecond);

// A packet echo over the same library: a thread sends every packet straight back. Both ends wait for
// data in the system (blocking reads) rather than spinning, as the relay's worker sleeps between passes.
void BM_PacketEcho(benchmark::State& state) {
    if (!TheGame().ok) return state.SkipWithError("hosting failed");
    nlEnable(NL_BLOCKING_READS);
    nlSetReadTimeout(200);
    const NLsocket listener = nlOpen(0, NL_TCP_PACKETS);
    NLaddress address;
    nlListen(listener);
    nlGetLocalAddr(listener, &address);
    const NLsocket client = nlOpen(0, NL_TCP_PACKETS);
    nlConnect(client, &address);
    NLsocket server = NL_INVALID;
    for (int i = 0; i < 1000 && server == NL_INVALID; ++i) server = nlAcceptConnection(listener);
    std::atomic<bool> stop = false;
    std::thread echo([&] {
        char buf[2048];
        while (!stop) {
            const NLint n = nlRead(server, buf, sizeof buf);
            if (n > 0) {
                nlWrite(server, buf, n);
            } else if (n < 0 && nlGetError() != NL_TIMEOUT) {
                break;
            }
        }
    });
    const int n = static_cast<int>(state.range(0));
    const std::string packet(34, 'p');  // the size of a relayed "burst text" message
    char buf[2048];
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) nlWrite(client, packet.data(), static_cast<NLint>(packet.size()));
        for (int got = 0; got < n;) {
            const NLint r = nlRead(client, buf, sizeof buf);
            if (r < 0) return state.SkipWithError("echo failed");
            got += r > 0 ? 1 : 0;
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
    stop = true;
    echo.join();
    nlClose(client);
    nlClose(server);
    nlClose(listener);
    nlDisable(NL_BLOCKING_READS);
    nlSetReadTimeout(NL_DEFAULT_READ_TIMEOUT_MS);
}
BENCHMARK(BM_PacketEcho)->Arg(1)->Arg(50)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
