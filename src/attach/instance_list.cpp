#include "attach/instance_list.h"

#include <algorithm>
#include <new>

namespace cc::InstanceList {
namespace {

SRWLOCK g_lock = SRWLOCK_INIT;

// Destroyed only when the DLL unloads, which the module lock prevents while any
// object (and so any hook) exists.
struct Entry {
    DWORD thread;
    CGestureCore* object;
    HWND quickWnd;
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

// A thread can end without its object being let go; the system then destroys the
// object's message-only window with it. Thread ids are reused, so such an entry must not
// keep a later thread with the same id from attaching.
bool Stale(const Entry& e) { return e.quickWnd && ::GetWindowThreadProcessId(e.quickWnd, nullptr) != e.thread; }

}  // namespace

bool Add(DWORD threadId, CGestureCore* object, HWND quickWnd) {
    Exclusive lock;
    auto& entries = Entries();
    auto it = std::find_if(entries.begin(), entries.end(), [threadId](const Entry& e) { return e.thread == threadId; });
    if (it != entries.end()) {
        if (!Stale(*it)) return false;
        *it = {threadId, object, quickWnd};
        return true;
    }
    try {
        entries.push_back({threadId, object, quickWnd});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void Remove(DWORD threadId, const CGestureCore* owner) {
    Exclusive lock;
    auto& entries = Entries();
    auto it = std::find_if(entries.begin(), entries.end(), [threadId](const Entry& e) { return e.thread == threadId; });
    if (it != entries.end() && it->object == owner) entries.erase(it);
}

CGestureCore* Find(DWORD threadId) {
    Shared lock;
    for (const Entry& e : Entries()) {
        if (e.thread == threadId) return e.object;
    }
    return nullptr;
}

CGestureCore* FindLive(DWORD threadId) {
    Shared lock;
    for (const Entry& e : Entries()) {
        if (e.thread == threadId) return Stale(e) ? nullptr : e.object;
    }
    return nullptr;
}

size_t Count() {
    Shared lock;
    return Entries().size();
}

std::vector<HWND> OtherQuickWindows(DWORD exceptThreadId) {
    std::vector<HWND> copy;
    Shared lock;
    try {
        for (const Entry& e : Entries()) {
            if (e.thread != exceptThreadId) copy.push_back(e.quickWnd);
        }
    } catch (const std::bad_alloc&) {
        copy.clear();
    }
    return copy;
}

}  // namespace cc::InstanceList
