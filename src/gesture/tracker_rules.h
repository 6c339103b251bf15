// The tracker's decisions, free of the platform: dead zone, stroke direction, the
// recording rules and what one pointer move does to a GestureSession. The Win32 tracker
// feeds it window facts and carries out the effects it reports.
#pragma once

#include <cstdint>

#include "context/gesture_session.h"
#include "settings/settings_block.h"

namespace cc {

inline constexpr uintptr_t kGestureTimerId = 1;

// Direction of the step from `from` to `to` (screen y grows downward); a tie is vertical.
int32_t StrokeDirection(Point to, Point from);

// True when `a` is more than `sensitivity` pixels from `b` along either axis.
bool BeyondSensitivity(Point a, Point b, int32_t sensitivity);

// Appends d unless it repeats the last stroke or five are recorded. True when recorded.
bool RecordStroke(GestureSession& s, int32_t d);

// The state part of starting a gesture at the screen point `press`.
void BeginGestureState(GestureSession& s, Point press);

// First half of a move: may the move concern the gesture at all?
enum class MoveGate {
    Pass,     // pass the move on, nothing changed
    Abandon,  // the drawn gesture was abandoned: erase the trail, empty the status text, pass
    Track,    // a press is being tracked over its view: continue with AdvanceMove
};
MoveGate GateMove(GestureSession& s, bool overTargetView, bool ctrlDown);

// Settings the second half reads, taken from the live block at the move.
struct TrackSettings {
    int32_t sensitivityPixels = 0;
    int32_t timeoutMs = 0;
    int32_t releaseOnFolderHold = 0;
    int32_t trailEnabled = 0;
};

// The four settings, each loaded once from the live block.
TrackSettings ReadTrackSettings(const SettingsView& settings);

// What the caller has to do after AdvanceMove changed the session.
struct MoveStep {
    bool consume = false;
    bool drawSegment = false;   // draw the trail from segmentFrom to segmentTo
    Point segmentFrom;
    Point segmentTo;
    bool strokeRecorded = false;  // rewrite the status text
    bool restartTimer = false;
    bool handOver = false;        // post the original right press to the folder list
};

// Second half of a move, after GateMove said Track. `pointer` is in screen coordinates,
// `viewOrigin` the top-left corner of TargetView's window rectangle.
MoveStep AdvanceMove(GestureSession& s, Point pointer, Point viewOrigin, const TrackSettings& settings);

// Packs a window-relative point into a mouse message lParam: each coordinate cut to
// 16 bits, x in the low word.
uint32_t PackPointLParam(Point p);

}  // namespace cc
