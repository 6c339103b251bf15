// The tracker's decisions, free of the platform: dead zone, stroke direction, the
// recording rules and what one pointer move does to a GestureSession. The Win32 tracker
// feeds it window facts and carries out the effects it reports.
//
// What runs for every move is defined here, inline: as calls into another file (the
// settings passed and the step returned through memory) it spent almost half of its
// instructions on the calls.
#pragma once

#include <cstdint>

#include "common/dpi_scale.h"
#include "context/gesture_session.h"
#include "settings/action_catalogue.h"
#include "settings/settings_block.h"

namespace cc {

inline constexpr uintptr_t kGestureTimerId = 1;

namespace tracker_detail {

// 64-bit differences: coordinates come from the platform, but nothing here may overflow.
inline int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }

inline Point Offset(Point p, Point origin) {
    return {static_cast<int32_t>(static_cast<int64_t>(p.x) - origin.x),
            static_cast<int32_t>(static_cast<int64_t>(p.y) - origin.y)};
}

}  // namespace tracker_detail

// Direction of the step from `from` to `to` (screen y grows downward); a tie is vertical.
inline int32_t StrokeDirection(Point to, Point from) {
    using tracker_detail::Abs64;
    const int64_t dx = static_cast<int64_t>(to.x) - from.x;
    const int64_t dy = static_cast<int64_t>(to.y) - from.y;
    if (Abs64(dx) > Abs64(dy)) return dx <= 0 ? StrokeLeft : StrokeRight;
    return dy <= 0 ? StrokeUp : StrokeDown;
}

// True when `a` is more than `sensitivity` pixels from `b` along either axis.
inline bool BeyondSensitivity(Point a, Point b, int32_t sensitivity) {
    using tracker_detail::Abs64;
    return Abs64(static_cast<int64_t>(a.x) - b.x) > sensitivity ||
           Abs64(static_cast<int64_t>(a.y) - b.y) > sensitivity;
}

// Appends d unless it repeats the last stroke or five are recorded. True when recorded.
inline bool RecordStroke(GestureSession& s, int32_t d) {
    // The recorded count is ours alone, but keep the index provably inside the array.
    if (s.StrokeCount < 0 || s.StrokeCount >= kMaxStrokes) return false;
    if (s.StrokeCount > 0 && s.Strokes[s.StrokeCount - 1] == d) return false;
    s.Strokes[s.StrokeCount++] = d;
    return true;
}

// The state part of starting a gesture at the screen point `press`.
void BeginGestureState(GestureSession& s, Point press);

// First half of a move: may the move concern the gesture at all?
enum class MoveGate {
    Pass,     // pass the move on, nothing changed
    Abandon,  // the drawn gesture was abandoned: erase the trail, empty the status text, pass
    Track,    // a press is being tracked over its view: continue with AdvanceMove
};
inline MoveGate GateMove(GestureSession& s, bool overTargetView, bool ctrlDown) {
    if (s.GesturesOff) return MoveGate::Pass;
    if (!overTargetView) {
        // Leaving the view ends a drawn gesture for good; the timer runs on until release.
        if (!s.Drawing) return MoveGate::Pass;
        s.Tracking = 0;
        s.Drawing = 0;
        s.StrokeCount = 0;
        return MoveGate::Abandon;
    }
    if (ctrlDown) return MoveGate::Pass;  // frozen; resumes with the next move without Ctrl
    if (!s.Tracking) return MoveGate::Pass;
    return MoveGate::Track;
}

// Settings the second half reads, taken from the live block at the move.
struct TrackSettings {
    int32_t sensitivityPixels = 0;
    int32_t timeoutMs = 0;
    int32_t releaseOnFolderHold = 0;
    int32_t trailEnabled = 0;
};

// The four settings, each loaded once from the live block. The threshold is stored in
// pixels at 96 DPI and scaled to the view's DPI.
inline TrackSettings ReadTrackSettings(const SettingsView& settings, uint32_t viewDpi) {
    return TrackSettings{ScaleForDpi(settings.Get(Field::SensitivityPixels), viewDpi), settings.Get(Field::TimeoutMs),
                         settings.Get(Field::ReleaseOnFolderHold), settings.Get(Field::TrailEnabled)};
}

// What the caller has to do after AdvanceMove changed the session.
struct MoveStep {
    bool consume = false;
    bool stepTaken = false;     // the pointer went a step beyond the anchor
    bool drawSegment = false;   // draw the trail from segmentFrom to segmentTo
    Point segmentFrom;
    Point segmentTo;
    bool strokeRecorded = false;  // rewrite the status text
    bool restartTimer = false;
    bool handOver = false;        // post the original right press to the folder list
};

// Second half of a move, after GateMove said Track. `pointer` is in screen coordinates,
// `viewOrigin` the top-left corner of TargetView's window rectangle.
inline MoveStep AdvanceMove(GestureSession& s, Point pointer, Point viewOrigin, const TrackSettings& settings) {
    MoveStep step;
    s.CurrentPoint = tracker_detail::Offset(pointer, viewOrigin);

    if (s.Drawing) {
        step.consume = true;
        if (!BeyondSensitivity(s.CurrentPoint, s.AnchorPoint, settings.sensitivityPixels)) return step;
        step.stepTaken = true;
        if (settings.trailEnabled != 0) {
            step.drawSegment = true;
            step.segmentFrom = s.AnchorPoint;
            step.segmentTo = s.CurrentPoint;
        }
        step.strokeRecorded = RecordStroke(s, StrokeDirection(s.CurrentPoint, s.AnchorPoint));
        s.AnchorPoint = s.CurrentPoint;
        s.TimedOut = 0;
        step.restartTimer = settings.timeoutMs > 0;
        return step;
    }

    // Still in the dead zone. Held still past the timeout on a folder list: give the
    // press back to the list, and let this move through after it.
    if (settings.releaseOnFolderHold != 0 && s.TimedOut && s.ViewKind == ViewFolderList) {
        s.TimedOut = 0;
        s.Tracking = 0;
        step.handOver = true;
        return step;
    }
    if (BeyondSensitivity(pointer, s.PressPoint, settings.sensitivityPixels)) {
        s.Drawing = 1;
        s.AnchorPoint = tracker_detail::Offset(s.PressPoint, viewOrigin);
    }
    step.consume = true;
    return step;
}

// Packs a window-relative point into a mouse message lParam: each coordinate cut to
// 16 bits, x in the low word.
uint32_t PackPointLParam(Point p);

}  // namespace cc
