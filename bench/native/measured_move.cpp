#include "measured_move.h"

#include "gesture/status_text.h"
#include "gesture/tracker_rules.h"

namespace cc::bench {

// Left out, as platform work: GetKeyState (ctrlDown), GetWindowRect (viewOrigin), erasing
// and drawing the trail, SetStatusText, SetTimer and the posted hand-over press.
int MeasuredMove(GestureSession& s, const SettingsView& settings, const MoveInput& move) {
    switch (GateMove(s, move.overTarget, move.ctrlDown)) {
    case MoveGate::Pass:
        return 0;
    case MoveGate::Abandon:
        return 0;
    case MoveGate::Track:
        break;
    }
    const TrackSettings live = ReadTrackSettings(settings, 96);
    const MoveStep step = AdvanceMove(s, move.pointer, move.viewOrigin, live);
    if (step.strokeRecorded) {
        wchar_t text[kStatusTextUnits];
        BuildGestureStatusText(s, settings, text, kStatusTextUnits);
    }
    return step.consume ? 1 : 0;
}

}  // namespace cc::bench
