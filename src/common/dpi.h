// The screen's scale as this product asks for it. Every function newer than Windows 7 is
// looked up at run time, so the DLL still loads there; where one is missing, the older
// answer stands in.
#pragma once

#include <windows.h>

#include "common/dpi_scale.h"

namespace cc {

// Sent to a top-level window moved to a monitor of another scale (WM_DPICHANGED), and to
// each child afterwards (the second carries no DPI: ask the window). Declared here because
// the headers declare the second only for Windows 10 builds.
inline constexpr UINT kWmDpiChanged = 0x02E0;
inline constexpr UINT kWmDpiChangedAfterParent = 0x02E3;

// The DPI a window is drawn at: GetDpiForWindow (Windows 10 1607 and later); else, in a
// per-monitor aware process, the effective DPI of the window's monitor (Windows 8.1);
// else the screen's LOGPIXELSX.
UINT WindowDpi(HWND window);

// The DPI for something shown at a screen point with no window of its own yet (a popup
// menu): that monitor's DPI when this thread is per-monitor aware, else WindowDpi(owner).
UINT PointDpi(POINT screen, HWND owner);

// True when this thread's windows are drawn per monitor (its awareness context, or before
// Windows 10 the process's awareness).
bool ThreadIsPerMonitorAware();

// GetSystemMetricsForDpi where it exists; else the system metric scaled from the
// system's DPI to `dpi`.
int SystemMetricForDpi(int index, UINT dpi);

// The non-client metrics (menu, message and caption fonts among them) at `dpi`:
// SystemParametersInfoForDpi where it exists, else the system's with the fonts' heights
// scaled from the system's DPI.
bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi);

// A screen point in `window`'s own coordinates (scaled by the system for a window that is
// not per-monitor aware: its messages and mouse hook points come so) as the physical point
// input lands on. Unchanged for a per-monitor aware window and where the conversion does
// not exist (before Windows 8.1 nothing is scaled per window).
POINT LogicalToPhysical(HWND window, POINT screen);

// The virtual screen in physical pixels, as absolute input addresses it: asked in the
// per-monitor context (Windows 10 1607 and later), where the system scales nothing.
RECT PhysicalVirtualScreen();

// For its lifetime, this thread runs in the given DPI awareness context; the thread's
// earlier context is restored at the end. Does nothing where the context (or per-thread
// contexts at all, before Windows 10 1607) does not exist.
class ThreadDpiContextScope {
public:
    explicit ThreadDpiContextScope(DPI_AWARENESS_CONTEXT context);
    ~ThreadDpiContextScope();
    ThreadDpiContextScope(const ThreadDpiContextScope&) = delete;
    ThreadDpiContextScope& operator=(const ThreadDpiContextScope&) = delete;
    bool active() const { return previous_ != nullptr; }

private:
    DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

// Windows created in this scope scale with their monitor and rescale when moved (the
// per-monitor-v2 context, Windows 10 1703 and later).
class PerMonitorV2Scope : public ThreadDpiContextScope {
public:
    PerMonitorV2Scope() : ThreadDpiContextScope(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) {}
};

}  // namespace cc
