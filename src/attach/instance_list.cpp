#include "attach/instance_list.h"

#include <algorithm>
#include <new>
#include <utility>

#include "attach/gesture_core.h"

namespace cc::InstanceList {
namespace {

SRWLOCK g_lock = SRWLOCK_INIT;

struct Member {
    CGestureCore* object;
    HWND quickWnd;
};

// One per thread with attached objects. Destroyed only when the DLL unloads, which the
// module lock prevents while any object (and so any hook) exists.
struct Entry {
    DWORD thread = 0;
    ThreadHooks hooks;
    std::vector<Member> members;  // in the order they attached; never empty in the list
};

std::vector<Entry>& Entries() {
    static std::vector<Entry> entries;
    return entries;
}

class Exclusive {
public:
    Exclusive() { ::AcquireSRWLockExclusive(&g_lock); }
    ~Exclusive() { ::ReleaseSRWLockExclusive(&g_lock); }
};
class Shared {
public:
    Shared() { ::AcquireSRWLockShared(&g_lock); }
    ~Shared() { ::ReleaseSRWLockShared(&g_lock); }
};

// A thread can end without its objects being let go; the system then destroys their
// message-only windows, and its hooks, with it. Thread ids are reused, so such an entry
// must not keep a later thread with the same id from attaching.
bool Stale(DWORD thread, const Member& m) {
    return m.quickWnd && ::GetWindowThreadProcessId(m.quickWnd, nullptr) != thread;
}

// The system removed an ended thread's hooks; their handles are not ours to close.
void Forget(ThreadHooks& hooks) {
    (void)hooks.mouse.release();
    (void)hooks.messages.release();
}

std::vector<Entry>::iterator EntryOf(std::vector<Entry>& entries, DWORD thread) {
    return std::find_if(entries.begin(), entries.end(), [thread](const Entry& e) { return e.thread == thread; });
}

}  // namespace

Joined Add(DWORD threadId, CGestureCore* object, HWND quickWnd) {
    Exclusive lock;
    auto& entries = Entries();
    try {
        auto it = EntryOf(entries, threadId);
        if (it != entries.end() && Stale(threadId, it->members.front())) {
            Forget(it->hooks);
            it->members.clear();
        }
        if (it == entries.end()) {
            entries.emplace_back();
            it = entries.end() - 1;
            it->thread = threadId;
        }
        it->members.push_back({object, quickWnd});
        return it->members.size() == 1 ? Joined::First : Joined::Secondary;
    } catch (const std::bad_alloc&) {
        auto it = EntryOf(entries, threadId);
        if (it != entries.end() && it->members.empty()) entries.erase(it);
        return Joined::Failed;
    }
}

void SetHooks(DWORD threadId, ThreadHooks hooks) {
    ThreadHooks unused;
    {
        Exclusive lock;
        auto& entries = Entries();
        auto it = EntryOf(entries, threadId);
        if (it != entries.end()) {
            it->hooks = std::move(hooks);
        } else {
            unused = std::move(hooks);
        }
    }
}

void Remove(DWORD threadId, const CGestureCore* owner) {
    ThreadHooks last;  // unhooked once the lock is let go
    {
        Exclusive lock;
        auto& entries = Entries();
        auto it = EntryOf(entries, threadId);
        if (it == entries.end()) return;
        auto& members = it->members;
        auto m = std::find_if(members.begin(), members.end(), [owner](const Member& x) { return x.object == owner; });
        if (m == members.end()) return;
        const bool threadEnded = Stale(threadId, *m);
        members.erase(m);
        if (!members.empty()) return;
        if (threadEnded) {
            Forget(it->hooks);
        } else {
            last = std::move(it->hooks);
        }
        entries.erase(it);
    }
}

CGestureCore* Find(DWORD threadId) {
    Shared lock;
    auto& entries = Entries();
    auto it = EntryOf(entries, threadId);
    return it != entries.end() ? it->members.front().object : nullptr;
}

CGestureCore* FindLive(DWORD threadId) {
    Shared lock;
    auto& entries = Entries();
    auto it = EntryOf(entries, threadId);
    if (it == entries.end() || Stale(threadId, it->members.front())) return nullptr;
    return it->members.front().object;
}

size_t Count() {
    Shared lock;
    size_t count = 0;
    for (const Entry& e : Entries()) count += e.members.size();
    return count;
}

std::vector<HWND> OtherQuickWindows(HWND except) {
    std::vector<HWND> copy;
    Shared lock;
    try {
        for (const Entry& e : Entries()) {
            for (const Member& m : e.members) {
                if (m.quickWnd != except) copy.push_back(m.quickWnd);
            }
        }
    } catch (const std::bad_alloc&) {
        copy.clear();
    }
    return copy;
}

ThreadObjects::~ThreadObjects() {
    for (size_t i = 0; i < count_; ++i) objects_[i]->Release();
}

void Collect(DWORD threadId, ThreadObjects& out) {
    Shared lock;
    auto& entries = Entries();
    auto it = EntryOf(entries, threadId);
    if (it == entries.end()) return;
    out.hook_ = it->hooks.mouse.get();
    for (const Member& m : it->members) {
        if (out.count_ == kMaxObjectsPerThread) break;
        m.object->AddRef();
        out.objects_[out.count_++] = m.object;
    }
}

}  // namespace cc::InstanceList
