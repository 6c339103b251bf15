// What the benchmark and its low-level hook host share: the names of the host's shared
// block and the block's layout. The host is started by hook_cost_bench, from the same
// build, so both sides see the same layout.
#pragma once

#include <windows.h>

#include "context/gesture_session.h"

namespace cc::bench {

inline constexpr wchar_t kLowLevelHookHost[] = L"low_level_hook_host.exe";

struct LowLevelHookBlock {
    volatile LONG state;         // 0 starting, 1 hooked, -1 the hook could not be installed
    volatile DWORD hookThread;   // the thread with the hook and its message loop
    volatile LONG moves;         // WM_MOUSEMOVE events the hook has seen
    GestureSession session;      // the host's gesture after the last event the hook saw
};

}  // namespace cc::bench
