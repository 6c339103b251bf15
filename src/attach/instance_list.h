// The process-wide map from a browser thread to the object attached on it, which the
// one mouse hook procedure uses to find the object a message belongs to.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace cc {

class CGestureCore;

// Every operation takes the list's lock; callers never hold it while they work.
namespace InstanceList {

// Adds the entry unless the thread has a live one already; false then. `quickWnd` is the
// object's message-only window, through which other threads reach it. An entry left by
// an ended thread whose id was given to this one (its window is gone) is replaced.
bool Add(DWORD threadId, CGestureCore* object, HWND quickWnd);
// Removes the thread's entry, but only when it belongs to `owner`.
void Remove(DWORD threadId, const CGestureCore* owner);
CGestureCore* Find(DWORD threadId);
// Find, ignoring an entry left by an ended thread with the same id.
CGestureCore* FindLive(DWORD threadId);
size_t Count();
// The message-only windows of every entry but the given thread's, copied under the lock:
// other threads' objects are never touched from here.
std::vector<HWND> OtherQuickWindows(DWORD exceptThreadId);

}  // namespace InstanceList
}  // namespace cc
