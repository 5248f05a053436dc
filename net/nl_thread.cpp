// Threads and mutexes of the network library, over std::thread and std::mutex.
#include <map>
#include <thread>

#include "net/nl_internal.h"

struct NLmutexRecord {
    std::mutex mutex;
};

namespace tarvok::nl {

namespace {

struct Threads {
    std::mutex lock;
    NLthreadID next = 0;
    std::map<NLthreadID, std::thread> joinable;

    // A thread never joined must not end the program when the table goes at exit.
    ~Threads() {
        for (auto& [id, thread] : joinable) thread.detach();
    }
};

Threads& AllThreads() {
    static Threads threads;
    return threads;
}

}  // namespace

}  // namespace tarvok::nl

using namespace tarvok::nl;

NLthreadID nlThreadCreate(NLThreadFunc func, void* data, NLboolean joinable) {
    if (!func) return Fail(NL_NULL_POINTER), -1;
    std::thread thread;
    try {
        thread = std::thread(func, data);
    } catch (const std::system_error&) {
        return Fail(NL_SYSTEM_ERROR), -1;
    }
    Threads& t = AllThreads();
    std::lock_guard guard(t.lock);
    const NLthreadID id = t.next;
    t.next = t.next == INT32_MAX ? 0 : t.next + 1;
    if (joinable) {
        t.joinable.emplace(id, std::move(thread));
    } else {
        thread.detach();
    }
    return id;
}

NLboolean nlThreadJoin(NLthreadID thread, void** status) {
    std::thread joined;
    {
        Threads& t = AllThreads();
        std::lock_guard guard(t.lock);
        const auto it = t.joinable.find(thread);
        if (it == t.joinable.end() || it->second.get_id() == std::this_thread::get_id()) {
            return Fail(NL_INVALID_ENUM);
        }
        joined = std::move(it->second);
        t.joinable.erase(it);
    }
    joined.join();
    if (status) *status = nullptr;
    return true;
}

NLboolean nlMutexInit(NLmutex* mutex) {
    if (!mutex) return Fail(NL_NULL_POINTER);
    *mutex = new NLmutexRecord;
    return true;
}

NLboolean nlMutexLock(NLmutex* mutex) {
    if (!mutex || !*mutex) return Fail(NL_NULL_POINTER);
    (*mutex)->mutex.lock();
    return true;
}

NLboolean nlMutexUnlock(NLmutex* mutex) {
    if (!mutex || !*mutex) return Fail(NL_NULL_POINTER);
    (*mutex)->mutex.unlock();
    return true;
}

NLboolean nlMutexDestroy(NLmutex* mutex) {
    if (!mutex || !*mutex) return Fail(NL_NULL_POINTER);
    delete *mutex;
    *mutex = nullptr;
    return true;
}
