// A desktop-wide mouse hook in a process of its own, the way a global gesture tool hooks
// the mouse: WH_MOUSE_LL on a thread with its own message loop, which the system calls
// for every mouse event of the desktop before the event goes on to any window. The hook
// does the product's own per-move work (the gate, the dead zone, the stroke step) on a
// gesture it follows from the right button, and passes every event on.
//
//   low_level_hook_host <shared block name> <id of the benchmark's process>
// Ends when its hook thread is asked to quit (WM_QUIT to LowLevelHookBlock::hookThread)
// or when the benchmark's process ends. Exit code 0; 1 when the hook could not be
// installed; 2 on a bad command line or shared block.
#include <windows.h>

#include <cwchar>

#include "common/unique_handle.h"
#include "gesture/tracker_rules.h"
#include "low_level_hook.h"
#include "settings/settings_block.h"

namespace cc::bench {
namespace {

// The hook thread's own: the benchmark only reads the block.
LowLevelHookBlock* g_block = nullptr;
GestureSession g_gesture;
alignas(4) int32_t g_settingsInts[kSettingsInts];
const SettingsView g_settings(g_settingsInts);

LRESULT CALLBACK LowLevelMouseProc(int code, WPARAM message, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto& event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        const Point pointer{event.pt.x, event.pt.y};
        switch (message) {
        case WM_RBUTTONDOWN:
            BeginGestureState(g_gesture, pointer);
            break;
        case WM_RBUTTONUP:
            g_gesture.Tracking = 0;
            g_gesture.Drawing = 0;
            break;
        case WM_MOUSEMOVE:
            // The whole desktop is the gesture's view: its points stay in screen coordinates.
            if (GateMove(g_gesture, true, false) == MoveGate::Track) {
                AdvanceMove(g_gesture, pointer, Point{}, ReadTrackSettings(g_settings, 96));
            }
            ::InterlockedIncrement(&g_block->moves);
            break;
        default:
            break;
        }
        g_block->session = g_gesture;
    }
    return ::CallNextHookEx(nullptr, code, message, lParam);
}

DWORD WINAPI HookThread(void*) {
    MSG msg;
    // The thread's queue exists before the benchmark can learn its id and post to it.
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    unique_hhook hook(::SetWindowsHookExW(WH_MOUSE_LL, &LowLevelMouseProc, ::GetModuleHandleW(nullptr), 0));
    g_block->hookThread = ::GetCurrentThreadId();
    ::InterlockedExchange(&g_block->state, hook ? 1 : -1);
    if (!hook) return 1;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

int Run(const wchar_t* blockName, DWORD benchProcessId) {
    unique_handle bench(::OpenProcess(SYNCHRONIZE, FALSE, benchProcessId));
    unique_handle mapping(::OpenFileMappingW(FILE_MAP_WRITE, FALSE, blockName));
    unique_mapped_view view;
    if (mapping) view.reset(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(LowLevelHookBlock)));
    if (!bench || !view) return 2;
    g_block = static_cast<LowLevelHookBlock*>(view.get());
    ApplyDefaults(g_settings);

    DWORD threadId = 0;
    unique_handle thread(::CreateThread(nullptr, 0, &HookThread, nullptr, 0, &threadId));
    if (!thread) {
        ::InterlockedExchange(&g_block->state, -1);
        return 1;
    }
    const HANDLE ends[] = {thread.get(), bench.get()};
    if (::WaitForMultipleObjects(2, ends, FALSE, INFINITE) != WAIT_OBJECT_0) {
        // The benchmark is gone: no hook of ours may outlive it.
        ::PostThreadMessageW(threadId, WM_QUIT, 0, 0);
        // A hook thread that does not end goes with the process, before the block is unmapped.
        if (::WaitForSingleObject(thread.get(), 5000) != WAIT_OBJECT_0) ::ExitProcess(1);
    }
    DWORD code = 1;
    ::GetExitCodeThread(thread.get(), &code);
    return static_cast<int>(code);
}

}  // namespace
}  // namespace cc::bench

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    wchar_t* end = nullptr;
    const unsigned long benchProcessId = std::wcstoul(argv[2], &end, 10);
    if (!end || *end != L'\0' || benchProcessId == 0) return 2;
    return cc::bench::Run(argv[1], static_cast<DWORD>(benchProcessId));
}
