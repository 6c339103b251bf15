#include "resource_census.h"

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

// Both handle tables hand out freed slots again before they take a never-used one. So
// allocating probe objects until one lands on a slot beyond every slot seen so far counts
// the free slots; the objects alive are the slots ever used minus the free ones. Only
// differences between two counts mean anything (the tables hold others' objects too).
template <class Create, class Destroy>
long LiveObjects(Create create, Destroy destroy, unsigned step, unsigned& highest) {
    std::vector<HANDLE> made;
    long freeSlots = 0;
    bool fresh = false;
    while (!fresh && freeSlots < 200000) {
        HANDLE h = create();
        if (!h) break;
        made.push_back(h);
        const unsigned slot = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(h) & 0xFFFF);
        if (slot > highest) {
            highest = slot;
            fresh = true;
        } else {
            ++freeSlots;
        }
    }
    for (HANDLE h : made) destroy(h);
    return fresh ? static_cast<long>(highest / step) - freeSlots : -1;
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
                               [](HANDLE h) { ::DeleteObject(static_cast<HGDIOBJ>(h)); }, 1, gdiHighest_);
    // USER handles are numbered in steps of two.
    c.userObjects = LiveObjects([] { return static_cast<HANDLE>(::CreatePopupMenu()); },
                                [](HANDLE h) { ::DestroyMenu(static_cast<HMENU>(h)); }, 2, userHighest_);
    c.windows = CountProcessWindows();
    return c;
}

}  // namespace cc::test
