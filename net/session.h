// The game network session: the records that the game thread and the network worker share, and the
// logic the worker applies to them. Every field of NetSession and of its player records is read and
// written only under the session lock; sends and waits happen with the lock released.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include "net/message.h"
#include "net/nl.h"

namespace tarvok {

inline constexpr std::uint16_t kDefaultPort = 26000;
inline constexpr std::int32_t kFirstPlayerId = 101;
inline constexpr int kPollMs = 20;          // request and registration polls...
inline constexpr int kPollCount = 250;      // ...at most this many times (5 seconds)
inline constexpr int kStopStepMs = 50;      // the worker's stop is awaited in these steps...
inline constexpr int kStopStepCount = 100;  // ...at most this many (5 seconds)
inline constexpr int kWorkerWaitMs = 50;    // the worker's longest wait: stops and time-outs are seen
// Messages read from each ready connection per wake-up: a share of kRoundBudget, at least kMessageBudget.
// Every ready connection gets the same share, so a flooder cannot starve the others; a lone sender is
// not held to a trickle either.
inline constexpr int kMessageBudget = 64;
inline constexpr int kRoundBudget = 4096;
inline constexpr int kAcceptBudget = 64;              // connections accepted per wake-up
inline constexpr std::size_t kMaxConnections = 256;   // host: connections kept at once
inline constexpr NLint kQueueMaxBytes = 1 << 20;      // outgoing bytes waiting for one connection...
inline constexpr NLint kQueueMaxMessages = 16384;     // ...and messages: past either, it is dropped
inline constexpr std::size_t kMaxQueuedTexts = 4096;  // per local player; newer texts are dropped
inline constexpr std::size_t kMaxReplies = 16;
inline constexpr std::size_t kMaxHostPlayers = 1024;  // CreatePlayer beyond this gets no answer

// The time-outs that end a connection, in milliseconds (tests shorten them).
struct NetTimeouts {
    int noPlayerMs = 10000;  // host: a connection that created no player by then is closed
    int stallMs = 10000;     // a connection whose queued bytes did not move for this long is closed
};
NetTimeouts& NetTimeoutSettings();

// Player ids of a local record that has no id from the host yet.
inline constexpr std::int32_t kIdUnsent = -1;     // waiting for the worker to send CreatePlayer
inline constexpr std::int32_t kIdTimedOut = -2;   // the game thread gave up; the worker frees it
inline constexpr std::int32_t kIdRequested = -3;  // CreatePlayer is on the way

struct PlayerRecord {
    NLsocket socket = NL_INVALID;  // host side: the connection the player came on
    std::int32_t id = kIdUnsent;
    std::uint8_t flags[2] = {0, 0};   // [0]: created with an empty name (hidden); [1]: by the host
    std::string name;                 // at most kMaxPlayerNameLength characters
    std::deque<NetMessage> received;  // texts for this local player, oldest first
};

// Host side: one accepted connection.
struct HostConnection {
    NLsocket socket = NL_INVALID;
    std::int64_t acceptedMs = 0;  // clock time of the accept
    bool registered = false;      // it created a player (or is the host's own connection)
};

// A message to write once the lock is released.
struct Outgoing {
    NLsocket socket = NL_INVALID;
    NetMessage message;
};

struct NetSession {
    std::int32_t nextPlayerId = kFirstPlayerId;  // host side: the id the next created player gets
    std::int32_t ownId = -1;                     // the id this program's requests are sent under
    std::uint8_t hostFlag = 0;                   // 1 when this program hosts
    NLsocket listenSocket = NL_INVALID;          // host only
    NLsocket connectionSocket = NL_INVALID;      // to the host (on the host: to itself)
    std::list<PlayerRecord> localPlayers;        // created by this program (stable addresses)
    std::list<PlayerRecord> players;             // host side: every player of the game
    std::deque<NetMessage> replies;              // replies for the waiting request
    NLint networkType = NL_IP;
    NLint connectionType = NL_TCP_PACKETS;
    std::uint8_t stopRequest = 0;  // set by the game thread to end the worker
    std::uint8_t running = 0;      // set while the worker runs
    NLmutex lock = nullptr;        // guards everything in this record

    // Book-keeping of this port.
    NLint group = -1;                         // every socket of the session, polled by the worker
    std::vector<HostConnection> connections;  // host side: the accepted connections
    NLaddress selfAddress;                    // host side: where the own connection comes from
    NLthreadID worker = -1;
    std::uint8_t pendingRequest = 0;    // type of the request awaiting its reply, 0 = none
    std::int32_t abandonedCreates = 0;  // PlayerCreated answers still due to given-up records
};

// Where the host's replies and relayed copies go: the socket, the message, and the target field that
// this copy carries.
using HostSink = std::function<void(NLsocket socket, const NetMessage& message, std::uint32_t target)>;
// Host side: applies one message received on a connection to the players list and hands its replies and
// relayed copies to send; true when it created a player. (Messages are handled as soon as they are
// read, so a connection that closes leaves no backlog behind.)
bool HandleHostMessage(NetSession& session, const NetMessage& message, NLsocket from, const HostSink& send);
// Host side: forgets every player that came on a connection that is gone.
void DropHostConnection(NetSession& session, NLsocket socket);
// Any side: files one message from the host connection (texts into local queues, ids, replies);
// returns what must be sent in answer (a RemovePlayer for an id that came too late).
std::vector<Outgoing> DeliverFromHost(NetSession& session, const NetMessage& message);

// Holds the session lock for a scope.
class SessionLock {
public:
    explicit SessionLock(NetSession& session) : lock_(&session.lock) { nlMutexLock(lock_); }
    ~SessionLock() { nlMutexUnlock(lock_); }
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

private:
    NLmutex* lock_;
};

// Writes a whole message to a socket (queues it, on a socket with a write queue): true when it went.
bool SendMessage(NLsocket socket, const NetMessage& message);
// Gives a socket of the session its bounded write queue.
bool StartWriteQueue(NLsocket socket);

// The network worker's thread function (data: the NetSession).
void* NetworkWorker(void* data);

}  // namespace tarvok

// The engine's network object: the session and the command-side state.
struct NetworkState {
    tarvok::NetSession session;
    std::uint8_t used = 0;        // a game was hosted or joined: the shutdown must stop it
    std::int32_t lastSender = 0;  // source id of the message NetNextText took last
};
