#include "attach/instance_list.h"

#include <algorithm>
#include <new>
#include <utility>

namespace cc::InstanceList {
namespace {

SRWLOCK g_lock = SRWLOCK_INIT;

// Destroyed only when the DLL unloads, which the module lock prevents while any
// object (and so any hook) exists.
std::vector<std::pair<DWORD, CGestureCore*>>& Entries() {
    static std::vector<std::pair<DWORD, CGestureCore*>> entries;
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

}  // namespace

bool Add(DWORD threadId, CGestureCore* object) {
    Exclusive lock;
    auto& entries = Entries();
    if (std::any_of(entries.begin(), entries.end(), [threadId](const auto& e) { return e.first == threadId; })) {
        return false;
    }
    try {
        entries.emplace_back(threadId, object);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void Remove(DWORD threadId, const CGestureCore* owner) {
    Exclusive lock;
    auto& entries = Entries();
    auto it = std::find_if(entries.begin(), entries.end(), [threadId](const auto& e) { return e.first == threadId; });
    if (it != entries.end() && it->second == owner) entries.erase(it);
}

CGestureCore* Find(DWORD threadId) {
    Shared lock;
    for (const auto& [thread, object] : Entries()) {
        if (thread == threadId) return object;
    }
    return nullptr;
}

size_t Count() {
    Shared lock;
    return Entries().size();
}

std::vector<CGestureCore*> Snapshot() {
    std::vector<CGestureCore*> copy;
    Shared lock;
    try {
        copy.reserve(Entries().size());
        for (const auto& entry : Entries()) copy.push_back(entry.second);
    } catch (const std::bad_alloc&) {
        copy.clear();
    }
    return copy;
}

}  // namespace cc::InstanceList
