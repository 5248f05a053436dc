// Messages relayed per second by the game host on the loopback address, beside a minimal relay written
// here with plain sockets, under the same load: 1 sender to 1 receiver, 1 to 9, and 10 and 100 clients
// all broadcasting 16-byte texts. The load clients speak the wire format over plain sockets; each
// iteration every sender writes its window of texts and the iteration ends when every copy arrived.
// At the end the ratios (host / minimal relay) are printed. Also: the game thread's cost of one
// NetSendText, beside one plain send() of the same bytes.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/compare.h"
#include "net/message.h"
#include "net/net.h"
#include "runtime/rt_string.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const std::string kText(16, 't');

// ---- Plain sockets ----

int ListenLoopback(int& port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    listen(s, 512);
    getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len);
    port = ntohs(sa.sin_port);
    return s;
}

int ConnectLoopback(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    if (connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        close(s);
        return -1;
    }
    const int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return s;
}

// A message behind its 4-byte length, as one packet travels.
void AppendFrame(Bytes& out, const Bytes& message) {
    const auto n = static_cast<std::uint32_t>(message.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    out.insert(out.end(), message.begin(), message.end());
}

std::uint32_t Get32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

// Takes whole frames from the front of a receive buffer, calling f(message bytes, length) for each.
template <typename F>
void TakeFrames(Bytes& in, F f) {
    std::size_t at = 0;
    while (in.size() - at >= 4) {
        const std::uint32_t n = Get32(&in[at]);
        if (in.size() - at < 4 + n) break;
        f(&in[at + 4], n);
        at += 4 + n;
    }
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(at));
}

// ---- The minimal relay: registrations and texts, nothing else ----

class MinimalRelay {
public:
    MinimalRelay() : listener_(ListenLoopback(port_)), thread_([this] { Run(); }) {}
    ~MinimalRelay() {
        stop_ = true;
        thread_.join();
        for (Peer& p : peers_) close(p.fd);
        close(listener_);
    }
    int Port() const { return port_; }

private:
    struct Peer {
        int fd = -1;
        std::uint32_t id = 0;
        Bytes in, out;
    };

    void Run() {
        std::vector<pollfd> fds;
        while (!stop_) {
            fds.assign(1, {listener_, POLLIN, 0});
            for (const Peer& p : peers_)
                fds.push_back({p.fd, short(POLLIN | (p.out.empty() ? 0 : POLLOUT)), 0});
            if (poll(fds.data(), fds.size(), 20) <= 0) continue;
            if (fds[0].revents & POLLIN) {
                const int fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                const int one = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                if (fd >= 0) peers_.push_back({fd, 0, {}, {}});
            }
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                std::uint8_t buf[65536];
                const ssize_t n = recv(peers_[i - 1].fd, buf, sizeof buf, 0);
                if (n <= 0) {  // gone: forgotten below
                    peers_[i - 1].id = 0;
                    peers_[i - 1].in.clear();
                    peers_[i - 1].out.clear();
                    close(peers_[i - 1].fd);
                    peers_[i - 1].fd = -1;
                    continue;
                }
                peers_[i - 1].in.insert(peers_[i - 1].in.end(), buf, buf + n);
                TakeFrames(peers_[i - 1].in,
                           [&](const std::uint8_t* m, std::uint32_t len) { Handle(i - 1, m, len); });
            }
            std::erase_if(peers_, [](const Peer& p) { return p.fd < 0; });
            for (Peer& p : peers_) {
                if (p.out.empty()) continue;
                const ssize_t n = send(p.fd, p.out.data(), p.out.size(), MSG_NOSIGNAL);
                if (n > 0) p.out.erase(p.out.begin(), p.out.begin() + n);
            }
        }
    }

    void Handle(std::size_t from, const std::uint8_t* m, std::uint32_t len) {
        if (len < 17) return;
        if (m[4] == 1) {  // CreatePlayer: the next id, answered with PlayerCreated
            peers_[from].id = nextId_++;
            AppendFrame(peers_[from].out, tarvok::EncodeMessage(tarvok::MakeMessage(
                                              tarvok::MessageType::PlayerCreated, peers_[from].id, 0)));
        } else if (m[4] == 3) {  // TextMessage: a copy to every other player, or to its target
            const std::uint32_t target = Get32(m + 9);
            for (std::size_t i = 0; i < peers_.size(); ++i) {
                if (i == from || peers_[i].id == 0 ||
                    (target != tarvok::kAllPlayers && peers_[i].id != target))
                    continue;
                Bytes& out = peers_[i].out;
                for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(len >> (8 * k)));
                const std::size_t at = out.size();
                out.insert(out.end(), m, m + len);
                for (int k = 0; k < 4; ++k)
                    out[at + 9 + k] = static_cast<std::uint8_t>(peers_[i].id >> (8 * k));
            }
        }
    }

    int port_ = 0;
    int listener_;
    std::uint32_t nextId_ = 101;
    std::vector<Peer> peers_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

// ---- The load: clients that register, then send windows of texts and count what arrives ----

class Load {
public:
    // clients connect to port and register; the first `senders` of them send.
    Load(int port, int clients, int senders, bool broadcast) : senders_(senders), broadcast_(broadcast) {
        for (int i = 0; i < clients; ++i) {
            Client c;
            c.fd = ConnectLoopback(port);
            std::string name = std::to_string(i);  // "c" + to_string(i) trips a false -Wrestrict in g++ 12
            name.insert(name.begin(), 'c');
            Bytes frame;
            AppendFrame(frame, tarvok::EncodeMessage(
                                   tarvok::MakeMessage(tarvok::MessageType::CreatePlayer, 0, 0,
                                                       tarvok::CreatePlayerPayload(-1, -1, 0, 0, name))));
            send(c.fd, frame.data(), frame.size(), MSG_NOSIGNAL);
            clients_.push_back(std::move(c));
        }
        // Ids come back in PlayerCreated; the load is ready when every client has one.
        ok_ = Pump([&] {
            for (const Client& c : clients_)
                if (c.id == 0) return false;
            return true;
        });
    }
    ~Load() {
        for (const Client& c : clients_) close(c.fd);
    }
    bool Ok() const { return ok_; }

    // Every sender writes window texts; returns the copies delivered, 0 when they did not all come.
    long Round(int window) {
        const std::uint32_t target = broadcast_ ? tarvok::kAllPlayers : clients_[1].id;
        long expected = 0;
        for (int s = 0; s < senders_; ++s) {
            Client& c = clients_[static_cast<std::size_t>(s)];
            const Bytes m = tarvok::EncodeMessage(
                tarvok::MakeMessage(tarvok::MessageType::TextMessage, target, c.id, kText));
            for (int i = 0; i < window; ++i) AppendFrame(c.out, m);
            expected += broadcast_ ? window * (static_cast<long>(clients_.size()) - 1) : window;
        }
        got_ = 0;
        return Pump([&] { return got_ >= expected; }) ? expected : 0;
    }

private:
    struct Client {
        int fd = -1;
        std::uint32_t id = 0;
        Bytes in, out;
    };

    // Sends what is queued and reads what arrives until done() or 20 seconds passed.
    template <typename F>
    bool Pump(F done) {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        std::vector<pollfd> fds(clients_.size());
        std::uint8_t buf[65536];
        while (!done()) {
            if (Clock::now() > deadline) return false;
            for (std::size_t i = 0; i < clients_.size(); ++i)
                fds[i] = {clients_[i].fd, short(POLLIN | (clients_[i].out.empty() ? 0 : POLLOUT)), 0};
            if (poll(fds.data(), fds.size(), 100) <= 0) continue;
            for (std::size_t i = 0; i < clients_.size(); ++i) {
                Client& c = clients_[i];
                if ((fds[i].revents & POLLOUT) && !c.out.empty()) {
                    const ssize_t n = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                    if (n > 0) c.out.erase(c.out.begin(), c.out.begin() + n);
                }
                if (!(fds[i].revents & POLLIN)) continue;
                const ssize_t n = recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
                if (n <= 0) continue;
                c.in.insert(c.in.end(), buf, buf + n);
                TakeFrames(c.in, [&](const std::uint8_t* m, std::uint32_t len) {
                    if (len < 17) return;
                    if (m[4] == 2) c.id = Get32(m + 9);
                    if (m[4] == 3) ++got_;
                });
            }
        }
        return true;
    }

    int senders_;
    bool broadcast_;
    std::vector<Client> clients_;
    long got_ = 0;
    bool ok_ = false;
};

// ---- The two relays under each load ----

struct Shape {
    const char* name;
    const char* work;  // its row in scripts/bench.sh's table
    int clients, senders;
    bool broadcast;
    int window;  // texts per sender per iteration (what one receiver gets stays within the host's queue
                 // bound)
};

const Shape kShapes[] = {
    {"1to1", "relayed 16-byte texts, 1 sender to 1 receiver", 2, 1, false, 10000},
    {"1to9", "relayed 16-byte texts, 1 sender to 9 receivers", 10, 1, true, 4000},
    {"10_broadcasting", "relayed 16-byte texts, 10 clients broadcasting", 10, 10, true, 1000},
    {"100_broadcasting", "relayed 16-byte texts, 100 clients broadcasting", 100, 100, true, 50},
};

int HostPort() {
    static const int port = [] {
        int p = 0;
        close(ListenLoopback(p));  // a port that was free a moment ago
        InitNetwork();
        return NetHostGame(std::to_string(p).c_str()) == 1 ? p : 0;
    }();
    return port;
}

void RunShape(benchmark::State& state, const Shape& shape, int port) {
    if (port == 0) return state.SkipWithError("no relay");
    Load load(port, shape.clients, shape.senders, shape.broadcast);
    if (!load.Ok()) return state.SkipWithError("registration failed");
    long delivered = 0;
    for (auto _ : state) {
        const long n = load.Round(shape.window);
        if (n == 0) return state.SkipWithError("texts were lost");
        delivered += n;
    }
    state.SetItemsProcessed(delivered);
}

// ---- The game thread's NetSendText ----

void BM_NetSendText(benchmark::State& state) {
    if (HostPort() == 0) return state.SkipWithError("no relay");
    static const RtString a = NetCreatePlayer("a"), b = NetCreatePlayer("b");
    const RtString text(kText.c_str());
    constexpr int kBatch = 1000;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(NetSendText(a, b, text));
        state.PauseTiming();
        for (int got = 0; got < kBatch;) {
            if (NetNextText(b).Length() > 0)
                ++got;
            else
                std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["calls"] = kBatch;  // per iteration, for the table's time per call
    tarvok::bench::Compare(state, {{"NetSendText on the game thread, beside one plain send()", "PlainSend",
                                    "< 5 µs per call", "calls"}});
}

// The reference: one plain send() of a whole framed message on a loopback connection read by a thread.
void BM_PlainSend(benchmark::State& state) {
    int port = 0;
    const int listener = ListenLoopback(port);
    const int client = ConnectLoopback(port);
    const int server = accept(listener, nullptr, nullptr);
    std::atomic<bool> stop = false;
    std::thread reader([&] {
        std::uint8_t buf[65536];
        while (!stop) {
            pollfd p{server, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) recv(server, buf, sizeof buf, 0);
        }
    });
    Bytes frame;
    AppendFrame(
        frame, tarvok::EncodeMessage(tarvok::MakeMessage(tarvok::MessageType::TextMessage, 102, 101, kText)));
    for (auto _ : state) send(client, frame.data(), frame.size(), MSG_NOSIGNAL);
    state.SetItemsProcessed(state.iterations());
    state.counters["calls"] = 1;
    stop = true;
    reader.join();
    close(client);
    close(server);
    close(listener);
}

// Prints the ratios of each pair after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // Single runs, or the medians of repeated ones (the machine may be shared: medians are steadier).
        for (const Run& r : runs) {
            const auto it = r.counters.find("items_per_second");
            if (it == r.counters.end() || (!r.aggregate_name.empty() && r.aggregate_name != "median"))
                continue;
            std::string name = r.run_name.str();
            if (const std::size_t at = name.find("/repeats:"); at != std::string::npos)
                name.erase(at, name.find('/', at + 1) - at);
            rates_[name] = it->second.value;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nhost relay / minimal relay (delivered messages per second, medians):\n");
        for (const Shape& s : kShapes) {
            const double host = rates_["Relay/host/" + std::string(s.name) + "/real_time"];
            const double minimal = rates_["Relay/minimal/" + std::string(s.name) + "/real_time"];
            if (host > 0 && minimal > 0)
                std::printf("  %-18s %12.0f /s %12.0f /s   ratio %.2f\n", s.name, host, minimal,
                            host / minimal);
        }
        const double game = rates_["NetSendText"], plain = rates_["PlainSend"];
        if (game > 0 && plain > 0)
            std::printf("  NetSendText %.2f us per call, plain send() %.2f us\n", 1e6 / game, 1e6 / plain);
    }

private:
    std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    static MinimalRelay minimal;
    for (const Shape& s : kShapes) {
        benchmark::RegisterBenchmark(("Relay/host/" + std::string(s.name)).c_str(),
                                     [&s](benchmark::State& st) {
                                         RunShape(st, s, HostPort());
                                         tarvok::bench::Compare(
                                             st, {{s.work, "Relay/minimal/" + std::string(s.name), "0.5"}});
                                     })
            ->UseRealTime()
            ->Repetitions(5)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Relay/minimal/" + std::string(s.name)).c_str(),
                                     [&s](benchmark::State& st) { RunShape(st, s, minimal.Port()); })
            ->UseRealTime()
            ->Repetitions(5)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("NetSendText", BM_NetSendText)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("PlainSend", BM_PlainSend)->Unit(benchmark::kMicrosecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    ShutdownNetwork();
    return 0;
}
