#include "resource_census.h"

#include <algorithm>
#include <vector>

namespace cc::test {
namespace {

// One row of the system handle list (information class 16); the same size on Windows
// and Wine, whose first field holds the owning process id.
struct SystemHandleEntry {
    ULONG ownerPid;
    UCHAR objectType;
    UCHAR flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleEntry entries[1];
};

using QuerySystemInformation = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

long CountKernelHandles() {
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 20);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ULONG needed = 0;
        const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
            const ULONG pid = ::GetCurrentProcessId() & 0xFFFF;
            long mine = 0;
            for (ULONG i = 0; i < list->count; ++i) {
                if ((list->entries[i].ownerPid & 0xFFFF) == pid) ++mine;
            }
            return mine;
        }
        buffer.resize(buffer.size() * 2);
    }
    return -1;
}

// Both handle tables hand out freed slots again, last freed first, before they take a
// never-used one, and never-used ones in order. So probe objects are made until the free
// list is used up, which shows as a run of objects each on the slot right above the one
// before, at the highest slot seen; then every slot up to there is either a probe's or
// alive. (Stopping at the first slot above the previous census's highest is not enough:
// when the table grew and shrank in between, freed slots lie above it, and the count
// reads up to a hundred high.) A run of freed slots in rising order could end the probe
// early, so the run is long. The probes are freed last first, which puts the free list
// back in the order it was taken, so the next census finds the same run at the top
// instead of growing the table by another run. Only differences between two counts mean
// anything (the tables hold others' objects too).
constexpr int kTopRun = 48;

template <class Create, class Destroy>
long LiveObjects(Create create, Destroy destroy, unsigned step) {
    std::vector<HANDLE> made;
    unsigned highest = 0, previous = 0;
    int run = 0;
    while (run < kTopRun && made.size() < 200000) {
        HANDLE h = create();
        if (!h) break;
        made.push_back(h);
        const unsigned slot = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(h) & 0xFFFF);
        run = slot == previous + step && slot > highest ? run + 1 : 0;
        previous = slot;
        if (slot > highest) highest = slot;
    }
    for (auto h = made.rbegin(); h != made.rend(); ++h) destroy(*h);
    if (run < kTopRun) return -1;
    return static_cast<long>(highest / step) + 1 - static_cast<long>(made.size());
}

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
    ++*reinterpret_cast<long*>(counter);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM counter) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != ::GetCurrentProcessId()) return TRUE;
    auto* n = reinterpret_cast<long*>(counter);
    ++*n;
    ::EnumChildWindows(window, CountChild, counter);
    return TRUE;
}

}  // namespace

long CountProcessWindows() {
    long n = 0;
    ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&n));
    // Message-only windows are not top-level windows: walk them separately.
    for (HWND w = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = ::FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
        CountWindow(w, reinterpret_cast<LPARAM>(&n));
    }
    return n;
}

ResourceCounts ResourceCensus::Take() {
    ResourceCounts c;
    c.kernelHandles = CountKernelHandles();
    c.gdiObjects = LiveObjects([] { return static_cast<HANDLE>(::CreatePen(PS_SOLID, 1, 0)); },
                               [](HANDLE h) { ::DeleteObject(static_cast<HGDIOBJ>(h)); }, 1);
    // USER handles are numbered in steps of two.
    c.userObjects = LiveObjects([] { return static_cast<HANDLE>(::CreatePopupMenu()); },
                                [](HANDLE h) { ::DestroyMenu(static_cast<HMENU>(h)); }, 2);
    c.windows = CountProcessWindows();
    return c;
}

ResourceGrowth GrowthBetween(const ResourceCounts& before, const ResourceCounts& after) {
    ResourceGrowth g;
    g.kernelHandles = after.kernelHandles - before.kernelHandles;
    g.gdiObjects = after.gdiObjects - before.gdiObjects;
    g.userObjects = after.userObjects - before.userObjects;
    g.windows = after.windows - before.windows;
    return g;
}

ResourceGrowth GrowthReport::Least() const {
    ResourceGrowth g;
    g.kernelHandles = std::min(runs[0].kernelHandles, runs[1].kernelHandles);
    g.gdiObjects = std::min(runs[0].gdiObjects, runs[1].gdiObjects);
    g.userObjects = std::min(runs[0].userObjects, runs[1].userObjects);
    g.windows = std::min(runs[0].windows, runs[1].windows);
    return g;
}

GrowthReport MeasureGrowth(ResourceCensus& census, int maxWarmBatches, const std::function<void()>& warmBatch,
                           const std::function<void(int run)>& measuredRun) {
    GrowthReport report;
    ResourceCounts before = census.Take();
    for (bool steady = false; !steady && report.warmBatches < maxWarmBatches; ++report.warmBatches) {
        warmBatch();
        const ResourceCounts now = census.Take();
        steady = now.kernelHandles <= before.kernelHandles && now.gdiObjects <= before.gdiObjects &&
                 now.userObjects <= before.userObjects && now.windows <= before.windows;
        before = now;
    }
    for (int run = 0; run < 2; ++run) {
        measuredRun(run);
        const ResourceCounts after = census.Take();
        report.runs[run] = GrowthBetween(before, after);
        before = after;
    }
    return report;
}

}  // namespace cc::test
