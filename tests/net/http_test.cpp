// HttpGet against Python's own http.server and against a server with odd replies, on the loopback
// address. Expected files are compared with the bytes the test itself wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "net/http_reply.h"
#include "net/net.h"
#include "net/nl.h"
#include "tests/net/helpers.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class HttpGetTest : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_ / "site"); }

    // Starts a server and reads the port it reports after marker on one of its first lines.
    int StartServer(const std::vector<std::string>& argv, const std::string& marker) {
        if (!server_.Start(argv)) return 0;
        for (int i = 0; i < 5; ++i) {
            const std::optional<std::string> line = server_.ReadLine(10000);
            if (!line) return 0;
            if (const std::size_t at = line->find(marker); at != std::string::npos)
                return std::atoi(line->c_str() + at + marker.size());
        }
        return 0;
    }

    const fs::path dir_ = fs::path(std::getenv("TMPDIR")) / "http";
    ChildProcess server_;
};

}  // namespace

TEST_F(HttpGetTest, DownloadsFromPythonsHttpServer) {
    const std::string small = "small file\r\nwith two lines\n";
    std::string large(10 * 1024 * 1024, '\0');
    std::mt19937 rng(7);
    for (char& c : large) c = static_cast<char>(rng());
    std::ofstream(dir_ / "site" / "small.txt", std::ios::binary) << small;
    std::ofstream(dir_ / "site" / "large.bin", std::ios::binary) << large;
    const int port = StartServer({"python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
                                  "--directory", (dir_ / "site").string()},
                                 " port ");
    ASSERT_GT(port, 0);

    const fs::path out = dir_ / "out.txt", big = dir_ / "big.bin";
    EXPECT_EQ(HttpGet("127.0.0.1", "/small.txt", port, out.c_str()), 1);
    EXPECT_EQ(ReadFile(out), small);
    // A file that exists is replaced; the name may use backslashes.
    std::ofstream(big) << "old contents that are longer than nothing";
    std::string windowsName = big.string();
    std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
    EXPECT_EQ(HttpGet("127.0.0.1", "/large.bin", port, windowsName.c_str()), 1);
    EXPECT_TRUE(ReadFile(big) == large);
    // The server's error page is stored like any body.
    EXPECT_EQ(HttpGet("localhost", "/missing.txt", port, out.c_str()), 1);
    EXPECT_NE(ReadFile(out).find("404"), std::string::npos);
}

TEST_F(HttpGetTest, OddRepliesAndFailures) {
    const int port =
        StartServer({"python3", "-u", TARVOK_SOURCE_DIR "/tests/net/odd_http_server.py"}, "port ");
    ASSERT_GT(port, 0);
    const fs::path out = dir_ / "odd.bin";
    // Path, result, what the file holds afterwards: the request exactly as sent, bodies after bare line
    // feeds, an empty body, a body longer than announced cut to its announced length; a reply cut off
    // before its announced length or before its header ended fails and keeps the part read.
    const std::tuple<const char*, double, std::string> cases[] = {
        {"/echo", 1,
         "GET /echo HTTP/1.0\r\nHost:127.0.0.1\r\nAccept: */*\r\nUser-Agent: Tarvok game\r\n\r\n"},
        {"/barelf", 1, "bare body\r\n\r\nwith blank lines"},
        {"/headeronly", 1, ""},
        {"/early", 0, "0123456789"},
        {"/long", 1, "0123456789"},
        {"/noheader", 0, ""},
        {"/hugeheader", 0, ""},
    };
    for (const auto& [path, result, body] : cases) {
        fs::remove(out);
        EXPECT_EQ(HttpGet("127.0.0.1", path, port, out.c_str()), result) << path;
        EXPECT_TRUE(fs::exists(out)) << path;
        EXPECT_EQ(ReadFile(out), body) << path;
    }
    // A server that says nothing: the read times out.
    nlSetReadTimeout(500);
    auto start = Clock::now();
    EXPECT_EQ(HttpGet("127.0.0.1", "/silent", port, out.c_str()), 0);
    EXPECT_LT(MsSince(start), 5000);
    nlSetReadTimeout(NL_DEFAULT_READ_TIMEOUT_MS);
    // A server that trickles a byte now and then passes every read's time-out, not the whole deadline.
    tarvok::HttpDeadlineMs() = 1500;
    start = Clock::now();
    EXPECT_EQ(HttpGet("127.0.0.1", "/trickle", port, out.c_str()), 0);
    EXPECT_GT(MsSince(start), 1400);
    EXPECT_LT(MsSince(start), 4000);
    EXPECT_GE(ReadFile(out).size(), 3u);  // what came is kept
    tarvok::HttpDeadlineMs() = 60000;

    // No connection at all (refused, a name no resolver can ask for, no name): 0 and no file.
    const fs::path none = dir_ / "none.bin";
    EXPECT_EQ(HttpGet("127.0.0.1", "/", FreeLoopbackPort(), none.c_str()), 0);
    EXPECT_EQ(HttpGet((std::string(64, 'a') + ".invalid").c_str(), "/", port, none.c_str()), 0);
    EXPECT_EQ(HttpGet("", "/", port, none.c_str()), 0);
    EXPECT_FALSE(fs::exists(none));

    // A download leaves a running game alone: the session's sockets stay open and answered.
    InitNetwork();
    ASSERT_EQ(NetHostGame(std::to_string(FreeLoopbackPort()).c_str()), 1);
    EXPECT_STREQ(NetCreatePlayer("p").CText(), "101");
    EXPECT_EQ(HttpGet("127.0.0.1", "/barelf", port, out.c_str()), 1);
    EXPECT_EQ(NetPlayerCount(), 1);
    EXPECT_EQ(NetSendText("101", "101", "self"), 1);
    ShutdownNetwork();
}

TEST(HttpReplyScanner, SplitsTheHeaderWhereverTheReadsEnd) {
    auto feed = [](tarvok::HttpReplyScanner& scanner, const std::string& part) {
        const auto b =
            scanner.Feed(std::span(reinterpret_cast<const std::uint8_t*>(part.data()), part.size()));
        return std::string(reinterpret_cast<const char*>(b.data()), b.size());
    };
    // The body ends at the announced length, whatever follows it.
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello, and more";
    for (std::size_t cut = 0; cut <= reply.size(); ++cut) {
        tarvok::HttpReplyScanner scanner;
        std::string body = feed(scanner, reply.substr(0, cut));
        body += feed(scanner, reply.substr(cut));
        body += feed(scanner, "!");
        EXPECT_EQ(body, "hello") << cut;
        EXPECT_EQ(scanner.ContentLength(), 5u);
    }
}
