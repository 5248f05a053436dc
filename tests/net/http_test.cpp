// HttpGet against Python's own http.server and against a server with odd replies, on the loopback
// address. Expected files are compared with the bytes the test itself wrote.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "net/http_reply.h"
#include "net/net.h"
#include "net/nl.h"
#include "tests/net/child_process.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// Starts a server and reads the port it reports on its first lines.
int StartServer(ChildProcess& server, const std::vector<std::string>& argv, const std::string& marker) {
    if (!server.Start(argv)) return 0;
    for (int i = 0; i < 5; ++i) {
        const std::optional<std::string> line = server.ReadLine(10000);
        if (!line) return 0;
        const std::size_t at = line->find(marker);
        if (at != std::string::npos) return std::atoi(line->c_str() + at + marker.size());
    }
    return 0;
}

class HttpGetTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(std::getenv("TMPDIR")) / "http";
        fs::create_directories(dir_ / "site");
    }
    fs::path dir_;
};

}  // namespace

TEST_F(HttpGetTest, DownloadsFromPythonsHttpServer) {
    const std::string small = "small file\r\nwith two lines\n";
    std::string large(10 * 1024 * 1024, '\0');
    std::mt19937 rng(7);
    for (char& c : large) c = static_cast<char>(rng());
    WriteFile(dir_ / "site" / "small.txt", small);
    WriteFile(dir_ / "site" / "large.bin", large);

    ChildProcess server;
    const int port = StartServer(server,
                                 {"python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
                                  "--directory", (dir_ / "site").string()},
                                 " port ");
    ASSERT_GT(port, 0);

    const fs::path out = dir_ / "out.txt";
    EXPECT_EQ(HttpGet("127.0.0.1", "/small.txt", port, out.c_str()), 1);
    EXPECT_EQ(ReadFile(out), small);
    // A file that exists is replaced; the name may use backslashes.
    const std::string backslashed = (dir_ / "big.bin").string();
    std::string windowsName = backslashed;
    for (char& c : windowsName) c = c == '/' ? '\\' : c;
    WriteFile(backslashed, "old contents that are longer than nothing");
    EXPECT_EQ(HttpGet("127.0.0.1", "/large.bin", port, windowsName.c_str()), 1);
    EXPECT_TRUE(ReadFile(backslashed) == large);
    // The server's error page is stored like any body.
    EXPECT_EQ(HttpGet("localhost", "/missing.txt", port, out.c_str()), 1);
    EXPECT_NE(ReadFile(out).find("404"), std::string::npos);
}

TEST_F(HttpGetTest, OddRepliesAndFailures) {
    ChildProcess server;
    const int port =
        StartServer(server, {"python3", "-u", TARVOK_SOURCE_DIR "/tests/net/odd_http_server.py"}, "port ");
    ASSERT_GT(port, 0);
    const fs::path out = dir_ / "odd.bin";
    auto get = [&](const char* path) { return HttpGet("127.0.0.1", path, port, out.c_str()); };

    // The request exactly as sent.
    EXPECT_EQ(get("/echo"), 1);
    EXPECT_EQ(ReadFile(out),
              "GET /echo HTTP/1.0\r\nHost:127.0.0.1\r\nAccept: */*\r\nUser-Agent: Tarvok game\r\n\r\n");
    EXPECT_EQ(get("/barelf"), 1);
    EXPECT_EQ(ReadFile(out), "bare body\r\n\r\nwith blank lines");
    EXPECT_EQ(get("/headeronly"), 1);
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(fs::file_size(out), 0u);
    // Cut off before the announced length, or before the header ended: a failure, the part kept.
    EXPECT_EQ(get("/early"), 0);
    EXPECT_EQ(ReadFile(out), "0123456789");
    EXPECT_EQ(get("/noheader"), 0);
    EXPECT_EQ(get("/hugeheader"), 0);
    // A server that says nothing: the read times out.
    nlSetReadTimeout(500);
    const auto start = Clock::now();
    EXPECT_EQ(get("/silent"), 0);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 5.0);
    nlSetReadTimeout(NL_DEFAULT_READ_TIMEOUT_MS);

    // No connection at all: 0 and no file.
    const fs::path none = dir_ / "none.bin";
    const std::string refused = std::to_string(FreeLoopbackPort());
    EXPECT_EQ(HttpGet("127.0.0.1", "/", std::atof(refused.c_str()), none.c_str()), 0);
    const std::string noSuchHost = std::string(64, 'a') + ".invalid";  // a name no resolver can ask for
    EXPECT_EQ(HttpGet(noSuchHost.c_str(), "/", port, none.c_str()), 0);
    EXPECT_EQ(HttpGet("", "/", port, none.c_str()), 0);
    EXPECT_FALSE(fs::exists(none));
}

TEST_F(HttpGetTest, ADownloadLeavesARunningGameAlone) {
    ChildProcess server;
    const int port =
        StartServer(server, {"python3", "-u", TARVOK_SOURCE_DIR "/tests/net/odd_http_server.py"}, "port ");
    ASSERT_GT(port, 0);
    InitNetwork();
    ASSERT_EQ(NetHostGame(std::to_string(FreeLoopbackPort()).c_str()), 1);
    EXPECT_STREQ(NetCreatePlayer("p").CText(), "101");
    EXPECT_EQ(HttpGet("127.0.0.1", "/barelf", port, (dir_ / "x").c_str()), 1);
    EXPECT_EQ(NetPlayerCount(), 1);  // the session's sockets are still open and answered
    EXPECT_EQ(NetSendText("101", "101", "self"), 1);
    ShutdownNetwork();
}

TEST(HttpReplyScanner, SplitsTheHeaderWhereverTheReadsEnd) {
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello";
    for (std::size_t cut = 0; cut <= reply.size(); ++cut) {
        tarvok::HttpReplyScanner scanner;
        std::string body;
        for (const std::string& part : {reply.substr(0, cut), reply.substr(cut)}) {
            const auto b =
                scanner.Feed(std::span(reinterpret_cast<const std::uint8_t*>(part.data()), part.size()));
            body.append(reinterpret_cast<const char*>(b.data()), b.size());
        }
        EXPECT_EQ(body, "hello") << cut;
        EXPECT_EQ(scanner.ContentLength(), 5u);
    }
    // Carriage returns do not count; any other byte between line feeds resets the count.
    tarvok::HttpReplyScanner scanner;
    const std::string odd = "A\n\r\r\nB";
    const auto b = scanner.Feed(std::span(reinterpret_cast<const std::uint8_t*>(odd.data()), odd.size()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), b.size()), "B");
    tarvok::HttpReplyScanner noLength;
    const std::string x = "H\n \nrest";
    EXPECT_EQ(noLength.Feed(std::span(reinterpret_cast<const std::uint8_t*>(x.data()), x.size())).size(), 0u);
    EXPECT_FALSE(noLength.HeaderDone());
}
