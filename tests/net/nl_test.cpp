// The small network library on its own, over the loopback address.
#include "net/nl.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/net/helpers.h"

namespace {

// The library's error code when a call failed, 0 when it did not.
NLint ErrorIf(bool failed) { return failed ? nlGetError() : 0; }

class NlTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(nlInit() && nlSelectNetwork(NL_IP)); }
    void TearDown() override { nlShutdown(); }

    // A connected pair: the client and the server side accepted from a listener.
    static std::pair<NLsocket, NLsocket> Connect(NLint type = NL_TCP_PACKETS) {
        const NLsocket listener = nlOpen(0, type), client = nlOpen(0, type);
        NLaddress address;
        EXPECT_TRUE(nlListen(listener) && nlGetLocalAddr(listener, &address) && nlConnect(client, &address));
        NLsocket server = NL_INVALID;
        EXPECT_TRUE(Eventually([&] { return (server = nlAcceptConnection(listener)) != NL_INVALID; }, 2000));
        return {client, server};
    }
    // The next packet within 3 seconds, read into room bytes; "error N" when the read failed.
    static std::string ReadSoon(NLsocket s, NLint room = NL_MAX_PACKET_LENGTH + 10) {
        std::string in(static_cast<std::size_t>(room), '\0');
        NLint n = 0;
        Eventually([&] { return (n = nlRead(s, in.data(), room)) != 0; }, 3000);
        return n < 0 ? "error " + std::to_string(nlGetError()) : in.substr(0, static_cast<std::size_t>(n));
    }
};

}  // namespace

TEST_F(NlTest, PacketsArriveWholeAndOneAtATime) {
    const auto [a, b] = Connect();
    std::string big(NL_MAX_PACKET_LENGTH, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    for (const std::string& packet : {std::string("one"), big, std::string("x")})
        ASSERT_EQ(nlWrite(a, packet.data(), NLint(packet.size())), NLint(packet.size()));
    EXPECT_EQ(ReadSoon(b), "one");
    EXPECT_TRUE(ReadSoon(b) == big);
    EXPECT_EQ(ReadSoon(b), "x");
    char in[100];

    // Packets that cannot be framed are refused before anything is sent.
    EXPECT_EQ(ErrorIf(nlWrite(a, big.data(), 0) == -1), NL_PACKET_SIZE);
    EXPECT_EQ(ErrorIf(nlWrite(a, big.data(), NL_MAX_PACKET_LENGTH + 1) == -1), NL_PACKET_SIZE);
    // A packet larger than the reader's buffer ends the reading of that connection.
    ASSERT_EQ(nlWrite(a, "0123456789", 10), 10);
    EXPECT_EQ(ReadSoon(b, 4), "error " + std::to_string(NL_PACKET_SIZE));
    EXPECT_EQ(nlRead(b, in, 100), -1);

    // The peer's close is the normal end, code 268; writes to a closed peer fail without a signal.
    const auto [c, d] = Connect();
    ASSERT_TRUE(nlClose(c));
    EXPECT_EQ(ReadSoon(d), "error 268");
    NLint written = 0;
    for (int i = 0; i < 100 && written >= 0; ++i) written = nlWrite(d, "ping", 4);
    EXPECT_EQ(written, -1);
}

TEST_F(NlTest, GroupsReportSocketsWithDataRoomAndEnds) {
    const auto [a1, b1] = Connect();
    const auto [a2, b2] = Connect();
    const NLint group = nlGroupCreate();
    ASSERT_TRUE(group >= 0 && nlGroupAddSocket(group, b1) && nlGroupAddSocket(group, b2));
    NLsocketStatus ready[4];
    EXPECT_EQ(nlPollGroupStatus(group, ready, 4, 0), 0);
    ASSERT_EQ(nlWrite(a2, "hi", 2), 2);
    EXPECT_EQ(nlPollGroupStatus(group, ready, 4, 2000), 1);
    EXPECT_TRUE(ready[0].socket == b2 && ready[0].readable && !ready[0].writable && !ready[0].ended);

    // Bytes queued from another thread end a wait at once; the queued socket then reports room.
    ASSERT_TRUE(nlSetWriteQueue(b1, 100, 2, 60000));
    EXPECT_EQ(ReadSoon(b2), "hi");
    const auto start = Clock::now();
    std::thread writer([&, b1 = b1] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        nlWrite(b1, "queued", 6);
    });
    EXPECT_EQ(nlPollGroupStatus(group, ready, 4, 5000), 1);
    writer.join();
    EXPECT_LT(MsSince(start), 2000);
    EXPECT_TRUE(ready[0].socket == b1 && ready[0].writable);
    EXPECT_EQ(nlFlush(b1), 0);
    EXPECT_EQ(ReadSoon(a1), "queued");

    // A closed peer is an end, reported also while its last packet is still unread.
    ASSERT_EQ(nlWrite(a2, "last", 4), 4);
    nlClose(a2);
    for (int i = 0; i < 100 && !(nlPollGroupStatus(group, ready, 4, 20) == 1 && ready[0].ended); ++i) {
    }
    EXPECT_TRUE(ready[0].socket == b2 && ready[0].ended);
    // Groups are bounded; when more sockets are ready than asked for, they are reported in turns.
    const NLint full = nlGroupCreate();
    std::vector<NLsocket> members(NL_MAX_GROUP_SOCKETS);
    for (NLsocket& m : members) ASSERT_TRUE(nlGroupAddSocket(full, m = nlOpen(0, NL_TCP)));
    EXPECT_EQ(ErrorIf(!nlGroupAddSocket(full, b1)), NL_GROUP_FULL);
    EXPECT_TRUE(nlGroupDestroy(full));
    for (const NLsocket m : members) nlClose(m);
    EXPECT_EQ(ErrorIf(!nlGroupAddSocket(full, b1)), NL_INVALID_GROUP);
    const NLint three = nlGroupCreate();
    for (int i = 0; i < 3; ++i) {
        const auto [c, d] = Connect();
        ASSERT_TRUE(nlWrite(c, "x", 1) == 1 && nlGroupAddSocket(three, d));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::set<NLsocket> seen;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(nlPollGroupStatus(three, ready, 1, 1000), 1);
        seen.insert(ready[0].socket);
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(NlTest, WriteQueuesNeverWaitAndFailOnOverflowOrStall) {
    const auto [a, b] = Connect();
    ASSERT_TRUE(nlSetWriteQueue(b, 1 << 20, 1000000, 300));
    // The peer reads nothing: the system's buffers fill, then the queue; no write ever waits.
    const std::string packet(1000, 'q');
    const auto start = Clock::now();
    NLint written = 0, queued = 0;
    for (int i = 0; i < 100000 && written >= 0; ++i) {
        written = nlWrite(b, packet.data(), 1000);
        if (written > 0) queued = nlFlush(b);
    }
    EXPECT_LT(MsSince(start), 3000);
    EXPECT_EQ(ErrorIf(written == -1), NL_QUEUE_FULL);
    EXPECT_GT(queued, (1 << 20) - 2000);
    EXPECT_EQ(nlFlush(b), -1);  // unusable from now on
    EXPECT_EQ(nlWrite(b, "x", 1), -1);

    // Queued bytes that do not move for the stall time fail the queue: kept at half a megabyte until
    // the system takes no more, nothing moves.
    const auto [c, d] = Connect();
    ASSERT_TRUE(nlSetWriteQueue(d, 1 << 20, 1000000, 200));
    NLint left = 0;
    for (const auto limit = Clock::now() + std::chrono::seconds(10); left >= 0 && Clock::now() < limit;) {
        if (left < (1 << 19))
            ASSERT_EQ(nlWrite(d, packet.data(), 1000), 1000);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        left = nlFlush(d);
    }
    EXPECT_EQ(ErrorIf(left == -1), NL_TIMEOUT);
    // The packet bound holds too.
    const auto [e, f] = Connect();
    ASSERT_TRUE(nlSetWriteQueue(f, 1 << 20, 3, 200));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(nlWrite(f, "p", 1), 1);
    EXPECT_EQ(ErrorIf(nlWrite(f, "p", 1) == -1), NL_QUEUE_FULL);
}

TEST_F(NlTest, AddressTextsLifeCycleAndBadArguments) {
    NLaddress a;
    char text[NL_MAX_STRING_LENGTH];
    ASSERT_TRUE(nlStringToAddr("10.1.2.3:8080", &a));
    EXPECT_TRUE(a.ip == 0x0A010203u && a.port == 8080);
    EXPECT_STREQ(nlAddrToString(&a, text), "10.1.2.3:8080");
    for (const char* bad : {"", ":80", "1.2.3.4:", "1.2.3.4:65536", "1.2.3.4:8x", "not an address"}) {
        EXPECT_EQ(ErrorIf(!nlStringToAddr(bad, &a)), NL_BAD_ADDRESS) << bad;
        EXPECT_FALSE(a.valid);
    }

    // Streams: nothing pending to accept; a blocking read waits for its time-out (the downloads read the
    // bytes and the end); connecting to a bound port where no one listens fails within its bound.
    const NLsocket listener = nlOpen(0, NL_TCP);
    ASSERT_TRUE(nlListen(listener));
    EXPECT_EQ(ErrorIf(nlAcceptConnection(listener) == NL_INVALID), NL_NO_PENDING);
    nlEnable(NL_BLOCKING_READS);
    const auto [c, d] = Connect(NL_TCP);
    nlSetReadTimeout(200);
    const auto start = Clock::now();
    EXPECT_EQ(ReadSoon(c), "error " + std::to_string(NL_TIMEOUT));
    EXPECT_GT(MsSince(start), 150);
    nlSetReadTimeout(NL_DEFAULT_READ_TIMEOUT_MS);
    ASSERT_TRUE(nlGetLocalAddr(nlOpen(0, NL_TCP), &a));
    EXPECT_EQ(ErrorIf(!nlConnect(nlOpen(0, NL_TCP), &a)), NL_CONNECT_FAILED);

    nlShutdown();
    EXPECT_EQ(ErrorIf(nlOpen(0, NL_TCP) == NL_INVALID), NL_NO_NETWORK);
    ASSERT_TRUE(nlInit());
    EXPECT_EQ(ErrorIf(!nlSelectNetwork(4)), NL_INVALID_ENUM);
    ASSERT_TRUE(nlSelectNetwork(NL_IP));
    EXPECT_FALSE(nlEnable(66));
    EXPECT_EQ(nlOpen(0, 18), NL_INVALID);
    const NLsocket s = nlOpen(0, NL_TCP_PACKETS);
    ASSERT_NE(s, NL_INVALID);
    nlShutdown();  // closes every socket
    char buf[4];
    EXPECT_EQ(ErrorIf(nlRead(s, buf, 4) == -1), NL_INVALID_SOCKET);
    EXPECT_EQ(nlWrite(12345, buf, 4), -1);
    EXPECT_EQ(ErrorIf(nlRead(s, nullptr, 4) == -1), NL_NULL_POINTER);
    EXPECT_FALSE(nlClose(s));
}

TEST(NlThreads, MutexGuardsSharedCounts) {
    static NLmutex mutex = nullptr;
    static long count = 0;
    ASSERT_TRUE(nlMutexInit(&mutex));
    auto work = [](void*) -> void* {
        for (int i = 0; i < 100000; ++i) {
            nlMutexLock(&mutex);
            ++count;
            nlMutexUnlock(&mutex);
        }
        return nullptr;
    };
    const NLthreadID t1 = nlThreadCreate(work, nullptr, true), t2 = nlThreadCreate(work, nullptr, true);
    ASSERT_TRUE(t1 != -1 && t2 != -1);
    EXPECT_TRUE(nlThreadJoin(t1, nullptr) && nlThreadJoin(t2, nullptr));
    EXPECT_FALSE(nlThreadJoin(t2, nullptr));  // already joined
    EXPECT_EQ(count, 200000);
    EXPECT_TRUE(nlMutexDestroy(&mutex));
    EXPECT_FALSE(nlMutexLock(&mutex));
}
