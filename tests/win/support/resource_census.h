// How many operating-system resources this process holds, so a test can repeat work
// thousands of times and prove that nothing piles up: kernel handles, GDI objects,
// USER objects and the process's windows.
//
// GetGuiResources and GetProcessHandleCount answer 0 under Wine, so the counts come from
// what Wine does implement: the system handle list for kernel handles, and a free-list
// probe for GDI and USER objects (see resource_census.cpp).
#pragma once

#include <windows.h>

namespace cc::test {

struct ResourceCounts {
    long kernelHandles = -1;  // -1: not available
    long gdiObjects = -1;
    long userObjects = -1;
    long windows = -1;        // every window of this process, message-only ones included
};

class ResourceCensus {
public:
    ResourceCounts Take();
};

long CountProcessWindows();

}  // namespace cc::test
