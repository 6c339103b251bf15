#include "gesture/tracker_rules.h"

#include "settings/action_catalogue.h"

namespace cc {
namespace {

// 64-bit differences: coordinates come from the platform, but nothing here may overflow.
int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }

Point Offset(Point p, Point origin) {
    return {static_cast<int32_t>(static_cast<int64_t>(p.x) - origin.x),
            static_cast<int32_t>(static_cast<int64_t>(p.y) - origin.y)};
}

}  // namespace

int32_t StrokeDirection(Point to, Point from) {
    const int64_t dx = static_cast<int64_t>(to.x) - from.x;
    const int64_t dy = static_cast<int64_t>(to.y) - from.y;
    if (Abs64(dx) > Abs64(dy)) return dx <= 0 ? StrokeLeft : StrokeRight;
    return dy <= 0 ? StrokeUp : StrokeDown;
}

bool BeyondSensitivity(Point a, Point b, int32_t sensitivity) {
    return Abs64(static_cast<int64_t>(a.x) - b.x) > sensitivity ||
           Abs64(static_cast<int64_t>(a.y) - b.y) > sensitivity;
}

bool RecordStroke(GestureSession& s, int32_t d) {
    // The recorded count is ours alone, but keep the index provably inside the array.
    if (s.StrokeCount < 0 || s.StrokeCount >= kMaxStrokes) return false;
    if (s.StrokeCount > 0 && s.Strokes[s.StrokeCount - 1] == d) return false;
    s.Strokes[s.StrokeCount++] = d;
    return true;
}

void BeginGestureState(GestureSession& s, Point press) {
    s.Tracking = 1;
    s.SkipNextRightUp = 0;
    s.Drawing = 0;
    s.PressPoint = press;
    s.StrokeCount = 0;
    s.TimedOut = 0;
}

MoveGate GateMove(GestureSession& s, bool overTargetView, bool ctrlDown) {
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

TrackSettings ReadTrackSettings(const SettingsView& settings) {
    return TrackSettings{settings.Get(Field::SensitivityPixels), settings.Get(Field::TimeoutMs),
                         settings.Get(Field::ReleaseOnFolderHold), settings.Get(Field::TrailEnabled)};
}

MoveStep AdvanceMove(GestureSession& s, Point pointer, Point viewOrigin, const TrackSettings& settings) {
    MoveStep step;
    s.CurrentPoint = Offset(pointer, viewOrigin);

    if (s.Drawing) {
        step.consume = true;
        if (!BeyondSensitivity(s.CurrentPoint, s.AnchorPoint, settings.sensitivityPixels)) return step;
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
        s.AnchorPoint = Offset(s.PressPoint, viewOrigin);
    }
    step.consume = true;
    return step;
}

uint32_t PackPointLParam(Point p) {
    return (static_cast<uint32_t>(p.x) & 0xFFFFu) | ((static_cast<uint32_t>(p.y) & 0xFFFFu) << 16);
}

}  // namespace cc
