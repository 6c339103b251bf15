// What the sheet and its dialogs do when the scale of the screen under them changes.
// Created in the per-monitor-v2 context, they are resized, laid out again and given new
// fonts by the dialog manager; what they draw or size in pixels themselves (bitmaps,
// list columns) they rebuild, once the dialog manager is done.
#pragma once

#include <windows.h>

#include "common/dpi.h"

namespace cc {

// Posted to a page or dialog whose DPI changed: rebuild what is sized in pixels. Posted,
// not sent, so that it comes after the dialog manager has resized the controls (on
// WM_DPICHANGED and WM_DPICHANGED_AFTERPARENT, once the dialog procedure has returned).
inline constexpr UINT kWmRebuildForDpi = WM_APP + 0x2E0;

// Asks `window` to rebuild for its new DPI; false when the request could not be queued.
inline bool RequestRebuildForDpi(HWND window) { return ::PostMessageW(window, kWmRebuildForDpi, 0, 0) != FALSE; }

// Drops the rebuild requests still queued for `window`: the rebuild under way covers them.
inline void DropQueuedRebuilds(HWND window) {
    MSG queued;
    while (::PeekMessageW(&queued, window, kWmRebuildForDpi, kWmRebuildForDpi, PM_REMOVE | PM_NOYIELD)) {
    }
}

// The DPI WM_DPICHANGED announces (its wParam: the same DPI twice).
inline UINT AnnouncedDpi(WPARAM wParam) { return LOWORD(wParam); }

// Puts a top-level window where WM_DPICHANGED suggests (its lParam: a RECT in screen
// coordinates at the new DPI).
inline void MoveToSuggestedRect(HWND window, LPARAM lParam) {
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    if (!suggested) return;
    ::SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace cc
