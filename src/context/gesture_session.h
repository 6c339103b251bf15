// The gesture state that every attached browser object embeds (one per window or tab).
// Plain data, zero when constructed; used only on the thread of its browser window.
#pragma once

#include <cstdint>

#include "settings/settings_block.h"

// The same type <windows.h> calls HWND (STRICT handles), so this header needs no
// platform include and the OS-free logic can be tested natively.
struct HWND__;

namespace cc {

using WindowHandle = HWND__*;

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Which action list a view selects.
enum ViewKind : int32_t { ViewNone = 0, ViewWeb = 1, ViewFolderList = 2 };

struct GestureSession {
    int32_t StrokeCount = 0;
    int32_t Strokes[kMaxStrokes] = {};
    int32_t Tracking = 0;          // a right press was taken and the button is still down
    int32_t Drawing = 0;           // left the dead zone: strokes are recorded
    int32_t SkipNextRightUp = 0;   // the next right release is swallowed silently
    int32_t TimedOut = 0;          // the gesture timer fired since the press or last step
    int32_t GesturesOff = 0;       // switched off by the double-click toggle
    int32_t NewWindowPending = 0;  // the next navigation opens a new window
    int32_t TabbedBrowser = 0;     // installed browser is version 7 or later
    uintptr_t TimerId = 0;         // 0: no timer running
    WindowHandle TargetView = nullptr;
    int32_t ViewKind = ViewNone;
    Point CurrentPoint;            // relative to TargetView's window rectangle
    Point AnchorPoint;             // same frame; start of the next step and trail segment
    Point PressPoint;              // screen coordinates
    uint32_t LastMoveTick = 0;     // when the tracker last saw a move (or the press), in ms
    uint32_t ViewDpi = 96;         // TargetView's DPI, taken at the press: sizes scale by it
};

}  // namespace cc
