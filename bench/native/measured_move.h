// The OS-free part of the tracker's work on one WM_MOUSEMOVE, in a function of its own so
// callgrind can count exactly the instructions inside it (--toggle-collect).
#pragma once

#include "context/gesture_session.h"
#include "settings/settings_block.h"

namespace cc::bench {

struct MoveInput {
    bool overTarget = true;  // the move's window is the session's TargetView
    bool ctrlDown = false;
    Point pointer;     // screen coordinates
    Point viewOrigin;  // top-left corner of TargetView's window rectangle
};

// What TrackMove (src/gesture/tracker.cpp) runs for a move, in its order, without the
// platform calls: the gate, the four settings read from the live block, the advance, and
// the status text built after a recorded stroke. Returns 1 where TrackMove consumes.
int MeasuredMove(GestureSession& s, const SettingsView& settings, const MoveInput& move);

}  // namespace cc::bench
