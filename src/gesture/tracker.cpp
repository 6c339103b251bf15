#include "gesture/tracker.h"

#include "common/dpi.h"
#include "common/release_elsewhere.h"
#include "gesture/status_text.h"
#include "gesture/tracker_rules.h"
#include "gesture/trail_status.h"
#include "gesture/view_locator.h"
#include "overlay/overlay.h"

namespace cc {
namespace {

Point ToPoint(POINT p) { return {p.x, p.y}; }

// (Re)arms the periodic gesture timer on the object's window and keeps its id.
void ArmTimer(GestureSession& s, HWND quickWnd, UINT_PTR id, int32_t timeoutMs) {
    if (quickWnd) s.TimerId = ::SetTimer(quickWnd, id, static_cast<UINT>(timeoutMs), nullptr);
}

// Gives the user's right press back to the folder list, at the press point.
void HandOverPress(const GestureContext& ctx) {
    const GestureSession& s = *ctx.session;
    const LocatedView located = LocateView(ctx.browser, s.TabbedBrowser != 0);
    if (!located.view) return;
    // Mouse-message points are client coordinates (for a borderless view the same as
    // relative to its window rectangle).
    POINT client{s.PressPoint.x, s.PressPoint.y};
    if (!::ScreenToClient(located.view, &client)) return;
    ::PostMessageW(located.view, WM_RBUTTONDOWN, MK_RBUTTON, static_cast<LPARAM>(PackPointLParam({client.x, client.y})));
}

// A gesture released over another program's window would stay under way, swallowing this
// view's moves: after a pause in the moves the tracker asks whether that happened.
constexpr uint32_t kReleaseCheckPauseMs = 100;

void EndGestureReleasedElsewhere(const GestureContext& ctx) {
    GestureSession& s = *ctx.session;
    if (s.TimerId != 0) {
        ::KillTimer(ctx.quickWnd, s.TimerId);
        s.TimerId = 0;
    }
    HideOverlay(ctx);
    if (s.Drawing) SetStatusText(ctx.browser, kStatusEmpty);
    s.Tracking = 0;
    s.Drawing = 0;
    s.StrokeCount = 0;
    s.TimedOut = 0;
}

}  // namespace

bool CtrlHeld() { return ::GetKeyState(VK_CONTROL) < 0; }

void BeginGesture(const GestureContext& ctx, POINT press) {
    GestureSession& s = *ctx.session;
    BeginGestureState(s, ToPoint(press));
    s.ViewDpi = WindowDpi(s.TargetView);
    s.LastMoveTick = ::GetTickCount();
    const int32_t timeoutMs = ctx.settings.Get(Field::TimeoutMs);
    if (timeoutMs > 0) ArmTimer(s, ctx.quickWnd, kGestureTimerId, timeoutMs);
    if (ctx.overlay) {
        ctx.overlay->Begin(&s, s.TargetView, s.ViewDpi);
        ArmPressHints(ctx, press);
    }
}

int TrackMove(const GestureContext& ctx, const MOUSEHOOKSTRUCT& move) {
    GestureSession& s = *ctx.session;
    const bool overTarget = move.hwnd == s.TargetView;
    // Ctrl matters only to a gesture over its view; every other move of the window skips
    // the keyboard query (a round trip to the server under Wine).
    const bool ctrlDown = s.Tracking && overTarget && CtrlHeld();
    // The moves of a gesture come every few milliseconds; only after a pause (the pointer
    // was away, or held still) is the button's state worth a question to the system.
    const uint32_t now = ::GetTickCount();
    const bool paused = now - s.LastMoveTick >= kReleaseCheckPauseMs;
    s.LastMoveTick = now;
    if (s.Tracking && paused && RightReleasedElsewhere()) {
        EndGestureReleasedElsewhere(ctx);
        return 0;
    }
    // Onto another window the trail and the plate go (a press's hints too).
    if (s.Tracking && !overTarget) HideOverlay(ctx);
    switch (GateMove(s, overTarget, ctrlDown)) {
    case MoveGate::Pass:
        return 0;
    case MoveGate::Abandon:
        SetStatusText(ctx.browser, kStatusEmpty);
        return 0;
    case MoveGate::Track:
        break;
    }

    RECT r{};
    ::GetWindowRect(s.TargetView, &r);
    const SettingsView& settings = ctx.settings;
    const TrackSettings live = ReadTrackSettings(settings, s.ViewDpi);
    const MoveStep step = AdvanceMove(s, ToPoint(move.pt), {r.left, r.top}, live);

    if (step.stepTaken) {
        wchar_t text[kStatusTextUnits];
        if (step.strokeRecorded) {
            BuildGestureStatusText(s, settings, text, kStatusTextUnits);
            SetStatusText(ctx.browser, text);
        }
        ShowStep(ctx, step, r, move.pt, step.strokeRecorded ? text : nullptr);
    }
    // A failed earlier SetTimer left TimerId 0: restart under the usual id rather than
    // an id 0 that the release would never kill.
    if (step.restartTimer) ArmTimer(s, ctx.quickWnd, s.TimerId != 0 ? s.TimerId : kGestureTimerId, live.timeoutMs);
    if (step.handOver) HandOverPress(ctx);
    return step.consume ? 1 : 0;
}

}  // namespace cc
