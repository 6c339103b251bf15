// How many operating-system resources this process holds, so a test can repeat work
// thousands of times and prove that nothing piles up: kernel handles, GDI objects,
// USER objects and the process's windows.
//
// GetGuiResources and GetProcessHandleCount answer 0 under Wine, so the counts come from
// what Wine does implement: the system handle list for kernel handles, and a free-list
// probe for GDI and USER objects (see resource_census.cpp).
#pragma once

#include <windows.h>

#include <functional>

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

// How much each count grew between two censuses.
struct ResourceGrowth {
    long kernelHandles = 0;
    long gdiObjects = 0;
    long userObjects = 0;
    long windows = 0;
};
ResourceGrowth GrowthBetween(const ResourceCounts& before, const ResourceCounts& after);

struct GrowthReport {
    int warmBatches = 0;
    ResourceGrowth runs[2];
    // Per count, the lesser growth of the two runs.
    ResourceGrowth Least() const;
};

// What repeated work leaves behind. `warmBatch` runs first, again and again, until one
// batch leaves no count higher than it found it (at most `maxWarmBatches` times): the
// system fills caches on first use and keeps them (in a fresh process, Wine's cache of
// window device contexts, each with its region, adds well over a hundred GDI objects as
// soon as a few threads make windows at once). Then `measuredRun` runs twice (given 0,
// then 1), each run counted on its own. A leak grows the counts in both runs; a burst
// from another process in the session's USER table rarely shows in both, so checks take
// the lesser growth.
GrowthReport MeasureGrowth(ResourceCensus& census, int maxWarmBatches, const std::function<void()>& warmBatch,
                           const std::function<void(int run)>& measuredRun);

}  // namespace cc::test
