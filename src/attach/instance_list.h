// The process-wide map from a browser thread to the objects attached on it, which the
// one mouse hook procedure uses to find the object a message belongs to. Tabs of one
// window can share a thread, each with its own object; the thread has one hook, kept
// here from its first object's arrival until its last object leaves.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "common/unique_handle.h"

namespace cc {

class CGestureCore;

// A browser thread's hooks: the mouse hook, and the message hook that hands the view a
// given-back press as a press. Kept from the thread's first object until its last leaves.
struct ThreadHooks {
    unique_hhook mouse;
    unique_hhook messages;
};

// Every operation takes the list's lock; callers never hold it while they work.
namespace InstanceList {

// More tabs than this on one thread are not reached by the hook (a copy of the thread's
// objects is taken for each message without allocating).
inline constexpr size_t kMaxObjectsPerThread = 64;

// Enters `object` for its thread. `quickWnd` is the object's message-only window,
// through which other threads reach it. Objects left by an ended thread whose id was
// given to this one (their windows are gone) are dropped first. True when the object is
// the thread's first: the caller then installs the thread's hooks and hands them to SetHooks.
// False also when the entry could not be stored (then it is not entered at all).
enum class Joined { First, Secondary, Failed };
Joined Add(DWORD threadId, CGestureCore* object, HWND quickWnd);
// Keeps the thread's hooks until its last object leaves.
void SetHooks(DWORD threadId, ThreadHooks hooks);
// Removes `object` only (never another object's entry); when it was the thread's last,
// the thread's hooks go with it.
void Remove(DWORD threadId, const CGestureCore* owner);
// The thread's first object, or null.
CGestureCore* Find(DWORD threadId);
// Find, ignoring objects left by an ended thread with the same id.
CGestureCore* FindLive(DWORD threadId);
size_t Count();
// The message-only windows of every object but the one whose window is `except`, copied
// under the lock: other threads' objects are never touched from here.
std::vector<HWND> OtherQuickWindows(HWND except);

// A thread's objects in the order they attached, each held (AddRef) until this goes,
// and the thread's mouse hook. For the hook procedure: fills without allocating.
class ThreadObjects {
public:
    ThreadObjects() = default;
    ~ThreadObjects();
    ThreadObjects(const ThreadObjects&) = delete;
    ThreadObjects& operator=(const ThreadObjects&) = delete;

    size_t size() const { return count_; }
    CGestureCore* operator[](size_t i) const { return objects_[i]; }
    HHOOK hook() const { return hook_; }

private:
    friend void Collect(DWORD threadId, ThreadObjects& out);
    CGestureCore* objects_[kMaxObjectsPerThread] = {};
    size_t count_ = 0;
    HHOOK hook_ = nullptr;
};
void Collect(DWORD threadId, ThreadObjects& out);

}  // namespace InstanceList
}  // namespace cc
