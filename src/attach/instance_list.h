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

// Adds the entry unless the thread has one already; false then.
bool Add(DWORD threadId, CGestureCore* object);
// Removes the thread's entry, but only when it belongs to `owner`.
void Remove(DWORD threadId, const CGestureCore* owner);
CGestureCore* Find(DWORD threadId);
size_t Count();
// A copy of all objects, for work that must not hold the lock.
std::vector<CGestureCore*> Snapshot();

}  // namespace InstanceList
}  // namespace cc
