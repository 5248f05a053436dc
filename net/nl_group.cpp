// Socket groups: sets of sockets polled together for waiting data.
#include <algorithm>
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
};

Groups& AllGroups() {
    static Groups groups;
    return groups;
}

}  // namespace

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

NLint nlPollGroup(NLint group, NLint status, NLsocket* sockets, NLint number, NLint timeoutMs) {
    if (status != NL_READ_STATUS) return Fail(NL_INVALID_ENUM), -1;
    if (!sockets || number < 0) return Fail(NL_NULL_POINTER), -1;
    std::vector<NLsocket> members;
    {
        Groups& g = AllGroups();
        std::lock_guard guard(g.lock);
        const auto it = g.members.find(group);
        if (it == g.members.end()) return Fail(NL_INVALID_GROUP), -1;
        members = it->second;
    }
    // A packet already complete in a socket's buffer is waiting too, even when the system has no bytes.
    std::vector<int> fds;
    std::vector<NLsocket> ids;
    std::vector<char> buffered;
    for (const NLsocket id : members) {
        const auto r = FindSocket(id);
        if (!r) continue;
        std::lock_guard guard(r->readLock);
        if (r->fd < 0) continue;
        fds.push_back(r->fd);
        ids.push_back(id);
        buffered.push_back(r->assembler.Status() == tarvok::PacketAssembler::State::Ready ? 1 : 0);
    }
    const bool anyBuffered = std::find(buffered.begin(), buffered.end(), 1) != buffered.end();
    std::unique_ptr<bool[]> readable(new bool[fds.size() + 1]());
    const std::span<bool> flags(readable.get(), fds.size());
    if (platform::PollReadable(fds, flags, anyBuffered ? 0 : timeoutMs) < 0) {
        return Fail(NL_SYSTEM_ERROR), -1;
    }
    NLint count = 0;
    for (std::size_t i = 0; i < ids.size() && count < number; ++i) {
        if (readable[i] || buffered[i]) sockets[count++] = ids[i];
    }
    return count;
}
