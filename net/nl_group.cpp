// Socket groups: sets of sockets polled together for data to read, room for queued bytes and ends.
#include <algorithm>
#include <atomic>
#include <map>
#include <vector>

#include "net/nl_internal.h"
#include "platform/sockets.h"

namespace tarvok::nl {

namespace {

struct Groups {
    std::mutex lock;
    NLint next = 0;
    std::map<NLint, std::vector<NLsocket>> members;
    std::map<NLint, std::size_t> turn;  // where the next report of a group starts, when not all fit
};

// The wake-up of a waiting poll. It is signalled only while a poll is (about to be) waiting, so writes
// queued by the polling thread itself cost no system call.
struct Waker {
    int fd = platform::WakerCreate();
    std::atomic<int> waiting = 0;
};

Waker& TheWaker() {
    static Waker waker;
    return waker;
}

Groups& AllGroups() {
    static Groups groups;
    return groups;
}

}  // namespace

void WakePoller() {
    Waker& w = TheWaker();
    if (w.waiting.load() > 0 && w.fd >= 0) platform::WakerSignal(w.fd);
}

void RemoveFromAllGroups(NLsocket socket) {
    Groups& g = AllGroups();
    std::lock_guard guard(g.lock);
    for (auto& [id, list] : g.members) std::erase(list, socket);
}

}  // namespace tarvok::nl

using namespace tarvok::nl;

NLint nlGroupCreate() {
    Groups& g = AllGroups();
    std::lock_guard guard(g.lock);
    const NLint id = g.next;
    g.next = g.next == INT32_MAX ? 0 : g.next + 1;
    g.members[id];
    return id;
}

NLboolean nlGroupDestroy(NLint group) {
    Groups& g = AllGroups();
    std::lock_guard guard(g.lock);
    g.turn.erase(group);
    return g.members.erase(group) == 1 ? true : Fail(NL_INVALID_GROUP);
}

NLboolean nlGroupAddSocket(NLint group, NLsocket socket) {
    if (!FindSocket(socket)) return false;
    Groups& g = AllGroups();
    std::lock_guard guard(g.lock);
    const auto it = g.members.find(group);
    if (it == g.members.end()) return Fail(NL_INVALID_GROUP);
    if (std::find(it->second.begin(), it->second.end(), socket) != it->second.end()) return true;
    if (it->second.size() >= static_cast<std::size_t>(NL_MAX_GROUP_SOCKETS)) return Fail(NL_GROUP_FULL);
    it->second.push_back(socket);
    return true;
}

NLboolean nlGroupDeleteSocket(NLint group, NLsocket socket) {
    Groups& g = AllGroups();
    std::lock_guard guard(g.lock);
    const auto it = g.members.find(group);
    if (it == g.members.end()) return Fail(NL_INVALID_GROUP);
    std::erase(it->second, socket);
    return true;
}

NLint nlPollGroupStatus(NLint group, NLsocketStatus* status, NLint number, NLint timeoutMs) {
    if (!status || number < 0) return Fail(NL_NULL_POINTER), -1;
    std::vector<NLsocket> members;
    std::size_t turn = 0;
    {
        Groups& g = AllGroups();
        std::lock_guard guard(g.lock);
        const auto it = g.members.find(group);
        if (it == g.members.end()) return Fail(NL_INVALID_GROUP), -1;
        members = it->second;
        turn = g.turn[group];
    }
    // Marked as waiting before the queues are looked at: bytes queued after that look signal the waker,
    // and a wait that the waker ended looks once more.
    Waker& waker = TheWaker();
    const bool hasWaker = waker.fd >= 0;
    std::vector<platform::PollEntry> entries;
    std::vector<NLsocket> ids;
    std::vector<char> packetReady, writeFailed;  // known without asking the system
    for (int look = 0; look < 2; ++look) {
        ++waker.waiting;
        entries.clear();
        ids.clear();
        packetReady.clear();
        writeFailed.clear();
        bool anyPending = false;
        for (const NLsocket id : members) {
            const auto r = FindSocket(id);
            if (!r) continue;
            platform::PollEntry e;
            bool ready = false, failed = false;
            {
                std::lock_guard guard(r->readLock);
                if (r->fd < 0) continue;
                e.socket = r->fd;
                ready = r->assembler.Status() == tarvok::PacketAssembler::State::Ready;
            }
            {
                std::lock_guard guard(r->writeLock);
                e.wantWrite = r->queue && !r->queue->Empty();
                failed = r->writeBroken;
            }
            entries.push_back(e);
            ids.push_back(id);
            packetReady.push_back(ready ? 1 : 0);
            writeFailed.push_back(failed ? 1 : 0);
            anyPending = anyPending || ready || failed;
        }
        if (hasWaker) entries.push_back({waker.fd, true, false});
        const int r = platform::PollSockets(entries, anyPending || look > 0 ? 0 : timeoutMs);
        --waker.waiting;
        if (r < 0) return Fail(NL_SYSTEM_ERROR), -1;
        const bool woken = hasWaker && entries.back().readable;
        if (woken) platform::WakerDrain(waker.fd);
        if (!woken || r > 1 || anyPending) break;
    }

    NLint count = 0;
    const std::size_t n = ids.size();
    const std::size_t first = n == 0 ? 0 : turn % n;
    std::size_t next = first;
    for (std::size_t k = 0; k < n && count < number; ++k) {
        const std::size_t i = (first + k) % n;
        const platform::PollEntry& e = entries[i];
        const bool readable = e.readable || packetReady[i] != 0;
        const bool writable = e.writable || writeFailed[i] != 0;
        if (!readable && !writable && !e.ended) continue;
        status[count++] = {ids[i], readable, writable, e.ended};
        next = i + 1;
    }
    Groups& g = AllGroups();
    std::lock_guard guard(g.lock);
    if (g.members.count(group)) g.turn[group] = next;
    return count;
}
